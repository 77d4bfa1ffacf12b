// Test helpers of the module tests: a private scratch folder with byte-exact files, companion
// files loaded into a CDocData, and the platform's containers in comparable form.
#pragma once

#include <afx.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "docdata/docdata.h"

namespace pdmtest {

namespace fs = std::filesystem;

// Writes bytes exactly as given; folders are made.
inline void writeBytes(const fs::path& file, std::string_view bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder under the temp dir, removed with everything in it at the end.
class TempDir {
  public:
    TempDir() {
        static int counter = 0;
        m_path = fs::temp_directory_path() /
                 ("brakon-pdm-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    // Read-only bits that a test set are cleared first, so that everything goes.
    ~TempDir() {
        std::error_code ignored;
        for (auto& entry : fs::recursive_directory_iterator(m_path, ignored))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Writes bytes exactly as given (folders made) and returns the file's full path.
    fs::path write(const std::string& name, std::string_view bytes) const {
        writeBytes(m_path / name, bytes);
        return m_path / name;
    }
    fs::path path(const std::string& name) const { return m_path / name; }
    std::wstring wpath(const std::string& name) const { return path(name).wstring(); }
    const fs::path& root() const { return m_path; }

  private:
    fs::path m_path;
};

inline std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::wstring wide(const fs::path& path) { return path.wstring(); }
inline std::string narrow(const std::wstring& text) { return CStringA(text.c_str()).GetString(); }

// Whether text holds part; a failure shows the whole text.
inline ::testing::AssertionResult contains(const std::wstring& text, const std::wstring& part) {
    if (text.find(part) != std::wstring::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no \"" << narrow(part) << "\" in: " << narrow(text);
}

using Names = std::vector<std::wstring>;

inline Names strings(const CStringArray& array) {
    Names out;
    for (INT_PTR i = 0; i < array.GetSize(); ++i) out.emplace_back(array[i].GetString());
    return out;
}

// For readers that take a database pointer but never use it.
inline AcDbDatabase* anyDatabase() {
    static int storage;
    return reinterpret_cast<AcDbDatabase*>(&storage);
}

// The shared PDM fixtures, and the module tests' own fixture folders.
inline fs::path fixture(const std::string& name) {
    return fs::path(BRAKON_FIXTURES_DIR) / "pdm" / name;
}
inline fs::path moduleFixture(const std::string& name) {
    return fs::path(BRAKON_SOURCE_DIR) / "tests" / "module" / name;
}

inline std::wstring prop(const PropertyMap& map, const std::wstring& name) {
    auto it = map.find(name);
    return it == map.end() ? L"<absent>" : it->second;
}

// NAME.qdx written with the given bytes beside the drawing NAME.dwg, and loaded.
struct LoadedDoc {
    TempDir dir;
    CDocData data;
    int result;
    explicit LoadedDoc(const std::string& qdx, const std::string& name = "a") {
        dir.write(name + ".qdx", qdx);
        result = data.load(anyDatabase(), dir.wpath(name + ".dwg").c_str(), 1, 1);
    }
    std::wstring doc(const std::wstring& name) const {
        return prop(data.document().properties, name);
    }
};

}  // namespace pdmtest
