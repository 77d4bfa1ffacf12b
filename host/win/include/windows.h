// Windows stand-in: the base types, constants and the few kernel services (code page
// conversion, string resources, module handles) that modules written for the CAD host call.
// Semantics follow Win32; Linux-specific conventions are written next to each function.
#pragma once

#include <cstddef>
#include <cstdint>

// ---- Base types (Win32 sizes: LONG and DWORD are 32-bit even though long is 64-bit here) ----
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef std::uint32_t DWORD;
typedef unsigned int UINT;
typedef int INT;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
typedef long long LONGLONG;
typedef unsigned long long ULONGLONG;
typedef std::intptr_t INT_PTR;
typedef std::uintptr_t UINT_PTR;
typedef std::intptr_t LONG_PTR;
typedef std::uintptr_t ULONG_PTR;
typedef std::uintptr_t DWORD_PTR;
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
typedef std::intptr_t LRESULT;
typedef char CHAR;
typedef wchar_t WCHAR;
typedef wchar_t TCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;
typedef WCHAR* LPTSTR;
typedef const WCHAR* LPCTSTR;
typedef BOOL* LPBOOL;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef DWORD* LPDWORD;
typedef void* HANDLE;
typedef WORD LANGID;
typedef LONG HRESULT;

// Module handles are opaque. On this platform an HINSTANCE/HMODULE is the dynamic loader's
// handle of the shared object (what dlopen returned for it); for code linked into the
// program itself it is the program's handle (dlopen(nullptr)).
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
struct HWND__;
typedef HWND__* HWND;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define WINAPI
#define CALLBACK
#define APIENTRY
#ifndef UNICODE
#define UNICODE 1
#endif
#ifndef _UNICODE
#define _UNICODE 1
#endif

#define MAX_PATH 260
#define TEXT(quote) L##quote

#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#define MAKEWORD(a, b) \
    ((WORD)(((BYTE)(((DWORD_PTR)(a)) & 0xff)) | ((WORD)((BYTE)(((DWORD_PTR)(b)) & 0xff))) << 8))
#define MAKELONG(a, b)                                                                         \
    ((LONG)(((WORD)(((DWORD_PTR)(a)) & 0xffff)) | ((DWORD)((WORD)(((DWORD_PTR)(b)) & 0xffff))) \
                                                      << 16))

// ---- Languages ----
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))
#define PRIMARYLANGID(lgid) ((WORD)(lgid)&0x3ff)
#define SUBLANGID(lgid) ((WORD)(lgid) >> 10)
#define LANG_NEUTRAL 0x00
#define LANG_GERMAN 0x07
#define LANG_ENGLISH 0x09
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_ENGLISH_US 0x01
#define SUBLANG_GERMAN 0x01

// ---- Code pages ----
#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF7 65000
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400
#define WC_ERR_INVALID_CHARS 0x00000080

// ---- Errors (GetLastError) ----
#define ERROR_SUCCESS 0L
#define NO_ERROR 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_INVALID_FLAGS 1004L
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#define ERROR_MOD_NOT_FOUND 126L

// ---- File attributes ----
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)

// ---- Message boxes ----
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_APPLMODAL 0x00000000L
#define MB_SYSTEMMODAL 0x00001000L
#define MB_TASKMODAL 0x00002000L
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// ---- Library entry ----
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004

// ---- Code page conversion ----
// Win32 semantics: cbMultiByte / cchWideChar of -1 means the source is null-terminated and the
// terminator is converted (and counted) too; an output size of 0 asks for the size needed and
// writes nothing. Returns the number of characters (bytes) written or needed, 0 on failure
// (GetLastError: ERROR_INSUFFICIENT_BUFFER when the output is too small - the buffer then
// holds an undefined prefix -, ERROR_INVALID_PARAMETER, ERROR_NO_UNICODE_TRANSLATION).
// CP_ACP and CP_THREAD_ACP are the host's ANSI code page (1252 unless cadhost --codepage says
// otherwise); CP_UTF8 and numeric code pages (1250..1258, 437, 850, 932, 936 ...) go through
// iconv. Undefined bytes of a code page become U+FFFD (MB_ERR_INVALID_CHARS: failure), except
// in the Windows 125x code pages, whose undefined bytes 0x80..0x9F map to the C1 control of
// the same value as Windows maps them (1252: 0x81 0x8D 0x8F 0x90 0x9D), in both directions.
// Characters that the code page cannot represent become lpDefaultChar (default "?") and set
// *lpUsedDefaultChar; for CP_UTF8 both must be null, as in Win32.
// Wide text is UTF-32 here; counts of wide characters are in wchar_t units.
int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar);
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        LPBOOL lpUsedDefaultChar);
UINT GetACP();

DWORD GetLastError();
void SetLastError(DWORD dwErrCode);

// ---- String resources ----
// A module's string table is what a resource compiler would have built from its .rc file. On
// this platform a module declares it in one of its source files with
//
//     static const CADHOST_STRING_RESOURCE kStrings[] = {
//         {1003, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), L"The file [%s] ..."},
//         {1003, MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), L"Die Datei [%s] ..."},
//         {0, 0, nullptr}};  // a null text ends the table
//     CADHOST_STRING_TABLE(kStrings);
//
// The macro registers the table with the host when the module is loaded (and withdraws it
// when the module is unloaded); the host files it under the module that holds the table, so
// LoadStringW(handle of that module, ...) finds it. A module has at most one table; a second
// registration from the same module adds to it.
struct CADHOST_STRING_RESOURCE {
    UINT id;
    LANGID language;
    const wchar_t* text;
};
BOOL CadhostRegisterStringTable(const CADHOST_STRING_RESOURCE* table);
void CadhostUnregisterStringTable(const CADHOST_STRING_RESOURCE* table);

namespace cadhost_detail {
struct StringTableRegistrar {
    explicit StringTableRegistrar(const CADHOST_STRING_RESOURCE* table) : m_table(table) {
        CadhostRegisterStringTable(table);
    }
    ~StringTableRegistrar() { CadhostUnregisterStringTable(m_table); }
    StringTableRegistrar(const StringTableRegistrar&) = delete;
    StringTableRegistrar& operator=(const StringTableRegistrar&) = delete;
    const CADHOST_STRING_RESOURCE* m_table;
};
}  // namespace cadhost_detail
#define CADHOST_STRING_TABLE(table) \
    static ::cadhost_detail::StringTableRegistrar cadhost_string_table_registrar_##table(table)

// Loads string resource uID of module hInstance in the host's UI language (English 0x409
// unless cadhost --lang says otherwise), falling back to a text of the same primary language,
// then English, then any language. Copies at most cchBufferMax - 1 characters and a
// terminator; returns the number of characters copied (without terminator), 0 when the module
// has no such string (the buffer then holds an empty string). cchBufferMax 0 is answered as
// Win32 does: *(const wchar_t**)lpBuffer receives a read-only pointer to the text, not
// terminated, and the text's length is returned.
int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);
#define LoadString LoadStringW

// ---- Module handles ----
// With GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, lpModuleName is an address inside the module
// (cast to LPCWSTR) and *phModule receives that module's handle; the handle is always returned
// without taking a reference (the host never unloads a module behind a caller's back), so the
// UNCHANGED_REFCOUNT flag changes nothing. Without it, lpModuleName is a module file name
// (null: the program itself). Returns FALSE (and *phModule null) when no loaded module
// matches.
BOOL GetModuleHandleExW(DWORD dwFlags, LPCWSTR lpModuleName, HMODULE* phModule);
HMODULE GetModuleHandleW(LPCWSTR lpModuleName);
// Full path of the module's file (UTF-8 decoded); Win32 return conventions (truncated
// copy returns nSize and sets ERROR_INSUFFICIENT_BUFFER).
DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
#define GetModuleHandleEx GetModuleHandleExW
#define GetModuleHandle GetModuleHandleW
#define GetModuleFileName GetModuleFileNameW

// ---- Files ----
// Attributes of the file or folder at the path (either separator); INVALID_FILE_ATTRIBUTES
// when it does not exist.
DWORD GetFileAttributesW(LPCWSTR lpFileName);
#define GetFileAttributes GetFileAttributesW

// ---- Debugging ----
// Sent to standard error (no debugger here).
void OutputDebugStringW(LPCWSTR lpOutputString);
#define OutputDebugString OutputDebugStringW

// Wide CRT helpers that code written for this platform expects after including windows.h.
#include <tchar.h>
