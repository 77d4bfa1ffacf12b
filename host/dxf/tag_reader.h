// First rung of the DXF ladder: splits ASCII DXF text into raw tags (a group code line and a
// value line), without interpreting or decoding anything. Reads untrusted input: every line is
// checked, and errors name the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cadhost::dxf {

// One tag as it stands in the file. Views point into the scanned text.
struct RawTag {
    int code = 0;
    std::string_view codeText;  // the code line without its line end (may hold blanks)
    std::string_view value;     // the value line without its line end (blanks kept)
    std::size_t begin = 0;      // offset of the code line
    std::size_t end = 0;        // offset just after the value line's line end
    std::uint32_t line = 0;     // 1-based line number of the code line
};

// Parses a group code line: optional blanks around an integer in 0..1071. False otherwise.
bool parseGroupCode(std::string_view text, int& code);

// Bit i set when p[i] is a line feed, for the first n (at most 64) bytes at p.
inline std::uint64_t lineFeedMaskPortable(const char* p, std::size_t n) {
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < n; ++i) mask |= static_cast<std::uint64_t>(p[i] == '\n') << i;
    return mask;
}

#if defined(__SSE2__)
// The same for 16 bytes.
inline std::uint64_t lineFeedMask16(const char* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))));
}
#endif

// The same for a whole block of 64 bytes.
inline std::uint64_t lineFeedMask64(const char* p) {
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    std::uint64_t mask = 0;
    for (int i = 0; i < 4; ++i) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        auto bits = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
        mask |= static_cast<std::uint64_t>(bits) << (16 * i);
    }
    return mask;
#else
    return lineFeedMaskPortable(p, 64);
#endif
}

class TagReader {
public:
    enum Result { kTag, kEnd, kError };

    // Reads text from offset on; line is the line number at offset.
    explicit TagReader(std::string_view text, std::size_t offset = 0, std::uint32_t line = 1)
        : m_text(text), m_pos(offset), m_line(line), m_block(offset) {
        loadBlock();
    }

    // kTag and the next tag; kEnd at the end of the text; kError with error() set (and stays
    // there) for a code line that is not a group code or a code line without a value line.
    // Inlined: the file scan calls it for every tag.
    [[gnu::always_inline]] Result next(RawTag& tag) {
        if (!m_error.empty()) return kError;
        tag.begin = m_pos;
        tag.line = m_line;
        std::string_view codeLine, value;
        if (!readLine(codeLine)) return kEnd;
        if (!fastCode(codeLine, tag.code) && !parseGroupCode(codeLine, tag.code)) return fail(codeLine, tag.line);
        if (!readLine(value)) return failTruncated(tag.line);
        tag.codeText = codeLine;
        tag.value = value;
        tag.end = m_pos;
        return kTag;
    }

    const std::string& error() const { return m_error; }
    std::size_t offset() const { return m_pos; }
    std::uint32_t line() const { return m_line; }

private:
    // Lines average under ten bytes, so finding each line end with its own memchr costs more
    // than the search: the line feeds of 64 bytes are found at once and kept as a bit mask.
    // m_mask holds those of the block at m_block that lie at or after m_pos.
    void loadBlock() {
        if (m_block >= m_text.size()) {
            m_mask = 0;
            return;
        }
        std::size_t left = m_text.size() - m_block;
        m_mask = left >= 64 ? lineFeedMask64(m_text.data() + m_block)
                            : lineFeedMaskPortable(m_text.data() + m_block, left);
    }
    // Offset of the next line feed at or after m_pos, or the text size when there is none.
    std::size_t nextLineFeed() {
        while (m_mask == 0) {
            if (m_text.size() - m_block <= 64) return m_text.size();
            m_block += 64;
            loadBlock();
        }
        std::size_t at = m_block + static_cast<std::size_t>(__builtin_ctzll(m_mask));
        m_mask &= m_mask - 1;
        return at;
    }
    // The line at m_pos without its line end; advances past it. False at the end of the text.
    bool readLine(std::string_view& line) {
        if (m_pos >= m_text.size()) return false;
        std::size_t nl = nextLineFeed();
        const char* start = m_text.data() + m_pos;
        std::size_t len = nl - m_pos;
        if (nl < m_text.size()) {
            m_pos = nl + 1;
            if (len > 0 && start[len - 1] == '\r') --len;
        } else {
            m_pos = nl;
        }
        line = std::string_view(start, len);
        ++m_line;
        return true;
    }
    // Codes as AutoCAD writes them: right-aligned digits in three columns, or four digits.
    static bool fastCode(std::string_view s, int& code) {
        int v = 0;
        std::size_t i = 0;
        while (i < s.size() && s[i] == ' ') ++i;
        if (i == s.size() || s.size() > 4) return false;
        for (; i < s.size(); ++i) {
            unsigned d = static_cast<unsigned>(s[i] - '0');
            if (d > 9) return false;
            v = v * 10 + static_cast<int>(d);
        }
        if (v > 1071) return false;
        code = v;
        return true;
    }
    Result fail(std::string_view codeLine, std::uint32_t line);
    Result failTruncated(std::uint32_t line);

    std::string_view m_text;
    std::size_t m_pos;
    std::uint32_t m_line;
    std::size_t m_block;     // start of the 64-byte block whose line feeds m_mask holds
    std::uint64_t m_mask = 0;
    std::string m_error;
};

}  // namespace cadhost::dxf
