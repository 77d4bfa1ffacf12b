// Letter case and character classes as the host compares names: command names, application
// names and wildcard matches. Independent of the C library's locale, which a host process
// cannot rely on.
#pragma once

#include <string_view>

namespace cadhost::names {

// The lower-case form of c (the platform layer's case table); other characters unchanged.
wchar_t foldCase(wchar_t c);

// True for letters of the Latin, Greek and Cyrillic scripts (and whatever else the C library
// calls alphabetic).
bool isLetter(wchar_t c);
// True for the ASCII digits 0 to 9 only.
inline bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Equal when the texts differ at most in letter case.
bool equalNoCase(std::wstring_view a, std::wstring_view b);

}  // namespace cadhost::names
