// The shell path functions of shlwapi.h. Paths are split into a root ("C:\", "\\server\share\",
// "/" or nothing) and components; results are rebuilt with the separator of the path they
// start from.
#include <shlwapi.h>
#include <sys/stat.h>

#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "win/char_case.h"
#include "win/file_path.h"

namespace {

bool isSep(wchar_t c) { return c == L'\\' || c == L'/'; }

bool hasDrive(std::wstring_view path) {
    return path.size() >= 2 && path[1] == L':' &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

bool isUnc(std::wstring_view path) { return path.size() >= 2 && isSep(path[0]) && isSep(path[1]); }

// The separator a path built from this one uses: its first separator; '\' when it has none.
wchar_t separatorOf(std::wstring_view path) {
    for (wchar_t c : path) {
        if (isSep(c)) return c;
    }
    return L'\\';
}

struct SplitPath {
    std::wstring root;  // normalised to the chosen separator; drive roots end with it
    std::vector<std::wstring> components;
    bool trailingSeparator = false;
};

// Length of the root of the path as written ("C:\" 3, "C:" 2, "\\srv\share\" ..., "/" 1).
size_t rootLength(std::wstring_view path) {
    if (hasDrive(path)) return (path.size() > 2 && isSep(path[2])) ? 3 : 2;
    if (isUnc(path)) {
        size_t i = 2;
        for (int part = 0; part < 2 && i < path.size(); ++part) {
            while (i < path.size() && !isSep(path[i])) ++i;
            if (i < path.size()) ++i;  // the separator after server / share
        }
        return i;
    }
    if (!path.empty() && isSep(path[0])) return 1;
    return 0;
}

SplitPath split(std::wstring_view path, wchar_t sep) {
    SplitPath result;
    size_t rootEnd = rootLength(path);
    for (size_t i = 0; i < rootEnd; ++i) result.root += isSep(path[i]) ? sep : path[i];
    if (hasDrive(path) && rootEnd == 2) result.root += sep;
    if (isUnc(path) && !result.root.empty() && !isSep(result.root.back())) result.root += sep;
    std::wstring current;
    for (size_t i = rootEnd; i < path.size(); ++i) {
        if (isSep(path[i])) {
            if (!current.empty()) result.components.push_back(current);
            current.clear();
        } else {
            current += path[i];
        }
    }
    if (!current.empty()) result.components.push_back(current);
    result.trailingSeparator = path.size() > rootEnd && isSep(path.back());
    return result;
}

// Resolves "." and ".." and rebuilds the path with one separator.
std::wstring canonical(std::wstring_view path, wchar_t sep) {
    SplitPath parts = split(path, sep);
    std::vector<std::wstring> kept;
    for (const std::wstring& c : parts.components) {
        if (c == L".") continue;
        if (c == L"..") {
            if (!kept.empty() && kept.back() != L"..")
                kept.pop_back();
            else if (parts.root.empty())
                kept.push_back(c);
            continue;
        }
        kept.push_back(c);
    }
    std::wstring out = parts.root;
    for (size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) out += sep;
        out += kept[i];
    }
    if (parts.trailingSeparator && !kept.empty()) out += sep;
    return out;
}

std::wstring combine(std::wstring_view dir, std::wstring_view file) {
    wchar_t sep = !dir.empty() ? separatorOf(dir) : separatorOf(file);
    std::wstring joined;
    if (file.empty()) {
        joined = dir;
    } else if (dir.empty() || hasDrive(file) || isUnc(file)) {
        joined = file;
    } else if (isSep(file[0])) {
        size_t rootEnd = rootLength(dir);
        joined = std::wstring(dir.substr(0, rootEnd));
        if (joined.empty() || !isSep(joined.back())) joined += sep;
        joined += file.substr(1);
    } else {
        joined = dir;
        if (!isSep(joined.back())) joined += sep;
        joined += file;
    }
    return canonical(joined, sep);
}

bool copyOut(wchar_t* dest, const std::wstring& text) {
    if (text.size() + 1 > MAX_PATH) {
        dest[0] = 0;
        return false;
    }
    std::wmemcpy(dest, text.c_str(), text.size() + 1);
    return true;
}

// Where the extension of the path's last component starts, or the end of the path.
const wchar_t* findExtension(const wchar_t* path) {
    const wchar_t* dot = nullptr;
    const wchar_t* p = path;
    for (; *p; ++p) {
        if (isSep(*p) || *p == L' ')
            dot = nullptr;
        else if (*p == L'.')
            dot = p;
    }
    return dot ? dot : p;
}

bool statPath(LPCWSTR path, struct stat& info) {
    return path && *path && ::stat(cadhost::fileSystemPath(path).c_str(), &info) == 0;
}

}  // namespace

BOOL PathRenameExtensionW(LPWSTR pszPath, LPCWSTR pszExt) {
    if (!pszPath || !pszExt) return FALSE;
    const wchar_t* extension = findExtension(pszPath);
    size_t stem = static_cast<size_t>(extension - pszPath);
    size_t extLength = std::wcslen(pszExt);
    if (stem + extLength + 1 > MAX_PATH) return FALSE;
    std::wmemmove(pszPath + stem, pszExt, extLength + 1);
    return TRUE;
}

BOOL PathRemoveFileSpecW(LPWSTR pszPath) {
    if (!pszPath) return FALSE;
    wchar_t* path = pszPath;
    wchar_t* cut = path;
    // A leading separator (or two, for UNC) belongs to the root and stays.
    if (isSep(*path)) cut = ++path;
    if (isSep(*path)) cut = ++path;
    while (*path) {
        if (isSep(*path)) {
            cut = path;
        } else if (*path == L':') {
            // The drive's root separator is skipped, so "C:\a.dwg" keeps "C:\".
            cut = ++path;
            if (isSep(*path)) ++cut;
            if (!*path) break;
        }
        ++path;
    }
    if (*cut) {
        *cut = 0;
        return TRUE;
    }
    return FALSE;
}

LPWSTR PathCombineW(LPWSTR pszDest, LPCWSTR pszDir, LPCWSTR pszFile) {
    if (!pszDest) return nullptr;
    std::wstring dir = pszDir ? pszDir : L"";
    std::wstring file = pszFile ? pszFile : L"";
    if ((dir.empty() && file.empty()) || dir.size() >= MAX_PATH || file.size() >= MAX_PATH) {
        pszDest[0] = 0;
        return nullptr;
    }
    return copyOut(pszDest, combine(dir, file)) ? pszDest : nullptr;
}

BOOL PathRelativePathToW(LPWSTR pszPath, LPCWSTR pszFrom, DWORD dwAttrFrom, LPCWSTR pszTo,
                         DWORD dwAttrTo) {
    if (!pszPath) return FALSE;
    pszPath[0] = 0;
    if (!pszFrom || !pszTo || std::wcslen(pszFrom) >= MAX_PATH || std::wcslen(pszTo) >= MAX_PATH)
        return FALSE;
    wchar_t sep = separatorOf(pszFrom);
    SplitPath from = split(canonical(pszFrom, sep), sep);
    SplitPath to = split(canonical(pszTo, sep), sep);
    if (!(dwAttrFrom & FILE_ATTRIBUTE_DIRECTORY) && !from.components.empty())
        from.components.pop_back();
    size_t toFolderCount = to.components.size();
    if (!(dwAttrTo & FILE_ATTRIBUTE_DIRECTORY) && toFolderCount > 0) --toFolderCount;

    if (cadhost::compareNoCase(from.root, to.root) != 0) return FALSE;
    size_t common = 0;
    while (common < from.components.size() && common < toFolderCount &&
           cadhost::compareNoCase(from.components[common], to.components[common]) == 0) {
        ++common;
    }
    // Two relative paths share a root only through a first component.
    if (from.root.empty() && common == 0) return FALSE;

    std::wstring out;
    size_t ups = from.components.size() - common;
    if (ups == 0) {
        out = L".";
    } else {
        for (size_t i = 0; i < ups; ++i) {
            if (i > 0) out += sep;
            out += L"..";
        }
    }
    for (size_t i = common; i < to.components.size(); ++i) {
        out += sep;
        out += to.components[i];
    }
    if (out.size() + 1 > MAX_PATH) return FALSE;
    std::wmemcpy(pszPath, out.c_str(), out.size() + 1);
    return TRUE;
}

BOOL PathIsRelativeW(LPCWSTR pszPath) {
    if (!pszPath || !*pszPath) return TRUE;
    if (isSep(pszPath[0]) || pszPath[1] == L':') return FALSE;
    return TRUE;
}

LPWSTR PathFindFileNameW(LPCWSTR pszPath) {
    if (!pszPath) return nullptr;
    const wchar_t* name = pszPath;
    for (const wchar_t* p = pszPath; *p; ++p) {
        if ((isSep(*p) || *p == L':') && p[1] && !isSep(p[1])) name = p + 1;
    }
    return const_cast<LPWSTR>(name);
}

LPWSTR PathFindExtensionW(LPCWSTR pszPath) {
    if (!pszPath) return nullptr;
    return const_cast<LPWSTR>(findExtension(pszPath));
}

BOOL PathFileExistsW(LPCWSTR pszPath) {
    struct stat info;
    return statPath(pszPath, info) ? TRUE : FALSE;
}

BOOL PathIsDirectoryW(LPCWSTR pszPath) {
    struct stat info;
    return statPath(pszPath, info) && S_ISDIR(info.st_mode) ? TRUE : FALSE;
}

LPWSTR PathAddBackslashW(LPWSTR pszPath) {
    if (!pszPath) return nullptr;
    size_t length = std::wcslen(pszPath);
    if (length == 0 || isSep(pszPath[length - 1])) return pszPath + length;
    if (length + 2 > MAX_PATH) return nullptr;
    pszPath[length] = separatorOf(pszPath);
    pszPath[length + 1] = 0;
    return pszPath + length + 1;
}

BOOL PathAppendW(LPWSTR pszPath, LPCWSTR pszMore) {
    if (!pszPath || !pszMore) return FALSE;
    std::wstring_view more(pszMore);
    if (!isUnc(more)) {
        while (!more.empty() && isSep(more.front())) more.remove_prefix(1);
    }
    std::wstring dir(pszPath);
    if (dir.size() >= MAX_PATH || more.size() >= MAX_PATH) return FALSE;
    std::wstring result = dir.empty() && more.empty() ? std::wstring() : combine(dir, more);
    if (result.size() + 1 > MAX_PATH) return FALSE;
    std::wmemcpy(pszPath, result.c_str(), result.size() + 1);
    return TRUE;
}

void PathRemoveExtensionW(LPWSTR pszPath) {
    if (!pszPath) return;
    *const_cast<wchar_t*>(findExtension(pszPath)) = 0;
}
