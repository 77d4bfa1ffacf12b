// Helpers shared by the drawing database tests: files in a scratch folder, building small
// drawings in code, walks over blocks, entities and attributes, ezdxf's view of a file, and a
// status matcher that prints the status name.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "acutmem.h"
#include "adscodes.h"
#include "dbapserv.h"
#include "dbents.h"
#include "dbmain.h"
#include "dbsymtb.h"
#include "dxf/dxf_file.h"
#include "testing_db.h"

namespace dbtest {

inline const char* statusName(Acad::ErrorStatus es) {
    switch (es) {
#define DBTEST_STATUS_CASE(name, value) \
    case Acad::name: return #name;
        ACAD_ERROR_STATUS_LIST(DBTEST_STATUS_CASE)
#undef DBTEST_STATUS_CASE
    }
    return "?";
}

#define EXPECT_ES(expected, actual) EXPECT_STREQ(dbtest::statusName(expected), dbtest::statusName(actual))
#define ASSERT_ES(expected, actual) ASSERT_STREQ(dbtest::statusName(expected), dbtest::statusName(actual))

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const std::filesystem::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

// Where two texts first differ, with a few lines of context ("" when equal).
inline std::string firstDifference(const std::string& a, const std::string& b) {
    if (a == b) return "";
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    std::size_t from = i > 60 ? i - 60 : 0;
    return "differs at byte " + std::to_string(i) + ":\n[" + a.substr(from, 120) + "]\nvs\n[" + b.substr(from, 120) + "]";
}

inline std::filesystem::path corpus(const std::string& name) { return std::filesystem::path(BRAKON_CORPUS_DIR) / name; }
inline bool haveCorpus() { return std::filesystem::is_directory(BRAKON_CORPUS_DIR); }

// Copies a drawing (the corpus is read-only) into a writable file.
inline void copyWritable(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(to, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
}

// Structural problems of a saved drawing, in the spirit of ezdxf's auditor: repeated
// handles, a $HANDSEED not above every handle, owners (330) that name no object.
inline std::vector<std::string> auditFile(const std::filesystem::path& p) {
    std::vector<std::string> problems;
    cadhost::dxf::LoadError error;
    std::string message;
    auto f = cadhost::dxf::DxfFile::load(p.string(), error, message);
    if (!f) return {"unreadable: " + message};
    std::unordered_map<std::uint64_t, int> seen;
    for (const cadhost::DbStub& r : f->records())
        if (r.handle && ++seen[r.handle] == 2) problems.push_back("repeated handle " + std::to_string(r.handle));
    if (f->handseed() <= f->maxHandle()) problems.push_back("$HANDSEED not above the largest handle");
    for (const cadhost::DbStub& r : f->records())
        if (r.owner && !f->findHandle(r.owner))
            problems.push_back(f->typeName(r.type) + " " + std::to_string(r.handle) + " has a missing owner");
    return problems;
}

// What a shell command prints on its standard output.
inline std::string commandOutput(const std::string& cmd) {
    std::string out;
    if (FILE* p = ::popen(cmd.c_str(), "r")) {
        char buf[4096];
        while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

inline bool haveEzdxf() {
    static const bool have = std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") == 0;
    return have;
}

// How ezdxf, an independent reader, sees a drawing: its audit, layouts, references, xrefs,
// applications and extended data, one per line (tests/host/arx/ezdxf_dump.py).
inline std::string ezdxfDump(const std::filesystem::path& file) {
    return commandOutput("/usr/bin/python3 '" + std::string(BRAKON_SOURCE_DIR) + "/tests/host/arx/ezdxf_dump.py' '" +
                         file.string() + "' 2>&1");
}

// A fresh scratch folder per test, removed afterwards.
class ScratchDir {
public:
    ScratchDir() {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        m_path = std::filesystem::temp_directory_path() /
                 ("dbtest_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchDir() { std::filesystem::remove_all(m_path); }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Reads a drawing into a new database without a document (null on failure, with a test failure).
inline std::unique_ptr<AcDbDatabase> read(const std::filesystem::path& p) {
    auto db = std::make_unique<AcDbDatabase>(false, true);
    Acad::ErrorStatus es = db->readDwgFile(p.wstring().c_str(), AcDbDatabase::kForReadAndReadShare);
    EXPECT_ES(Acad::eOk, es) << p << ": " << std::string(db->lastErrorText(), db->lastErrorText() + std::wcslen(db->lastErrorText())).c_str();
    if (es != Acad::eOk) return nullptr;
    return db;
}

inline std::wstring nameOf(AcDbSymbolTableRecord* rec) {
    const ACHAR* name = nullptr;
    return rec->getName(name) == Acad::eOk ? std::wstring(name) : std::wstring();
}

inline AcDbObjectId blockId(AcDbDatabase* db, const wchar_t* name) {
    AcDbBlockTable* bt = nullptr;
    if (db->getBlockTable(bt, AcDb::kForRead) != Acad::eOk) return AcDbObjectId::kNull;
    AcDbObjectId id;
    bt->getIdAt(name, id);
    bt->close();
    return id;
}

// Calls fn with every block table record, open for read, in table order.
inline void forEachBlock(AcDbDatabase* db, const std::function<void(AcDbBlockTableRecord*)>& fn) {
    AcDbBlockTable* bt = nullptr;
    if (db->getBlockTable(bt, AcDb::kForRead) != Acad::eOk) return;
    AcDbBlockTableIterator* it = nullptr;
    EXPECT_ES(Acad::eOk, bt->newIterator(it));
    for (; it && !it->done(); it->step()) {
        AcDbBlockTableRecord* rec = nullptr;
        if (it->getRecord(rec) != Acad::eOk) continue;
        fn(rec);
        rec->close();
    }
    delete it;
    bt->close();
}

// Calls fn with every entity of a block, open for read.
inline void forEachEntity(AcDbObjectId block, const std::function<void(AcDbEntity*)>& fn) {
    AcDbBlockTableRecord* rec = nullptr;
    if (acdbOpenObject(rec, block, AcDb::kForRead) != Acad::eOk) return;
    AcDbBlockTableRecordIterator* it = nullptr;
    rec->newIterator(it);
    for (; it && !it->done(); it->step()) {
        AcDbEntity* ent = nullptr;
        if (it->getEntity(ent) != Acad::eOk) continue;
        fn(ent);
        ent->close();
    }
    delete it;
    rec->close();
}

// The attributes of a block reference, in order.
inline std::vector<AcDbObjectId> attributesOf(AcDbObjectId ref) {
    std::vector<AcDbObjectId> ids;
    AcDbBlockReference* br = nullptr;
    if (acdbOpenObject(br, ref, AcDb::kForRead) != Acad::eOk) return ids;
    AcDbObjectIterator* it = br->attributeIterator();
    for (it->start(); !it->done(); it->step()) ids.push_back(it->objectId());
    delete it;
    br->close();
    return ids;
}

// Every attribute of every block reference in the drawing, block by block.
inline std::vector<AcDbObjectId> allAttributes(AcDbDatabase* db) {
    std::vector<AcDbObjectId> ids;
    forEachBlock(db, [&](AcDbBlockTableRecord* rec) {
        forEachEntity(rec->objectId(), [&](AcDbEntity* ent) {
            if (AcDbBlockReference::cast(ent))
                for (AcDbObjectId a : attributesOf(ent->objectId())) ids.push_back(a);
        });
    });
    return ids;
}

// "TAG=value" for each attribute of a reference.
inline std::vector<std::wstring> attributeTexts(AcDbObjectId ref) {
    std::vector<std::wstring> out;
    for (AcDbObjectId id : attributesOf(ref)) {
        AcDbAttribute* a = nullptr;
        if (acdbOpenObject(a, id, AcDb::kForRead) != Acad::eOk) continue;
        out.push_back(std::wstring(a->tagConst()) + L"=" + a->textStringConst());
        a->close();
    }
    return out;
}

// Adds a block with the given attribute tags (definitions) and returns its id.
inline AcDbObjectId addBlock(AcDbDatabase* db, const wchar_t* name, std::initializer_list<const wchar_t*> tags) {
    AcDbBlockTable* bt = nullptr;
    EXPECT_ES(Acad::eOk, db->getBlockTable(bt, AcDb::kForWrite));
    auto* rec = new AcDbBlockTableRecord();
    rec->setName(name);
    AcDbObjectId id;
    EXPECT_ES(Acad::eOk, bt->add(id, rec));
    bt->close();
    double y = 0;
    for (const wchar_t* tag : tags) {
        auto* def = new AcDbAttributeDefinition(AcGePoint3d(0, y, 0), L"", tag, tag);
        EXPECT_ES(Acad::eOk, rec->appendAcDbEntity(def));
        def->close();
        y -= 5;
    }
    rec->close();
    return id;
}

// Inserts a block into a layout block with attributes (tag, value) and returns the reference.
inline AcDbObjectId insert(AcDbObjectId layoutBlock, AcDbObjectId block,
                           std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> attributes,
                           AcGePoint3d at = AcGePoint3d(10, 20, 0)) {
    AcDbBlockTableRecord* space = nullptr;
    EXPECT_ES(Acad::eOk, acdbOpenObject(space, layoutBlock, AcDb::kForWrite));
    if (!space) return AcDbObjectId::kNull;
    auto* ref = new AcDbBlockReference(at, block);
    AcDbObjectId id;
    EXPECT_ES(Acad::eOk, space->appendAcDbEntity(id, ref));
    for (const auto& [tag, value] : attributes) {
        auto* a = new AcDbAttribute(at, value, tag);
        EXPECT_ES(Acad::eOk, ref->appendAttribute(a));
        a->close();
    }
    ref->close();
    space->close();
    return id;
}

}  // namespace dbtest
