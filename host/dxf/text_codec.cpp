// Code pages, UTF-8 and \U+XXXX escapes of DXF text values.
#include "dxf/text_codec.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace cadhost::dxf {

namespace {

int hexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

// Replaces \U+XXXX by the character; anything else stays as it is.
std::wstring decodeEscapes(std::wstring s) {
    std::size_t at = s.find(L"\\U+");
    if (at == std::wstring::npos) return s;
    std::wstring out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] == L'\\' && i + 6 < s.size() && s[i + 1] == L'U' && s[i + 2] == L'+') {
            int v = 0;
            bool ok = true;
            for (int k = 3; k < 7; ++k) {
                int d = hexDigit(s[i + static_cast<std::size_t>(k)]);
                if (d < 0) {
                    ok = false;
                    break;
                }
                v = v * 16 + d;
            }
            if (ok) {
                // A pair of escaped UTF-16 surrogates is one character.
                if (v >= 0xD800 && v < 0xDC00 && i + 13 < s.size() && s[i + 7] == L'\\' && s[i + 8] == L'U' &&
                    s[i + 9] == L'+') {
                    int lo = 0;
                    for (int k = 10; k < 14 && lo >= 0; ++k) {
                        int d = hexDigit(s[i + static_cast<std::size_t>(k)]);
                        lo = d < 0 ? -1 : lo * 16 + d;
                    }
                    if (lo >= 0xDC00 && lo < 0xE000) {
                        out.push_back(static_cast<wchar_t>(0x10000 + ((v - 0xD800) << 10) + (lo - 0xDC00)));
                        i += 14;
                        continue;
                    }
                }
                out.push_back(static_cast<wchar_t>(v));
                i += 7;
                continue;
            }
        }
        out.push_back(s[i++]);
    }
    return out;
}

// Decodes UTF-8; a byte that does not start a valid sequence is taken as Latin-1.
std::wstring decodeUtf8(std::string_view s) {
    std::wstring out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        }
        int n = c >= 0xF0 && c < 0xF5 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 ? 1 : 0;
        if (c >= 0xF5) n = 0;
        std::uint32_t cp = n == 3 ? c & 0x07 : n == 2 ? c & 0x0F : c & 0x1F;
        bool ok = n > 0;
        for (int k = 1; ok && k <= n; ++k) {
            if (i + static_cast<std::size_t>(k) >= s.size()) {
                ok = false;
                break;
            }
            auto d = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((d & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (d & 0x3F);
        }
        if (ok && ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp < 0xE000)))
            ok = false;
        if (!ok) {
            out.push_back(c);
            ++i;
            continue;
        }
        out.push_back(static_cast<wchar_t>(cp));
        i += static_cast<std::size_t>(n) + 1;
    }
    return out;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void appendEscape(std::string& out, std::uint32_t cp) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "\\U+%04X", static_cast<unsigned>(cp));
    out += buf;
}

}  // namespace

std::string TextCodec::iconvName(std::string_view codepage) {
    std::string cp;
    for (char c : codepage) cp.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    if (cp.rfind("ANSI_", 0) == 0) {
        std::string n = cp.substr(5);
        if (n == "936") return "GBK";
        if (n == "950") return "BIG5";
        if (n == "949") return "CP949";
        if (n == "932") return "CP932";
        if (n == "874") return "CP874";
        if (n.size() == 4 && n.rfind("125", 0) == 0 && n[3] >= '0' && n[3] <= '8') return "CP" + n;
    }
    if (cp == "BIG5" || cp == "GB2312") return cp == "BIG5" ? "BIG5" : "GBK";
    return "CP1252";
}

TextCodec::TextCodec(int version, std::string_view codepage)
    : m_utf8(version >= 1021), m_charset(iconvName(codepage)) {}

TextCodec::~TextCodec() {
    if (m_toWide != reinterpret_cast<iconv_t>(-1)) iconv_close(m_toWide);
    if (m_fromWide != reinterpret_cast<iconv_t>(-1)) iconv_close(m_fromWide);
}

void TextCodec::decode(std::string_view raw, std::wstring& out) const {
    // Nearly every value is ASCII without escapes: widened as it stands, in place.
    for (char c : raw)
        if (static_cast<unsigned char>(c) >= 0x80 || c == '\\') {
            out = decode(raw);
            return;
        }
    out.resize(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) out[i] = static_cast<unsigned char>(raw[i]);
}

std::wstring TextCodec::decode(std::string_view raw) const {
    bool ascii = true;
    for (char c : raw)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    std::wstring wide;
    if (ascii) {
        wide.assign(raw.begin(), raw.end());
    } else if (m_utf8) {
        wide = decodeUtf8(raw);
    } else {
        if (m_toWide == reinterpret_cast<iconv_t>(-1)) m_toWide = iconv_open("WCHAR_T", m_charset.c_str());
        if (m_toWide == reinterpret_cast<iconv_t>(-1)) {
            for (char c : raw) wide.push_back(static_cast<unsigned char>(c));
        } else {
            iconv(m_toWide, nullptr, nullptr, nullptr, nullptr);
            std::wstring out(raw.size() + 1, L'\0');
            char* in = const_cast<char*>(raw.data());
            std::size_t inLeft = raw.size();
            char* o = reinterpret_cast<char*>(out.data());
            std::size_t outLeft = out.size() * sizeof(wchar_t);
            while (inLeft > 0) {
                if (iconv(m_toWide, &in, &inLeft, &o, &outLeft) != static_cast<std::size_t>(-1)) break;
                // A byte the code page does not define: keep it as the same-numbered character.
                if (outLeft < sizeof(wchar_t)) break;
                wchar_t w = static_cast<unsigned char>(*in);
                std::memcpy(o, &w, sizeof w);
                o += sizeof w;
                outLeft -= sizeof w;
                ++in;
                --inLeft;
            }
            out.resize(static_cast<std::size_t>(o - reinterpret_cast<char*>(out.data())) / sizeof(wchar_t));
            wide = std::move(out);
        }
    }
    return decodeEscapes(std::move(wide));
}

// True when text at i starts an escape that decoding would turn into a character.
static bool startsEscape(std::wstring_view text, std::size_t i) {
    if (i + 6 >= text.size() || text[i] != L'\\' || text[i + 1] != L'U' || text[i + 2] != L'+') return false;
    for (std::size_t k = 3; k < 7; ++k)
        if (hexDigit(text[i + k]) < 0) return false;
    return true;
}

std::string TextCodec::encode(std::wstring_view text) const {
    std::string out;
    out.reserve(text.size());
    std::size_t plain = 0;
    while (plain < text.size() && static_cast<std::uint32_t>(text[plain]) < 0x80 && text[plain] != L'\\') ++plain;
    out.resize(plain);
    for (std::size_t i = 0; i < plain; ++i) out[i] = static_cast<char>(text[i]);
    if (plain == text.size()) return out;
    for (std::size_t i = plain; i < text.size(); ++i) {
        wchar_t w = text[i];
        auto cp = static_cast<std::uint32_t>(w);
        if (w == L'\\' && startsEscape(text, i)) {
            // A literal "\U+XXXX" in the text: its backslash is escaped so it reads back as typed.
            appendEscape(out, cp);
        } else if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (m_utf8) {
            if ((cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF) appendEscape(out, cp > 0x10FFFF ? 0xFFFD : cp);
            else appendUtf8(out, cp);
        } else {
            if (m_fromWide == reinterpret_cast<iconv_t>(-1)) m_fromWide = iconv_open(m_charset.c_str(), "WCHAR_T");
            char buf[8];
            bool ok = false;
            if (m_fromWide != reinterpret_cast<iconv_t>(-1) && cp <= 0xFFFF) {
                iconv(m_fromWide, nullptr, nullptr, nullptr, nullptr);
                wchar_t one = w;
                char* in = reinterpret_cast<char*>(&one);
                std::size_t inLeft = sizeof one;
                char* o = buf;
                std::size_t outLeft = sizeof buf;
                ok = iconv(m_fromWide, &in, &inLeft, &o, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
                if (ok) out.append(buf, static_cast<std::size_t>(o - buf));
            }
            if (!ok) {
                if (cp > 0xFFFF) {  // as UTF-16 surrogates: the escape holds 4 digits
                    cp -= 0x10000;
                    appendEscape(out, 0xD800 + (cp >> 10));
                    appendEscape(out, 0xDC00 + (cp & 0x3FF));
                } else {
                    appendEscape(out, cp);
                }
            }
        }
    }
    return out;
}

}  // namespace cadhost::dxf
