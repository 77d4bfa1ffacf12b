// Code page conversions. Single-byte code pages are turned into a 256-entry table once (iconv
// byte by byte), which makes undefined bytes explicit; multibyte code pages stream through
// iconv; UTF-8 is done here directly.
#include "win/code_page.h"

#include <errno.h>
#include <iconv.h>

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace cadhost {

// UTF-8 to wide text; *invalid set when a sequence had to be replaced.
std::wstring decodeUtf8(std::string_view text, bool* invalid);

namespace {

constexpr unsigned kUtf8 = 65001;
constexpr wchar_t kReplacement = 0xFFFD;
constexpr wchar_t kNoChar = static_cast<wchar_t>(-1);

std::atomic<unsigned> g_ansiCodePage{1252};

std::string iconvName(unsigned codePage) {
    switch (codePage) {
        case 932:
            return "WINDOWS-31J";
        case 936:
            return "GBK";
        case 949:
            return "UHC";
        case 950:
            return "BIG5";
        case 20127:
            return "ASCII";
        case 20866:
            return "KOI8-R";
        case 21866:
            return "KOI8-U";
        case 54936:
            return "GB18030";
        default:
            break;
    }
    if (codePage >= 28591 && codePage <= 28606)
        return "ISO-8859-" + std::to_string(codePage - 28590);
    return "CP" + std::to_string(codePage);
}

class Iconv {
  public:
    Iconv(const std::string& to, const std::string& from)
        : m_cd(iconv_open(to.c_str(), from.c_str())) {}
    ~Iconv() {
        if (valid()) iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }
    void reset() { iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }

  private:
    iconv_t m_cd;
};

// One code page as the converters see it.
struct CodePage {
    unsigned number = 0;
    bool singleByte = false;
    std::array<wchar_t, 256> toWide{};                  // single-byte: kNoChar when undefined
    std::unordered_map<wchar_t, unsigned char> toByte;  // single-byte: the reverse
};

std::unique_ptr<CodePage> buildCodePage(unsigned number) {
    Iconv cd("WCHAR_T", iconvName(number));
    if (!cd.valid()) return nullptr;
    auto page = std::make_unique<CodePage>();
    page->number = number;
    page->singleByte = true;
    for (int b = 0; b < 256; ++b) {
        cd.reset();
        char in = static_cast<char>(b);
        wchar_t out[4];
        char* inPtr = &in;
        size_t inLeft = 1;
        char* outPtr = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof(out);
        size_t r = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        if (r == static_cast<size_t>(-1) && errno == EINVAL) {
            page->singleByte = false;  // a lead byte: a multibyte code page
            break;
        }
        size_t produced = (sizeof(out) - outLeft) / sizeof(wchar_t);
        page->toWide[b] = (r != static_cast<size_t>(-1) && produced == 1) ? out[0] : kNoChar;
    }
    if (!page->singleByte) return page;
    // The Windows 125x code pages map their undefined bytes to the C1 control of the same
    // value (1252: 0x81 0x8D 0x8F 0x90 0x9D), in both directions.
    if (number >= 1250 && number <= 1258) {
        for (int b = 0x80; b < 0xA0; ++b) {
            if (page->toWide[b] == kNoChar) page->toWide[b] = static_cast<wchar_t>(b);
        }
    }
    for (int b = 255; b >= 0; --b) {
        if (page->toWide[b] != kNoChar)
            page->toByte[page->toWide[b]] = static_cast<unsigned char>(b);
    }
    return page;
}

// Code pages are built once and live for the program's lifetime.
const CodePage* findCodePage(unsigned number) {
    static std::mutex mutex;
    static std::map<unsigned, std::unique_ptr<CodePage>> pages;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = pages.find(number);
    if (it == pages.end()) it = pages.emplace(number, buildCodePage(number)).first;
    return it->second.get();
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

std::wstring multibyteToWide(std::string_view text, const CodePage& page, bool* invalid) {
    std::wstring out;
    Iconv cd("WCHAR_T", iconvName(page.number));
    if (!cd.valid()) {
        if (invalid) *invalid = true;
        return out;
    }
    std::string input(text);
    char* inPtr = input.data();
    size_t inLeft = input.size();
    wchar_t buffer[256];
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(buffer);
        size_t outLeft = sizeof(buffer);
        size_t r = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, (sizeof(buffer) - outLeft) / sizeof(wchar_t));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // An invalid or truncated sequence: one replacement per bad byte, then go on.
            if (invalid) *invalid = true;
            out += kReplacement;
            ++inPtr;
            --inLeft;
            cd.reset();
        }
    }
    return out;
}

std::string wideToMultibyte(std::wstring_view text, const CodePage& page, bool* lossy) {
    std::string out;
    Iconv cd(iconvName(page.number), "WCHAR_T");
    if (!cd.valid()) {
        if (lossy && !text.empty()) *lossy = true;
        return std::string(text.size(), '?');
    }
    std::wstring input(text);
    char* inPtr = reinterpret_cast<char*>(input.data());
    size_t inLeft = input.size() * sizeof(wchar_t);
    char buffer[512];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof(buffer);
        size_t r = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, sizeof(buffer) - outLeft);
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            if (lossy) *lossy = true;
            out += '?';
            inPtr += sizeof(wchar_t);
            inLeft = inLeft >= sizeof(wchar_t) ? inLeft - sizeof(wchar_t) : 0;
            cd.reset();
        }
    }
    // Flush any shift state.
    char* outPtr = buffer;
    size_t outLeft = sizeof(buffer);
    iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, sizeof(buffer) - outLeft);
    return out;
}

}  // namespace

bool setAnsiCodePage(unsigned codePage) {
    if (!isCodePageSupported(codePage)) return false;
    g_ansiCodePage = codePage;
    return true;
}

unsigned ansiCodePage() { return g_ansiCodePage; }

bool isCodePageSupported(unsigned codePage) {
    return codePage == kUtf8 || findCodePage(codePage) != nullptr;
}

std::wstring toWide(std::string_view text, unsigned codePage, bool* invalid) {
    if (invalid) *invalid = false;
    if (codePage == kUtf8) return decodeUtf8(text, invalid);
    const CodePage* page = findCodePage(codePage);
    if (!page) {
        if (invalid) *invalid = true;
        return std::wstring(text.size(), kReplacement);
    }
    if (!page->singleByte) return multibyteToWide(text, *page, invalid);
    std::wstring out;
    out.reserve(text.size());
    for (char c : text) {
        wchar_t w = page->toWide[static_cast<unsigned char>(c)];
        if (w == kNoChar) {
            if (invalid) *invalid = true;
            w = kReplacement;
        }
        out += w;
    }
    return out;
}

std::string fromWide(std::wstring_view text, unsigned codePage, bool* lossy) {
    if (lossy) *lossy = false;
    if (codePage == kUtf8) return toUtf8(text);
    const CodePage* page = findCodePage(codePage);
    if (!page) {
        if (lossy && !text.empty()) *lossy = true;
        return std::string(text.size(), '?');
    }
    if (!page->singleByte) return wideToMultibyte(text, *page, lossy);
    std::string out;
    out.reserve(text.size());
    for (wchar_t w : text) {
        auto it = page->toByte.find(w);
        if (it == page->toByte.end()) {
            if (lossy) *lossy = true;
            out += '?';
        } else {
            out += static_cast<char>(it->second);
        }
    }
    return out;
}

std::wstring ansiToWide(std::string_view text) { return toWide(text, ansiCodePage()); }

std::string wideToAnsi(std::wstring_view text, bool* lossy) {
    return fromWide(text, ansiCodePage(), lossy);
}

std::string toUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            char32_t low = static_cast<char32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (isSurrogate(c) || c > 0x10FFFF) c = kReplacement;
        appendUtf8(out, c);
    }
    return out;
}

std::wstring fromUtf8(std::string_view text) { return decodeUtf8(text, nullptr); }

std::wstring decodeUtf8(std::string_view text, bool* invalid) {
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        char32_t c;
        size_t extra;
        char32_t min;
        if (b < 0x80) {
            out += static_cast<wchar_t>(b);
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            c = b & 0x1F, extra = 1, min = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            c = b & 0x0F, extra = 2, min = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            c = b & 0x07, extra = 3, min = 0x10000;
        } else {
            if (invalid) *invalid = true;
            out += kReplacement;
            ++i;
            continue;
        }
        size_t j = 1;
        for (; j <= extra && i + j < text.size(); ++j) {
            unsigned char t = static_cast<unsigned char>(text[i + j]);
            if ((t & 0xC0) != 0x80) break;
            c = (c << 6) | (t & 0x3F);
        }
        if (j <= extra || c < min || c > 0x10FFFF || isSurrogate(c)) {
            // Invalid or cut short: replace the lead byte (and the continuation bytes it
            // consumed when the sequence was complete but meant something invalid).
            if (invalid) *invalid = true;
            out += kReplacement;
            i += (j <= extra) ? j : extra + 1;
            continue;
        }
        out += static_cast<wchar_t>(c);
        i += extra + 1;
    }
    return out;
}

std::u16string toUtf16(std::wstring_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (wchar_t w : text) {
        char32_t c = static_cast<char32_t>(w);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c > 0x10FFFF ? kReplacement : c);
        }
    }
    return out;
}

std::wstring fromUtf16(std::u16string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        out += static_cast<wchar_t>(c);
    }
    return out;
}

}  // namespace cadhost
