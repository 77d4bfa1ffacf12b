// Test helpers of the module tests: a private temporary folder and byte-exact files in it.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

class AcDbDatabase;

namespace pdmtest {

// A fresh folder under the test temp dir, removed with everything in it at the end.
class TempDir {
  public:
    TempDir() {
        static int counter = 0;
        m_path = std::filesystem::temp_directory_path() /
                 ("brakon-pdm-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    // Read-only bits that a test set are cleared first, so that everything goes.
    ~TempDir() {
        std::error_code ignored;
        for (auto& entry : std::filesystem::recursive_directory_iterator(m_path, ignored)) {
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Writes bytes exactly as given and returns the file's full path.
    std::filesystem::path write(const std::string& name, std::string_view bytes) const {
        std::filesystem::path file = m_path / name;
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }
    std::filesystem::path path(const std::string& name) const { return m_path / name; }
    const std::filesystem::path& root() const { return m_path; }

  private:
    std::filesystem::path m_path;
};

inline std::wstring wide(const std::filesystem::path& path) { return path.wstring(); }

// For readers that take a database pointer but never use it.
inline AcDbDatabase* anyDatabase() {
    static int storage;
    return reinterpret_cast<AcDbDatabase*>(&storage);
}

inline std::filesystem::path fixture(const std::string& name) {
    return std::filesystem::path(BRAKON_FIXTURES_DIR) / "pdm" / name;
}

}  // namespace pdmtest
