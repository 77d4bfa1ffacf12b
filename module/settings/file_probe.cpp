// File type probe for the settings and companion file readers.
#include "settings/file_probe.h"

#include <windows.h>

#include <sys/stat.h>

#include <vector>

std::string fileSystemPathOf(const wchar_t* path) {
    if (path == nullptr || *path == 0) return std::string();
    std::wstring wide(path);
    for (wchar_t& c : wide)
        if (c == L'\\') c = L'/';
    const int length = static_cast<int>(wide.size());
    std::vector<char> utf8(wide.size() * 4 + 1, 0);
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), length, utf8.data(),
                                static_cast<int>(utf8.size()), nullptr, nullptr);
    if (n <= 0) return std::string();
    return std::string(utf8.data(), static_cast<std::size_t>(n));
}

bool isRegularFile(const wchar_t* path) {
    const std::string fsPath = fileSystemPathOf(path);
    struct stat info;
    return !fsPath.empty() && ::stat(fsPath.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}
