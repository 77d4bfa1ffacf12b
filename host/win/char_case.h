// The host's letter case table: locale-independent upper/lower case of ASCII, Latin-1, Latin
// Extended-A, Greek and Cyrillic letters (ä <-> Ä, ÿ -> Ÿ; ß and other letters without a
// single-character partner stay). Used by CString, _wcsicmp and friends.
#pragma once

#include <string_view>

namespace cadhost {

wchar_t toUpperChar(wchar_t ch);
wchar_t toLowerChar(wchar_t ch);

// <0, 0, >0 comparing lower-cased characters as unsigned values (as _wcsicmp does).
int compareNoCase(std::wstring_view a, std::wstring_view b);

}  // namespace cadhost
