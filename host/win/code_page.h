// The host's ANSI code page and conversions between wide text and 8-bit text (iconv). Used by
// MultiByteToWideChar / WideCharToMultiByte, CString, CStdioFile, the DXF layer and cadhost.
#pragma once

#include <string>
#include <string_view>

namespace cadhost {

// The code page that CP_ACP / CP_THREAD_ACP stand for: 1252 unless changed. Returns false (and
// keeps the current one) when iconv does not know the code page.
bool setAnsiCodePage(unsigned codePage);
unsigned ansiCodePage();

// True when conversions with this code page are available (65001 = UTF-8 always is).
bool isCodePageSupported(unsigned codePage);

// 8-bit text in the given code page to wide text. Bytes the code page does not define become
// U+FFFD and set *invalid (when given; cleared first), except in the Windows 125x code pages,
// whose undefined bytes 0x80..0x9F map to U+0080..U+009F as Windows maps them (1252: 0x81
// 0x8D 0x8F 0x90 0x9D), in both directions. An unknown code page gives U+FFFD throughout.
std::wstring toWide(std::string_view text, unsigned codePage, bool* invalid = nullptr);
// Wide text to the given code page. Characters it cannot represent become '?' and set *lossy
// (when given; it is cleared first).
std::string fromWide(std::wstring_view text, unsigned codePage, bool* lossy = nullptr);

// The same with the ANSI code page.
std::wstring ansiToWide(std::string_view text);
std::string wideToAnsi(std::wstring_view text, bool* lossy = nullptr);

// UTF-8. Invalid sequences become U+FFFD; unpaired surrogates in wide text become U+FFFD.
std::string toUtf8(std::wstring_view text);
std::wstring fromUtf8(std::string_view text);

// Wide text as UTF-16 code units (characters above U+FFFF become surrogate pairs), and back
// (unpaired surrogates kept as they are). For hashing and ordering "as UTF-16 would".
std::u16string toUtf16(std::wstring_view text);
std::wstring fromUtf16(std::u16string_view text);

}  // namespace cadhost
