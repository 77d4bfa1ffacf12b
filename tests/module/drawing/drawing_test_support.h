// Test helpers of the update-run tests: base drawings read from the fixtures beside this file
// (layouts, dynamic blocks and external references that the database API cannot make), and
// block references, attributes and link data added through the database API.
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
#include <vector>

namespace updatetest {

using Values = std::map<std::wstring, std::wstring>;

inline std::filesystem::path fixture(const std::string& name) {
    return std::filesystem::path(BRAKON_SOURCE_DIR) / "tests" / "module" / "drawing" / "fixtures" /
           name;
}

// Reads a fixture into a new database and makes it the working database while it lives.
class TestDrawing {
  public:
    explicit TestDrawing(const std::string& name, const std::filesystem::path& path = {})
        : m_db(new AcDbDatabase(false, true)), m_raw(m_db.get()) {
        const std::filesystem::path file = path.empty() ? fixture(name) : path;
        const Acad::ErrorStatus es = m_raw->readDwgFile(file.wstring().c_str());
        EXPECT_EQ(es, Acad::eOk) << file;
        m_previous = acdbHostApplicationServices()->workingDatabase();
        acdbHostApplicationServices()->setWorkingDatabase(m_raw);
    }
    ~TestDrawing() { acdbHostApplicationServices()->setWorkingDatabase(m_previous); }
    TestDrawing(const TestDrawing&) = delete;
    TestDrawing& operator=(const TestDrawing&) = delete;

    AcDbDatabase* db() const { return m_raw; }
    int openObjects() const { return cadhost::testing::openObjectCount(m_raw); }
    // Hands the database to a new owner (a document); the helpers keep working on it while
    // that owner keeps it alive.
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
        AcDbObjectId layoutId =
            acdbHostApplicationServices()->layoutManager()->findLayoutNamed(layoutName, m_raw);
        AcDbLayout* layout = nullptr;
        AcDbObjectId record;
        if (acdbOpenObject(layout, layoutId, AcDb::kForRead) != Acad::eOk) return record;
        record = layout->getBlockTableRecordId();
        layout->close();
        return record;
    }

    // A reference of blockName in the block table record owner, with one attribute per
    // attribute definition (values[tag], else the definition's default).
    AcDbObjectId insertInto(AcDbObjectId owner, const wchar_t* blockName, const Values& values = {},
                            bool visible = true) const {
        const AcDbObjectId definition = block(blockName);
        EXPECT_FALSE(definition.isNull()) << CStringA(blockName).GetString();
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
    // A single-line text in a layout.
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

    // Gives the object link data of the mechanical toolset: "GENIUS_GENOREF_13" with role
    // text and the 1005 handle.
    void setLink(AcDbObjectId id, const wchar_t* handle, const wchar_t* role = L"BORDER") const {
        acdbRegApp(L"GENIUS_GENOREF_13");
        AcDbObject* object = nullptr;
        ASSERT_EQ(acdbOpenObject(object, id, AcDb::kForWrite), Acad::eOk);
        resbuf* chain = acutBuildList(1001, L"GENIUS_GENOREF_13", 1000, role, 1005, handle, 0);
        EXPECT_EQ(object->setXData(chain), Acad::eOk);
        acutRelRb(chain);
        object->close();
    }
    // Link to the border's own handle (as the toolset does).
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

// True when text is exactly one error report of status statusName from the source stem.
inline bool isErrorReport(const std::wstring& text, const std::wstring& statusName,
                          const std::wstring& stem) {
    const std::wregex report(L"\\*ERROR\\*: \\[Acad::" + statusName + L"\\]\\.\n\\[" + stem +
                             L"\\]\\.\\[[0-9]+\\]");
    return std::regex_match(text, report);
}

inline std::string narrow(const std::wstring& text) { return CStringA(text.c_str()).GetString(); }

inline std::vector<std::wstring> strings(const CStringArray& array) {
    std::vector<std::wstring> result;
    for (INT_PTR i = 0; i < array.GetSize(); ++i) result.emplace_back(array.GetAt(i).GetString());
    return result;
}

inline void fill(CStringArray& array, std::initializer_list<const wchar_t*> items) {
    for (const wchar_t* item : items) array.Add(item);
}

}  // namespace updatetest
