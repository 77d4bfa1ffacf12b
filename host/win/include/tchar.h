// The wide C runtime helpers of the Windows platform that modules call (tchar.h style, Unicode
// build: TCHAR is wchar_t). Each follows the Microsoft C runtime's semantics; where that
// runtime would call its invalid-parameter handler, these return the documented error
// value instead (EINVAL / ERANGE, output emptied) and never terminate the process.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cwchar>

typedef int errno_t;

#ifndef _T
#define _T(x) L##x
#endif
#ifndef _TEXT
#define _TEXT(x) L##x
#endif

#define _MAX_PATH 260
#define _MAX_DRIVE 3
#define _MAX_DIR 256
#define _MAX_FNAME 256
#define _MAX_EXT 256

#ifndef _TRUNCATE
#define _TRUNCATE ((size_t)-1)
#endif
#ifndef STRUNCATE
#define STRUNCATE 80
#endif

// Text to number with the 32-bit semantics of the Windows runtime: leading white space is
// skipped, an optional sign, decimal digits up to the first non-digit; no digits gives 0; a
// value beyond the 32-bit range is clamped to INT_MIN/INT_MAX (LONG_MIN/LONG_MAX of Windows).
int _wtoi(const wchar_t* str);
long _wtol(const wchar_t* str);
long long _wtoi64(const wchar_t* str);

// Number to text in the given radix (2..36); negative values get a '-' only in radix 10, other
// radixes show the 32-bit two's complement as Windows does. The buffer must be large enough
// (33 characters always are); returns buffer.
wchar_t* _itow(int value, wchar_t* buffer, int radix);
wchar_t* _ltow(long value, wchar_t* buffer, int radix);
errno_t _itow_s(int value, wchar_t* buffer, size_t size, int radix);
errno_t _ltow_s(long value, wchar_t* buffer, size_t size, int radix);

// Case-insensitive comparison: both sides folded to lower case (ASCII, Latin-1 and the other
// letter ranges of the host's case table) and compared as unsigned values. <0, 0, >0.
int _wcsicmp(const wchar_t* a, const wchar_t* b);
int _wcsnicmp(const wchar_t* a, const wchar_t* b, size_t count);
#define wcsicmp _wcsicmp
#define wcsnicmp _wcsnicmp

// In-place case conversion with the same case table; return str.
wchar_t* _wcsupr(wchar_t* str);
wchar_t* _wcslwr(wchar_t* str);
// EINVAL when str is null or not terminated within size (then str[0] = 0 when size > 0).
errno_t _wcsupr_s(wchar_t* str, size_t size);
errno_t _wcslwr_s(wchar_t* str, size_t size);

// Splits a path into drive ("C:"), folder (with its trailing separator), file name and
// extension (from the last '.', with the dot). Either separator counts. Any output may be
// null (then its size must be 0). _s form: ERANGE when a part does not fit its buffer (all
// outputs emptied), EINVAL on bad arguments; 0 on success.
errno_t _wsplitpath_s(const wchar_t* path, wchar_t* drive, size_t driveSize, wchar_t* dir,
                      size_t dirSize, wchar_t* fname, size_t fnameSize, wchar_t* ext,
                      size_t extSize);
// Unchecked form: buffers of _MAX_DRIVE, _MAX_DIR, _MAX_FNAME, _MAX_EXT are enough (parts that
// would overflow them are cut, never overrun).
void _wsplitpath(const wchar_t* path, wchar_t* drive, wchar_t* dir, wchar_t* fname, wchar_t* ext);
void _wmakepath(wchar_t* path, const wchar_t* drive, const wchar_t* dir, const wchar_t* fname,
                const wchar_t* ext);

// Bounded copies. 0 on success; EINVAL for null arguments (dest emptied when possible);
// ERANGE when the source does not fit (dest[0] = 0). wcsncpy_s with count _TRUNCATE copies what
// fits and returns STRUNCATE when it had to cut.
errno_t wcscpy_s(wchar_t* dest, size_t destSize, const wchar_t* src);
errno_t wcsncpy_s(wchar_t* dest, size_t destSize, const wchar_t* src, size_t count);
errno_t wcscat_s(wchar_t* dest, size_t destSize, const wchar_t* src);
template <size_t N>
errno_t wcscpy_s(wchar_t (&dest)[N], const wchar_t* src) {
    return wcscpy_s(dest, N, src);
}
template <size_t N>
errno_t wcsncpy_s(wchar_t (&dest)[N], const wchar_t* src, size_t count) {
    return wcsncpy_s(dest, N, src, count);
}
template <size_t N>
errno_t wcscat_s(wchar_t (&dest)[N], const wchar_t* src) {
    return wcscat_s(dest, N, src);
}

// Formatted output with the Microsoft runtime's wide-format semantics: %s and %c take wide
// text, %S / %C / %hs / %hc narrow text (converted with the ANSI code page), %ls / %lc wide;
// %I64d, %lld, flags "-+ #0", width, precision and '*'. Returns the number of characters
// written (without terminator); -1 when the result does not fit (buffer[0] = 0) or an argument
// is invalid. _snwprintf and _vsnwprintf write what fits, without a terminator when cut, and
// return -1 then (Windows semantics).
int swprintf_s(wchar_t* buffer, size_t sizeOfBuffer, const wchar_t* format, ...);
int vswprintf_s(wchar_t* buffer, size_t sizeOfBuffer, const wchar_t* format, va_list args);
int _snwprintf(wchar_t* buffer, size_t count, const wchar_t* format, ...);
int _vsnwprintf(wchar_t* buffer, size_t count, const wchar_t* format, va_list args);
int _scwprintf(const wchar_t* format, ...);
template <size_t N>
int swprintf_s(wchar_t (&buffer)[N], const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int n = vswprintf_s(buffer, N, format, args);
    va_end(args);
    return n;
}

// Generic-text names of the Unicode build.
#define _tcslen wcslen
#define _tcscpy wcscpy
#define _tcscpy_s wcscpy_s
#define _tcsncpy_s wcsncpy_s
#define _tcscat_s wcscat_s
#define _tcscmp wcscmp
#define _tcsicmp _wcsicmp
#define _tcsnicmp _wcsnicmp
#define _tcschr wcschr
#define _tcsrchr wcsrchr
#define _tcsstr wcsstr
#define _tcsupr _wcsupr
#define _tcslwr _wcslwr
#define _ttoi _wtoi
#define _ttol _wtol
#define _itot _itow
#define _ltot _ltow
#define _stprintf_s swprintf_s
#define _tsplitpath_s _wsplitpath_s
#define _tsplitpath _wsplitpath
