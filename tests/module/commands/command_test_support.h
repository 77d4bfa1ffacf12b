// Helpers of the reference command tests: a scratch folder per test, drawings with chosen
// external reference paths (made from the base drawings in fixtures/, since the database API
// cannot create references), and reading back what a drawing stores.
#pragma once

#include <afx.h>
#include <dbmain.h>
#include <dbsymtb.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "module/docdata/pdm_test_files.h"

namespace commandtest {

namespace fs = std::filesystem;

inline fs::path fixture(const std::string& name) {
    return fs::path(BRAKON_SOURCE_DIR) / "tests" / "module" / "commands" / "fixtures" / name;
}

// A folder of its own per test, removed afterwards; paths inside it come back wide.
class ScratchFolder : public pdmtest::TempDir {
  public:
    // The full path of a "/"-separated name inside the folder.
    std::wstring path(const std::string& name) const { return TempDir::path(name).wstring(); }
};

inline std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Calls visit(record) for each external-reference record of db, open for read, in table order.
template <class Visit>
void forEachXref(AcDbDatabase* db, Visit&& visit) {
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(db->getBlockTable(table, AcDb::kForRead), Acad::eOk);
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
// three). Folders are created.
inline void writeDrawing(const fs::path& path, const std::vector<std::wstring>& references) {
    ASSERT_LE(references.size(), 3u);
    AcDbDatabase db(false, true);
    const fs::path base = fixture("refs_" + std::to_string(references.size()) + ".dxf");
    ASSERT_EQ(db.readDwgFile(base.wstring().c_str()), Acad::eOk) << base;
    std::size_t next = 0;
    forEachXref(&db, [&](AcDbBlockTableRecord* record) {
        ASSERT_LT(next, references.size());
        EXPECT_EQ(record->setPathName(references[next++].c_str()), Acad::eOk);
    });
    ASSERT_EQ(next, references.size());
    fs::create_directories(path.parent_path());
    ASSERT_EQ(db.saveAs(path.wstring().c_str(), false), Acad::eOk) << path;
}

// The stored paths of a drawing's external references, in table order.
inline std::vector<std::wstring> storedPaths(const fs::path& path) {
    std::vector<std::wstring> paths;
    AcDbDatabase db(false, true);
    EXPECT_EQ(db.readDwgFile(path.wstring().c_str()), Acad::eOk) << path;
    forEachXref(&db, [&](AcDbBlockTableRecord* record) {
        const ACHAR* stored = nullptr;
        EXPECT_EQ(record->pathName(stored), Acad::eOk);
        paths.emplace_back(stored != nullptr ? stored : L"");
    });
    return paths;
}

inline std::vector<std::wstring> strings(const CStringArray& array) {
    std::vector<std::wstring> out;
    for (INT_PTR i = 0; i < array.GetSize(); ++i) out.emplace_back(array[i].GetString());
    return out;
}

}  // namespace commandtest
