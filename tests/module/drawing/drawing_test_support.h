// Test helpers for drawings: base drawings read from the fixtures (layouts, dynamic blocks and
// external references that the database API cannot make), block references, attributes and
// link data added through the database API, managed documents for the update runs, and
// drawings on disk with chosen external reference paths for the commands.
#pragma once

#include <acutbuild.h>
#include <afx.h>
#include <dbapserv.h>
#include <dbents.h>
#include <dblaymgr.h>
#include <dblayout.h>
#include <dbmain.h>
#include <dbsymtb.h>
#include <gtest/gtest.h>
#include <testing_db.h>
#include <testing_input.h>

#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "module/docdata/pdm_test_files.h"

namespace updatetest {

using cadhost::testing::clearDbFaults;
using cadhost::testing::DbCall;
using cadhost::testing::DbFaultScope;
using cadhost::testing::failCall;
using cadhost::testing::failOpen;
using cadhost::testing::InputSession;
using pdmtest::contains;
using pdmtest::Names;
using pdmtest::narrow;
using pdmtest::strings;
using Values = std::map<std::wstring, std::wstring>;

inline std::filesystem::path fixture(const std::string& name) {
    return pdmtest::moduleFixture("drawing/fixtures/" + name);
}

// Reads a fixture into a new database and makes it the working database while it lives.
class TestDrawing {
  public:
    explicit TestDrawing(const std::string& name, const std::filesystem::path& path = {})
        : m_db(new AcDbDatabase(false, true)), m_raw(m_db.get()) {
        const std::filesystem::path file = path.empty() ? fixture(name) : path;
        EXPECT_EQ(m_raw->readDwgFile(file.wstring().c_str()), Acad::eOk) << file;
        m_previous = acdbHostApplicationServices()->workingDatabase();
        acdbHostApplicationServices()->setWorkingDatabase(m_raw);
    }
    // Every test leaves its drawing with no object open.
    ~TestDrawing() {
        if (m_db) {
            EXPECT_EQ(openObjects(), 0);
        }
        acdbHostApplicationServices()->setWorkingDatabase(m_previous);
    }
    TestDrawing(const TestDrawing&) = delete;
    TestDrawing& operator=(const TestDrawing&) = delete;

    AcDbDatabase* db() const { return m_raw; }
    int openObjects() const { return cadhost::testing::openObjectCount(m_raw); }
    // Hands the database to a document; the helpers keep working on it while that lives.
    AcDbDatabase* release() { return m_db.release(); }

    // The block table record of a block ("*Model_Space", "TB2"...), or of a layout by name.
    AcDbObjectId block(const wchar_t* name) const {
        AcDbBlockTable* table = nullptr;
        AcDbObjectId id;
        if (m_raw->getBlockTable(table, AcDb::kForRead) != Acad::eOk) return id;
        table->getIdAt(name, id);
        table->close();
        return id;
    }
    AcDbObjectId layoutBlock(const wchar_t* layoutName) const {
        if (std::wstring(layoutName) == L"Model") return block(L"*Model_Space");
        AcDbLayout* layout = nullptr;
        AcDbObjectId record;
        if (acdbOpenObject(
                layout,
                acdbHostApplicationServices()->layoutManager()->findLayoutNamed(layoutName, m_raw),
                AcDb::kForRead) != Acad::eOk)
            return record;
        record = layout->getBlockTableRecordId();
        layout->close();
        return record;
    }

    // A reference of blockName in the record owner, with one attribute per attribute
    // definition (values[tag], else the definition's default).
    AcDbObjectId insertInto(AcDbObjectId owner, const wchar_t* blockName, const Values& values = {},
                            bool visible = true) const {
        const AcDbObjectId definition = block(blockName);
        EXPECT_FALSE(definition.isNull()) << narrow(blockName);
        std::vector<std::pair<std::wstring, std::wstring>> attributes;
        AcDbBlockTableRecord* record = nullptr;
        if (acdbOpenObject(record, definition, AcDb::kForRead) == Acad::eOk) {
            AcDbBlockTableRecordIterator* it = nullptr;
            record->newIterator(it);
            for (; it != nullptr && !it->done(); it->step()) {
                AcDbObjectId id;
                it->getEntityId(id);
                AcDbAttributeDefinition* def = nullptr;
                if (acdbOpenObject(def, id, AcDb::kForRead) != Acad::eOk) continue;
                const std::wstring tag = def->tagConst();
                auto v = values.find(tag);
                attributes.emplace_back(
                    tag, v != values.end() ? v->second : std::wstring(def->textStringConst()));
                def->close();
            }
            delete it;
            record->close();
        }
        AcDbBlockTableRecord* target = nullptr;
        AcDbObjectId id;
        EXPECT_EQ(acdbOpenObject(target, owner, AcDb::kForWrite), Acad::eOk);
        if (target == nullptr) return id;
        auto* reference = new AcDbBlockReference(AcGePoint3d(10, 10, 0), definition);
        EXPECT_EQ(target->appendAcDbEntity(id, reference), Acad::eOk);
        for (const auto& [tag, text] : attributes) {
            auto* attribute = new AcDbAttribute(AcGePoint3d(12, 12, 0), text.c_str(), tag.c_str());
            EXPECT_EQ(reference->appendAttribute(attribute), Acad::eOk);
            if (!visible) attribute->setVisibility(AcDb::kInvisible);
            attribute->close();
        }
        if (!visible) reference->setVisibility(AcDb::kInvisible);
        reference->close();
        target->close();
        return id;
    }
    AcDbObjectId insert(const wchar_t* layoutName, const wchar_t* blockName,
                        const Values& values = {}, bool visible = true) const {
        return insertInto(layoutBlock(layoutName), blockName, values, visible);
    }
    AcDbObjectId addText(const wchar_t* layoutName, const wchar_t* text) const {
        AcDbBlockTableRecord* target = nullptr;
        AcDbObjectId id;
        if (acdbOpenObject(target, layoutBlock(layoutName), AcDb::kForWrite) != Acad::eOk)
            return id;
        auto* entity = new AcDbText();
        entity->setTextString(text);
        target->appendAcDbEntity(id, entity);
        entity->close();
        target->close();
        return id;
    }

    // The mechanical toolset's link data: "GENIUS_GENOREF_13", role text, the 1005 handle.
    void setLink(AcDbObjectId id, const wchar_t* handle, const wchar_t* role = L"BORDER") const {
        acdbRegApp(L"GENIUS_GENOREF_13");
        AcDbObject* object = nullptr;
        ASSERT_EQ(acdbOpenObject(object, id, AcDb::kForWrite), Acad::eOk);
        resbuf* chain = acutBuildList(1001, L"GENIUS_GENOREF_13", 1000, role, 1005, handle, 0);
        EXPECT_EQ(object->setXData(chain), Acad::eOk);
        acutRelRb(chain);
        object->close();
    }
    // Border and title both linked to the border's own handle, as the toolset does.
    void link(AcDbObjectId border, AcDbObjectId title) const {
        wchar_t handle[32];
        border.handle().getIntoAsciiBuffer(handle, 32);
        setLink(border, handle, L"BORDER");
        setLink(title, handle, L"TITLE");
    }

    // tag -> text of a reference's attributes.
    Values attributes(AcDbObjectId referenceId) const {
        Values result;
        AcDbBlockReference* reference = nullptr;
        if (acdbOpenObject(reference, referenceId, AcDb::kForRead) != Acad::eOk) return result;
        std::unique_ptr<AcDbObjectIterator> it(reference->attributeIterator());
        for (; it && !it->done(); it->step()) {
            AcDbAttribute* attribute = nullptr;
            if (acdbOpenObject(attribute, it->objectId(), AcDb::kForRead) != Acad::eOk) continue;
            result[attribute->tagConst()] = attribute->textStringConst();
            attribute->close();
        }
        reference->close();
        return result;
    }
    std::wstring attribute(AcDbObjectId referenceId, const wchar_t* tag) const {
        Values all = attributes(referenceId);
        auto it = all.find(tag);
        return it == all.end() ? L"<none>" : it->second;
    }
    AcDb::Visibility visibility(AcDbObjectId id) const {
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk) return AcDb::kInvisible;
        AcDb::Visibility v = entity->visibility();
        entity->close();
        return v;
    }

  private:
    std::unique_ptr<AcDbDatabase> m_db;
    AcDbDatabase* m_raw;
    AcDbDatabase* m_previous = nullptr;
};

// Injected database faults with the command line captured, for one failure check.
struct FaultSession : DbFaultScope, InputSession {};

// Whether text is exactly one error report of status statusName from the source stem.
inline ::testing::AssertionResult isErrorReport(const std::wstring& text,
                                                const std::wstring& statusName,
                                                const std::wstring& stem) {
    const std::wregex report(L"\\*ERROR\\*: \\[Acad::" + statusName + L"\\]\\.\n\\[" + stem +
                             L"\\]\\.\\[[0-9]+\\]");
    if (std::regex_match(text, report)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "command line: " << narrow(text);
}
// Whether text is exactly the fallback report of a boundary in the source stem.
inline ::testing::AssertionResult isUndefinedError(const std::wstring& text,
                                                   const std::wstring& stem) {
    if (std::regex_match(text, std::wregex(L"undefined error\\. \\(" + stem + L"@[0-9]+\\)")))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "command line: " << narrow(text);
}

// The attributes of a SCHRIFTFELD reference, in tag order of the definition.
inline Values titleBlock(const wchar_t* title, const wchar_t* name, const wchar_t* number,
                         const wchar_t* page, const wchar_t* pages) {
    return {{L"DM_TITLE", title},
            {L"BENENNUNG1", name},
            {L"ZEICHNUNGSNR", number},
            {L"PAGE", page},
            {L"PAGES", pages}};
}

inline void fill(CStringArray& array, std::initializer_list<const wchar_t*> items) {
    for (const wchar_t* item : items) array.Add(item);
}

// Managed documents for the update runs ---------------------------------------------------------

using Props = std::vector<std::pair<std::string, std::string>>;

struct Relation {
    Props properties;
    std::vector<Props> revisions;
};

// One revision as the PDM writes it.
inline Props revision(int number, const std::string& comment = "") {
    const std::string n = std::to_string(number);
    Props r{{"dm_revisionno", n},
            {"dm_revlabel", "R" + n},
            {"dm_statusat", "2024-0" + n},
            {"dm_statusby", "u" + n}};
    if (!comment.empty()) r.emplace_back("dm_comment", comment);
    return r;
}

struct ManagedDocSetup {
    Props settings;
    Props document{{"dm_title", "P-100"}};
    std::vector<Props> revisions;
    std::vector<Relation> relations;
    // Settings file lines after the sections' headers.
    std::string titleBlocks = "1=SCHRIFTFELD\n2=TB_DYN\n";
    std::string attributeMap;
    std::string revisionBlocks = "1=REVTABLE\n";
};

// Writes plan.ini and the companion file plan.qdx (naming the settings file) into dir.
inline void writeCompanionFiles(const pdmtest::TempDir& dir, const ManagedDocSetup& setup) {
    auto attributes = [](const Props& props) {
        std::string out;
        for (const auto& [name, value] : props) out += " " + name + "=\"" + value + "\"";
        return out;
    };
    auto revisions = [&](const std::vector<Props>& list) {
        std::string out = "<revisions>";
        for (const Props& r : list) out += "<revision" + attributes(r) + "/>";
        return out + "</revisions>";
    };
    const std::filesystem::path ini =
        dir.write("plan.ini", "[TITLE_BLOCK]\n" + setup.titleBlocks + "[ATTRIBUTE_MAP]\n" +
                                  setup.attributeMap + "[REVISION_BLOCK]\n" + setup.revisionBlocks);
    std::string qdx = "<pdm>\n<config>" + ini.string() + "</config>\n<settings" +
                      attributes(setup.settings) + "/>\n<document" + attributes(setup.document) +
                      ">" + revisions(setup.revisions) + "</document>\n<relations>";
    for (const Relation& r : setup.relations)
        qdx +=
            "<relation" + attributes(r.properties) + ">" + revisions(r.revisions) + "</relation>";
    dir.write("plan.qdx", qdx + "</relations>\n</pdm>\n");
}

// plan.qdx and plan.ini in a fresh folder, loaded into a CDocData against the working
// database (construct it after the TestDrawing).
class ManagedDoc {
  public:
    explicit ManagedDoc(const ManagedDocSetup& setup) {
        writeCompanionFiles(m_dir, setup);
        m_data.load(acdbHostApplicationServices()->workingDatabase(),
                    m_dir.wpath("plan.dxf").c_str(), 1, 1);
        EXPECT_TRUE(m_data.isManaged());
    }
    CDocData& data() { return m_data; }
    // The update steps with the document's own settings.
    int layoutTitles(const DocumentRecord& record, const wchar_t* layout, AcDbDatabase* db,
                     int page = -1, int pages = -1) {
        return m_data.updateLayoutTitleBlocks(record, layout, m_data.getSettings(), db, page,
                                              pages);
    }
    int revisionTable(const wchar_t* layout, AcDbDatabase* db) {
        return m_data.updateRevisionTable(m_data.document(), layout, m_data.getSettings(), db);
    }

  private:
    pdmtest::TempDir m_dir;
    CDocData m_data;
};

// Drawings on disk with chosen external reference paths ---------------------------------------

// Calls visit(record) for each external-reference record of db, open for write, in table order.
template <class Visit>
void forEachXref(AcDbDatabase& db, Visit&& visit) {
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(db.getBlockTable(table, AcDb::kForRead), Acad::eOk);
    AcDbBlockTableIterator* iterator = nullptr;
    ASSERT_EQ(table->newIterator(iterator), Acad::eOk);
    std::unique_ptr<AcDbBlockTableIterator> owner(iterator);
    for (; !iterator->done(); iterator->step()) {
        AcDbBlockTableRecord* record = nullptr;
        if (iterator->getRecord(record, AcDb::kForWrite) != Acad::eOk) continue;
        if (record->isFromExternalReference()) visit(record);
        record->close();
    }
    table->close();
}

// Writes a drawing at path whose external references store the given paths, in order (at most
// three), from the base drawings commands/fixtures/refs_N.dxf. Folders are created.
inline void writeDrawing(const std::filesystem::path& path,
                         const std::vector<std::wstring>& references) {
    ASSERT_LE(references.size(), 3u);
    AcDbDatabase db(false, true);
    const std::filesystem::path base = pdmtest::moduleFixture(
        "commands/fixtures/refs_" + std::to_string(references.size()) + ".dxf");
    ASSERT_EQ(db.readDwgFile(base.wstring().c_str()), Acad::eOk) << base;
    std::size_t next = 0;
    forEachXref(db, [&](AcDbBlockTableRecord* record) {
        ASSERT_LT(next, references.size());
        EXPECT_EQ(record->setPathName(references[next++].c_str()), Acad::eOk);
    });
    ASSERT_EQ(next, references.size());
    std::filesystem::create_directories(path.parent_path());
    ASSERT_EQ(db.saveAs(path.wstring().c_str(), false), Acad::eOk) << path;
}

// The stored paths of a drawing's external references, in table order.
inline std::vector<std::wstring> storedPaths(const std::filesystem::path& path) {
    std::vector<std::wstring> paths;
    AcDbDatabase db(false, true);
    EXPECT_EQ(db.readDwgFile(path.wstring().c_str()), Acad::eOk) << path;
    forEachXref(db, [&](AcDbBlockTableRecord* record) {
        const ACHAR* stored = nullptr;
        EXPECT_EQ(record->pathName(stored), Acad::eOk);
        paths.emplace_back(stored != nullptr ? stored : L"");
    });
    return paths;
}

}  // namespace updatetest
