// Text of a drawing file to wide text and back. R2007 (AC1021) and later files are UTF-8;
// older ones use the code page of $DWGCODEPAGE, with \U+XXXX escapes for other characters.
// Escapes are decoded in every version (either hex case); only edited values are encoded.
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

namespace cadhost::dxf {

class TextCodec {
public:
    // version: 1015 ... 1032; codepage: the $DWGCODEPAGE value (unknown names mean ANSI_1252).
    TextCodec(int version, std::string_view codepage);
    ~TextCodec();
    TextCodec(const TextCodec&) = delete;
    TextCodec& operator=(const TextCodec&) = delete;

    std::wstring decode(std::string_view raw) const;
    // The same into out, reusing its storage (getters hand out text from a buffer per object).
    void decode(std::string_view raw, std::wstring& out) const;
    // Characters the file cannot hold as bytes become \U+XXXX (upper-case hex).
    std::string encode(std::wstring_view text) const;

    bool utf8() const { return m_utf8; }
    // The iconv name used for a $DWGCODEPAGE value.
    static std::string iconvName(std::string_view codepage);

private:
    bool m_utf8;
    std::string m_charset;
    mutable iconv_t m_toWide = reinterpret_cast<iconv_t>(-1);
    mutable iconv_t m_fromWide = reinterpret_cast<iconv_t>(-1);
};

}  // namespace cadhost::dxf
