// Kernel services of the Windows stand-in: the last-error value, code page conversion entry
// points, file attributes and debug output.
#include <sys/stat.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "win/code_page.h"
#include "win/file_path.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

constexpr unsigned kOemCodePage = 850;

// The code page a Win32 code page argument stands for, or 0 when it is not usable.
unsigned resolveCodePage(UINT codePage) {
    switch (codePage) {
        case CP_ACP:
        case CP_THREAD_ACP:
            return cadhost::ansiCodePage();
        case CP_OEMCP:
            return kOemCodePage;
        default:
            break;
    }
    if (codePage == CP_MACCP || codePage == CP_UTF7) return 0;
    return cadhost::isCodePageSupported(codePage) ? codePage : 0;
}

int fail(DWORD error) {
    t_lastError = error;
    return 0;
}

}  // namespace

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }

UINT GetACP() { return cadhost::ansiCodePage(); }

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar) {
    if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (!lpWideCharStr && cchWideChar != 0)) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    unsigned codePage = resolveCodePage(CodePage);
    if (codePage == 0) return fail(ERROR_INVALID_PARAMETER);
    size_t length =
        cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
    bool invalid = false;
    std::wstring text =
        cadhost::toWide(std::string_view(lpMultiByteStr, length), codePage, &invalid);
    if (invalid && (dwFlags & MB_ERR_INVALID_CHARS)) return fail(ERROR_NO_UNICODE_TRANSLATION);
    if (cchWideChar == 0) return static_cast<int>(text.size());
    if (text.size() > static_cast<size_t>(cchWideChar)) {
        std::memcpy(lpWideCharStr, text.data(), static_cast<size_t>(cchWideChar) * sizeof(wchar_t));
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(lpWideCharStr, text.data(), text.size() * sizeof(wchar_t));
    return static_cast<int>(text.size());
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        LPBOOL lpUsedDefaultChar) {
    if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (!lpMultiByteStr && cbMultiByte != 0)) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    unsigned codePage = resolveCodePage(CodePage);
    if (codePage == 0) return fail(ERROR_INVALID_PARAMETER);
    if (codePage == CP_UTF8 && (lpDefaultChar || lpUsedDefaultChar))
        return fail(ERROR_INVALID_PARAMETER);
    size_t length =
        cchWideChar == -1 ? std::wcslen(lpWideCharStr) + 1 : static_cast<size_t>(cchWideChar);
    std::wstring_view source(lpWideCharStr, length);
    bool lossy = false;
    std::string text = cadhost::fromWide(source, codePage, &lossy);
    if (lossy && lpDefaultChar && *lpDefaultChar != '?') {
        // Rebuild with the caller's default character, one character at a time so that a
        // genuine '?' stays a '?'.
        text.clear();
        for (wchar_t c : source) {
            bool charLossy = false;
            std::string one = cadhost::fromWide(std::wstring_view(&c, 1), codePage, &charLossy);
            text += charLossy ? std::string(1, *lpDefaultChar) : one;
        }
    }
    if (lpUsedDefaultChar) *lpUsedDefaultChar = lossy ? TRUE : FALSE;
    if (lossy && codePage != CP_UTF8 && (dwFlags & WC_ERR_INVALID_CHARS)) {
        return fail(ERROR_NO_UNICODE_TRANSLATION);
    }
    if (cbMultiByte == 0) return static_cast<int>(text.size());
    if (text.size() > static_cast<size_t>(cbMultiByte)) {
        std::memcpy(lpMultiByteStr, text.data(), static_cast<size_t>(cbMultiByte));
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(lpMultiByteStr, text.data(), text.size());
    return static_cast<int>(text.size());
}

DWORD GetFileAttributesW(LPCWSTR lpFileName) {
    if (!lpFileName || !*lpFileName) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return INVALID_FILE_ATTRIBUTES;
    }
    struct stat info;
    if (::stat(cadhost::fileSystemPath(lpFileName).c_str(), &info) != 0) {
        t_lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_FILE_ATTRIBUTES;
    }
    if (S_ISDIR(info.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    DWORD attributes = (info.st_mode & S_IWUSR) ? 0 : FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

void OutputDebugStringW(LPCWSTR lpOutputString) {
    if (!lpOutputString) return;
    std::string text = cadhost::toUtf8(lpOutputString);
    std::fputs(text.c_str(), stderr);
}
