// Case folding and letter classes for the scripts drawing names are written in.
#include "arx/case_fold.h"

#include <cwctype>

#include "win/char_case.h"

namespace cadhost::names {

wchar_t foldCase(wchar_t c) { return toLowerChar(c); }

bool isLetter(wchar_t c) {
    if (c < 0x80) return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
    if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;
    if (c >= 0x386 && c <= 0x3FF) return c != 0x387;
    if (c >= 0x400 && c <= 0x52F) return !(c >= 0x482 && c <= 0x489);
    return std::iswalpha(static_cast<std::wint_t>(c)) != 0;
}

bool equalNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldCase(a[i]) != foldCase(b[i])) return false;
    return true;
}

}  // namespace cadhost::names
