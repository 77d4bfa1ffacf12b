// First rung of the DXF ladder: splits ASCII DXF text into raw tags (a group code line and a
// value line), without interpreting or decoding anything. Reads untrusted input: every line is
// checked, and errors name the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

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

class TagReader {
public:
    enum Result { kTag, kEnd, kError };

    // Reads text from offset on; line is the line number at offset.
    explicit TagReader(std::string_view text, std::size_t offset = 0, std::uint32_t line = 1)
        : m_text(text), m_pos(offset), m_line(line) {}

    // kTag and the next tag; kEnd at the end of the text; kError with error() set (and stays
    // there) for a code line that is not a group code or a code line without a value line.
    // Inline: the file scan calls it for every tag.
    Result next(RawTag& tag) {
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
    // The line at m_pos without its line end; advances past it. False at the end of the text.
    bool readLine(std::string_view& line) {
        if (m_pos >= m_text.size()) return false;
        const char* start = m_text.data() + m_pos;
        std::size_t left = m_text.size() - m_pos;
        const void* nl = std::memchr(start, '\n', left);
        std::size_t len = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - start) : left;
        m_pos += nl ? len + 1 : len;
        if (nl && len > 0 && start[len - 1] == '\r') --len;
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
    std::string m_error;
};

}  // namespace cadhost::dxf
