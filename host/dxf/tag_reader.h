// First rung of the DXF ladder: splits ASCII DXF text into raw tags (a group code line and a
// value line), without interpreting or decoding anything. Reads untrusted input: every line is
// checked, and errors name the line.
#pragma once

#include <cstddef>
#include <cstdint>
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
    Result next(RawTag& tag);

    const std::string& error() const { return m_error; }
    std::size_t offset() const { return m_pos; }
    std::uint32_t line() const { return m_line; }

private:
    // The line at m_pos without its line end; advances past it. False at the end of the text.
    bool readLine(std::string_view& line);

    std::string_view m_text;
    std::size_t m_pos;
    std::uint32_t m_line;
    std::string m_error;
};

}  // namespace cadhost::dxf
