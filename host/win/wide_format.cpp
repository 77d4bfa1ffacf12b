// The Microsoft-runtime wide formatter (see wide_format.h). Integers, strings and characters
// are formatted here; floating point conversions are handed to the C library's snprintf,
// whose output for those matches the Microsoft runtime's (two-digit exponents, "inf", "nan").
#include "win/wide_format.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "win/code_page.h"

namespace cadhost {
namespace {

// Widths and precisions beyond this are cut: they can only come from a broken format and would
// otherwise ask for gigabytes.
constexpr int kMaxField = 1 << 20;

enum class Size { kDefault, kChar, kShort, kLong32, kLong64, kLongDouble, kWide };

struct Field {
    bool left = false;
    bool plus = false;
    bool space = false;
    bool alternate = false;
    bool zero = false;
    int width = 0;
    int precision = -1;  // -1: none given
    Size size = Size::kDefault;
};

void pad(std::wstring& out, const std::wstring& body, const Field& field, wchar_t fill = L' ') {
    int padding = field.width - static_cast<int>(body.size());
    if (padding <= 0) {
        out += body;
    } else if (field.left) {
        out += body;
        out.append(static_cast<size_t>(padding), L' ');
    } else {
        out.append(static_cast<size_t>(padding), fill);
        out += body;
    }
}

void formatInteger(std::wstring& out, const Field& field, wchar_t conversion, std::uint64_t magnitude,
                   bool negative) {
    int base = 10;
    const char* digitSet = "0123456789abcdef";
    if (conversion == L'x') base = 16;
    if (conversion == L'X') base = 16, digitSet = "0123456789ABCDEF";
    if (conversion == L'o') base = 8;

    std::wstring digits;
    for (std::uint64_t v = magnitude; v != 0; v /= static_cast<unsigned>(base)) {
        digits.insert(digits.begin(),
                      static_cast<wchar_t>(digitSet[v % static_cast<unsigned>(base)]));
    }
    if (field.precision < 0 && digits.empty()) digits = L"0";
    if (field.precision > static_cast<int>(digits.size())) {
        digits.insert(0, static_cast<size_t>(field.precision) - digits.size(), L'0');
    }
    if (field.alternate && base == 8 && (digits.empty() || digits[0] != L'0'))
        digits.insert(0, 1, L'0');

    std::wstring prefix;
    if (negative) {
        prefix = L"-";
    } else if (conversion == L'd' || conversion == L'i') {
        if (field.plus)
            prefix = L"+";
        else if (field.space)
            prefix = L" ";
    }
    if (field.alternate && base == 16 && magnitude != 0)
        prefix += (conversion == L'X') ? L"0X" : L"0x";

    if (field.zero && !field.left && field.precision < 0) {
        int fillCount = field.width - static_cast<int>(prefix.size() + digits.size());
        if (fillCount > 0) digits.insert(0, static_cast<size_t>(fillCount), L'0');
    }
    pad(out, prefix + digits, field);
}

void formatFloating(std::wstring& out, const Field& field, wchar_t conversion, long double value,
                    bool isLong) {
    std::string format = "%";
    if (field.left) format += '-';
    if (field.plus) format += '+';
    if (field.space) format += ' ';
    if (field.alternate) format += '#';
    if (field.zero) format += '0';
    if (field.width > 0) format += std::to_string(field.width);
    if (field.precision >= 0) {
        format += '.';
        format += std::to_string(field.precision);
    }
    if (isLong) format += 'L';
    format += static_cast<char>(conversion);

    char small[128];
    int n = isLong
                ? std::snprintf(small, sizeof(small), format.c_str(), value)
                : std::snprintf(small, sizeof(small), format.c_str(), static_cast<double>(value));
    if (n < 0) return;
    std::string text;
    if (static_cast<size_t>(n) < sizeof(small)) {
        text.assign(small, static_cast<size_t>(n));
    } else {
        text.resize(static_cast<size_t>(n) + 1);
        if (isLong)
            std::snprintf(text.data(), text.size(), format.c_str(), value);
        else
            std::snprintf(text.data(), text.size(), format.c_str(), static_cast<double>(value));
        text.resize(static_cast<size_t>(n));
    }
    out.append(text.begin(), text.end());
}

// Narrow text of at most maxBytes bytes (-1: up to the terminator) as wide text.
std::wstring narrowToWide(const char* text, int maxBytes) {
    size_t length = maxBytes < 0 ? std::strlen(text) : strnlen(text, static_cast<size_t>(maxBytes));
    return ansiToWide(std::string_view(text, length));
}

}  // namespace

std::wstring vformatWide(const wchar_t* format, va_list args, bool* ok) {
    if (ok) *ok = true;
    std::wstring out;
    if (!format) {
        if (ok) *ok = false;
        return out;
    }
    va_list ap;
    va_copy(ap, args);
    const wchar_t* p = format;
    while (*p) {
        if (*p != L'%') {
            out += *p++;
            continue;
        }
        const wchar_t* start = p++;
        if (*p == L'%') {
            out += L'%';
            ++p;
            continue;
        }
        Field field;
        for (;; ++p) {
            if (*p == L'-')
                field.left = true;
            else if (*p == L'+')
                field.plus = true;
            else if (*p == L' ')
                field.space = true;
            else if (*p == L'#')
                field.alternate = true;
            else if (*p == L'0')
                field.zero = true;
            else
                break;
        }
        if (*p == L'*') {
            field.width = va_arg(ap, int);
            if (field.width < 0) {
                field.left = true;
                field.width = field.width == INT32_MIN ? INT32_MAX : -field.width;
            }
            ++p;
        } else {
            while (*p >= L'0' && *p <= L'9') {
                if (field.width < kMaxField) field.width = field.width * 10 + (*p - L'0');
                ++p;
            }
        }
        if (*p == L'.') {
            ++p;
            field.precision = 0;
            if (*p == L'*') {
                field.precision = va_arg(ap, int);
                if (field.precision < 0) field.precision = -1;
                ++p;
            } else {
                while (*p >= L'0' && *p <= L'9') {
                    if (field.precision < kMaxField)
                        field.precision = field.precision * 10 + (*p - L'0');
                    ++p;
                }
            }
        }
        // Size prefixes. long is 32-bit on the platform these formats come from.
        if (*p == L'h') {
            ++p;
            field.size = Size::kShort;
            if (*p == L'h') ++p, field.size = Size::kChar;
        } else if (*p == L'l') {
            ++p;
            field.size = Size::kLong32;
            if (*p == L'l') ++p, field.size = Size::kLong64;
        } else if (*p == L'w') {
            ++p;
            field.size = Size::kWide;
        } else if (*p == L'L') {
            ++p;
            field.size = Size::kLongDouble;
        } else if (*p == L'I') {
            ++p;
            if (p[0] == L'6' && p[1] == L'4')
                p += 2, field.size = Size::kLong64;
            else if (p[0] == L'3' && p[1] == L'2')
                p += 2, field.size = Size::kDefault;
            else
                field.size = Size::kLong64;
        } else if (*p == L'z' || *p == L't' || *p == L'j') {
            ++p;
            field.size = Size::kLong64;
        }

        if (field.width > kMaxField) field.width = kMaxField;
        if (field.precision > kMaxField) field.precision = kMaxField;
        wchar_t conversion = *p;
        if (conversion == 0) {
            if (ok) *ok = false;
            break;
        }
        ++p;
        switch (conversion) {
            case L'd':
            case L'i': {
                std::int64_t v;
                if (field.size == Size::kLong64)
                    v = va_arg(ap, long long);
                else if (field.size == Size::kShort)
                    v = static_cast<short>(va_arg(ap, int));
                else if (field.size == Size::kChar)
                    v = static_cast<signed char>(va_arg(ap, int));
                else
                    v = va_arg(ap, int);
                std::uint64_t magnitude =
                    v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
                formatInteger(out, field, conversion, magnitude, v < 0);
                break;
            }
            case L'u':
            case L'x':
            case L'X':
            case L'o': {
                std::uint64_t v;
                if (field.size == Size::kLong64)
                    v = va_arg(ap, unsigned long long);
                else if (field.size == Size::kShort)
                    v = static_cast<unsigned short>(va_arg(ap, unsigned));
                else if (field.size == Size::kChar)
                    v = static_cast<unsigned char>(va_arg(ap, unsigned));
                else
                    v = va_arg(ap, unsigned);
                formatInteger(out, field, conversion, v, false);
                break;
            }
            case L'f':
            case L'F':
            case L'e':
            case L'E':
            case L'g':
            case L'G':
            case L'a':
            case L'A': {
                if (field.size == Size::kLongDouble)
                    formatFloating(out, field, conversion, va_arg(ap, long double), true);
                else
                    formatFloating(out, field, conversion, va_arg(ap, double), false);
                break;
            }
            case L'p': {
                void* v = va_arg(ap, void*);
                wchar_t text[32];
                std::swprintf(text, 32, L"%016llX",
                              static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(v)));
                pad(out, text, field);
                break;
            }
            case L's':
            case L'S': {
                bool narrow = conversion == L'S';
                if (field.size == Size::kShort || field.size == Size::kChar) narrow = true;
                if (field.size == Size::kLong32 || field.size == Size::kWide) narrow = false;
                std::wstring text;
                if (narrow) {
                    const char* s = va_arg(ap, const char*);
                    text = s ? narrowToWide(s, field.precision) : std::wstring(L"(null)");
                } else {
                    const wchar_t* s = va_arg(ap, const wchar_t*);
                    text =
                        s ? std::wstring(s, field.precision < 0
                                                ? std::wcslen(s)
                                                : wcsnlen(s, static_cast<size_t>(field.precision)))
                          : std::wstring(L"(null)");
                }
                if (field.precision >= 0 && text.size() > static_cast<size_t>(field.precision)) {
                    text.resize(static_cast<size_t>(field.precision));
                }
                pad(out, text, field, field.zero && !field.left ? L'0' : L' ');
                break;
            }
            case L'c':
            case L'C': {
                bool narrow = conversion == L'C';
                if (field.size == Size::kShort || field.size == Size::kChar) narrow = true;
                if (field.size == Size::kLong32 || field.size == Size::kWide) narrow = false;
                int v = va_arg(ap, int);
                std::wstring text;
                if (narrow) {
                    char c = static_cast<char>(v);
                    text = ansiToWide(std::string_view(&c, 1));
                } else {
                    text.assign(1, static_cast<wchar_t>(v));
                }
                pad(out, text, field, field.zero && !field.left ? L'0' : L' ');
                break;
            }
            default:
                // %n and unknown conversions: the Microsoft runtime rejects the whole call.
                if (ok) *ok = false;
                va_end(ap);
                (void)start;
                return out;
        }
    }
    va_end(ap);
    return out;
}

std::wstring formatWide(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring out = vformatWide(format, args);
    va_end(args);
    return out;
}

}  // namespace cadhost
