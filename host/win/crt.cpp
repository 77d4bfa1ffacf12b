// The wide C runtime helpers of tchar.h with the Microsoft runtime's semantics.
#include <tchar.h>
#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "win/char_case.h"
#include "win/wide_format.h"

namespace {

constexpr int kNlsCompareError = 0x7fffffff;

bool isBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

// Leading white space, optional sign, decimal digits; clamped to [low, high].
long long parseClamped(const wchar_t* str, long long low, long long high) {
    if (!str) {
        errno = EINVAL;
        return 0;
    }
    while (isBlank(*str)) ++str;
    bool negative = false;
    if (*str == L'+' || *str == L'-') negative = *str++ == L'-';
    // Accumulate as a negative number so that the most negative value fits.
    long long value = 0;
    bool clamped = false;
    for (; *str >= L'0' && *str <= L'9'; ++str) {
        int digit = *str - L'0';
        if (!clamped) {
            if (value < (LLONG_MIN + digit) / 10)
                clamped = true;
            else
                value = value * 10 - digit;
        }
    }
    if (clamped) {
        errno = ERANGE;
        return negative ? low : high;
    }
    if (negative) {
        if (value < low) {
            errno = ERANGE;
            return low;
        }
        return value;
    }
    if (value < -high) {
        errno = ERANGE;
        return high;
    }
    return -value;
}

// Digits of a 32-bit value as the Microsoft runtime writes them (two's complement outside
// radix 10). Empty for a bad radix.
std::wstring integerText(std::int32_t value, int radix) {
    if (radix < 2 || radix > 36) return std::wstring();
    bool negative = radix == 10 && value < 0;
    std::uint32_t magnitude =
        negative ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    std::wstring digits;
    do {
        unsigned d = magnitude % static_cast<unsigned>(radix);
        digits.insert(digits.begin(), static_cast<wchar_t>(d < 10 ? L'0' + d : L'a' + d - 10));
        magnitude /= static_cast<unsigned>(radix);
    } while (magnitude != 0);
    if (negative) digits.insert(digits.begin(), L'-');
    return digits;
}

errno_t integerToBuffer(std::int32_t value, wchar_t* buffer, size_t size, int radix) {
    if (!buffer || size == 0) return EINVAL;
    buffer[0] = 0;
    if (radix < 2 || radix > 36) return EINVAL;
    std::wstring text = integerText(value, radix);
    if (text.size() + 1 > size) return ERANGE;
    std::wmemcpy(buffer, text.c_str(), text.size() + 1);
    return 0;
}

errno_t caseInPlace(wchar_t* str, size_t size, bool upper) {
    if (!str) return EINVAL;
    size_t length = wcsnlen(str, size);
    if (length == size) {
        if (size > 0) str[0] = 0;
        return EINVAL;
    }
    for (size_t i = 0; i < length; ++i)
        str[i] = upper ? cadhost::toUpperChar(str[i]) : cadhost::toLowerChar(str[i]);
    return 0;
}

// A part of a split path into its output buffer; false when it does not fit.
bool putPart(wchar_t* out, size_t size, const wchar_t* begin, const wchar_t* end) {
    if (!out) return true;
    size_t length = static_cast<size_t>(end - begin);
    if (length + 1 > size) return false;
    std::wmemcpy(out, begin, length);
    out[length] = 0;
    return true;
}

struct PathParts {
    const wchar_t* driveEnd;
    const wchar_t* dirEnd;
    const wchar_t* nameEnd;
    const wchar_t* end;
};

PathParts splitPath(const wchar_t* path) {
    PathParts parts;
    parts.end = path + std::wcslen(path);
    parts.driveEnd = (path[0] && path[1] == L':') ? path + 2 : path;
    parts.dirEnd = parts.driveEnd;
    for (const wchar_t* p = parts.driveEnd; p < parts.end; ++p) {
        if (*p == L'\\' || *p == L'/') parts.dirEnd = p + 1;
    }
    parts.nameEnd = parts.end;
    for (const wchar_t* p = parts.end; p > parts.dirEnd; --p) {
        if (p[-1] == L'.') {
            parts.nameEnd = p - 1;
            break;
        }
    }
    return parts;
}

}  // namespace

int _wtoi(const wchar_t* str) { return static_cast<int>(parseClamped(str, INT32_MIN, INT32_MAX)); }

long _wtol(const wchar_t* str) {
    return static_cast<long>(parseClamped(str, INT32_MIN, INT32_MAX));
}

long long _wtoi64(const wchar_t* str) { return parseClamped(str, LLONG_MIN, LLONG_MAX); }

wchar_t* _itow(int value, wchar_t* buffer, int radix) {
    if (!buffer) return buffer;
    std::wstring text = integerText(value, radix);
    std::wmemcpy(buffer, text.c_str(), text.size() + 1);
    return buffer;
}

wchar_t* _ltow(long value, wchar_t* buffer, int radix) {
    return _itow(static_cast<std::int32_t>(value), buffer, radix);
}

errno_t _itow_s(int value, wchar_t* buffer, size_t size, int radix) {
    return integerToBuffer(value, buffer, size, radix);
}

errno_t _ltow_s(long value, wchar_t* buffer, size_t size, int radix) {
    return integerToBuffer(static_cast<std::int32_t>(value), buffer, size, radix);
}

int _wcsicmp(const wchar_t* a, const wchar_t* b) {
    if (!a || !b) {
        errno = EINVAL;
        return kNlsCompareError;
    }
    return cadhost::compareNoCase(a, b);
}

int _wcsnicmp(const wchar_t* a, const wchar_t* b, size_t count) {
    if (count == 0) return 0;
    if (!a || !b) {
        errno = EINVAL;
        return kNlsCompareError;
    }
    return cadhost::compareNoCase(std::wstring_view(a, wcsnlen(a, count)),
                                  std::wstring_view(b, wcsnlen(b, count)));
}

wchar_t* _wcsupr(wchar_t* str) {
    if (str) caseInPlace(str, SIZE_MAX, true);
    return str;
}

wchar_t* _wcslwr(wchar_t* str) {
    if (str) caseInPlace(str, SIZE_MAX, false);
    return str;
}

errno_t _wcsupr_s(wchar_t* str, size_t size) { return caseInPlace(str, size, true); }

errno_t _wcslwr_s(wchar_t* str, size_t size) { return caseInPlace(str, size, false); }

errno_t _wsplitpath_s(const wchar_t* path, wchar_t* drive, size_t driveSize, wchar_t* dir,
                      size_t dirSize, wchar_t* fname, size_t fnameSize, wchar_t* ext,
                      size_t extSize) {
    auto badPair = [](wchar_t* out, size_t size) { return (out == nullptr) != (size == 0); };
    auto clearAll = [&] {
        if (drive && driveSize) drive[0] = 0;
        if (dir && dirSize) dir[0] = 0;
        if (fname && fnameSize) fname[0] = 0;
        if (ext && extSize) ext[0] = 0;
    };
    if (!path || badPair(drive, driveSize) || badPair(dir, dirSize) || badPair(fname, fnameSize) ||
        badPair(ext, extSize)) {
        clearAll();
        return EINVAL;
    }
    PathParts parts = splitPath(path);
    if (!putPart(drive, driveSize, path, parts.driveEnd) ||
        !putPart(dir, dirSize, parts.driveEnd, parts.dirEnd) ||
        !putPart(fname, fnameSize, parts.dirEnd, parts.nameEnd) ||
        !putPart(ext, extSize, parts.nameEnd, parts.end)) {
        clearAll();
        return ERANGE;
    }
    return 0;
}

void _wsplitpath(const wchar_t* path, wchar_t* drive, wchar_t* dir, wchar_t* fname, wchar_t* ext) {
    if (!path) return;
    PathParts parts = splitPath(path);
    auto putCut = [](wchar_t* out, size_t size, const wchar_t* begin, const wchar_t* end) {
        if (!out) return;
        size_t length = static_cast<size_t>(end - begin);
        if (length + 1 > size) length = size - 1;
        std::wmemcpy(out, begin, length);
        out[length] = 0;
    };
    putCut(drive, _MAX_DRIVE, path, parts.driveEnd);
    putCut(dir, _MAX_DIR, parts.driveEnd, parts.dirEnd);
    putCut(fname, _MAX_FNAME, parts.dirEnd, parts.nameEnd);
    putCut(ext, _MAX_EXT, parts.nameEnd, parts.end);
}

void _wmakepath(wchar_t* path, const wchar_t* drive, const wchar_t* dir, const wchar_t* fname,
                const wchar_t* ext) {
    if (!path) return;
    std::wstring out;
    if (drive && *drive) {
        out += drive[0];
        out += L':';
    }
    if (dir && *dir) {
        out += dir;
        if (out.back() != L'\\' && out.back() != L'/') out += L'\\';
    }
    if (fname) out += fname;
    if (ext && *ext) {
        if (*ext != L'.') out += L'.';
        out += ext;
    }
    if (out.size() >= _MAX_PATH) out.resize(_MAX_PATH - 1);
    std::wmemcpy(path, out.c_str(), out.size() + 1);
}

errno_t wcscpy_s(wchar_t* dest, size_t destSize, const wchar_t* src) {
    if (!dest || destSize == 0) return EINVAL;
    if (!src) {
        dest[0] = 0;
        return EINVAL;
    }
    size_t length = wcsnlen(src, destSize);
    if (length >= destSize) {
        dest[0] = 0;
        return ERANGE;
    }
    std::wmemmove(dest, src, length + 1);
    return 0;
}

errno_t wcsncpy_s(wchar_t* dest, size_t destSize, const wchar_t* src, size_t count) {
    if (count == 0 && !dest && destSize == 0) return 0;
    if (!dest || destSize == 0) return EINVAL;
    if (count == 0) {
        dest[0] = 0;
        return 0;
    }
    if (!src) {
        dest[0] = 0;
        return EINVAL;
    }
    if (count == _TRUNCATE) {
        size_t length = wcsnlen(src, destSize);
        if (length >= destSize) {
            std::wmemmove(dest, src, destSize - 1);
            dest[destSize - 1] = 0;
            return STRUNCATE;
        }
        std::wmemmove(dest, src, length + 1);
        return 0;
    }
    size_t length = wcsnlen(src, count);
    if (length >= destSize) {
        dest[0] = 0;
        return ERANGE;
    }
    std::wmemmove(dest, src, length);
    dest[length] = 0;
    return 0;
}

errno_t wcscat_s(wchar_t* dest, size_t destSize, const wchar_t* src) {
    if (!dest || destSize == 0) return EINVAL;
    size_t existing = wcsnlen(dest, destSize);
    if (existing == destSize) {
        dest[0] = 0;
        return EINVAL;
    }
    if (!src) {
        dest[0] = 0;
        return EINVAL;
    }
    size_t length = std::wcslen(src);
    if (existing + length >= destSize) {
        dest[0] = 0;
        return ERANGE;
    }
    std::wmemmove(dest + existing, src, length + 1);
    return 0;
}

int vswprintf_s(wchar_t* buffer, size_t sizeOfBuffer, const wchar_t* format, va_list args) {
    if (!buffer || sizeOfBuffer == 0) return -1;
    buffer[0] = 0;
    if (!format) return -1;
    bool ok = true;
    std::wstring text = cadhost::vformatWide(format, args, &ok);
    if (!ok || text.size() + 1 > sizeOfBuffer) return -1;
    std::wmemcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size());
}

int swprintf_s(wchar_t* buffer, size_t sizeOfBuffer, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int n = vswprintf_s(buffer, sizeOfBuffer, format, args);
    va_end(args);
    return n;
}

int _vsnwprintf(wchar_t* buffer, size_t count, const wchar_t* format, va_list args) {
    if (!format || (!buffer && count != 0)) return -1;
    bool ok = true;
    std::wstring text = cadhost::vformatWide(format, args, &ok);
    if (!ok) return -1;
    if (text.size() < count) {
        std::wmemcpy(buffer, text.c_str(), text.size() + 1);
        return static_cast<int>(text.size());
    }
    if (count > 0) std::wmemcpy(buffer, text.data(), count);
    return text.size() == count ? static_cast<int>(count) : -1;
}

int _snwprintf(wchar_t* buffer, size_t count, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int n = _vsnwprintf(buffer, count, format, args);
    va_end(args);
    return n;
}

int _scwprintf(const wchar_t* format, ...) {
    if (!format) return -1;
    va_list args;
    va_start(args, format);
    bool ok = true;
    std::wstring text = cadhost::vformatWide(format, args, &ok);
    va_end(args);
    return ok ? static_cast<int>(text.size()) : -1;
}
