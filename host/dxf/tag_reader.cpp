// Splitting DXF text into raw tags. Lines end with LF or CR LF; a lone CR is part of the line.
#include "dxf/tag_reader.h"

#include <cstring>

namespace cadhost::dxf {

bool parseGroupCode(std::string_view text, int& code) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    if (b == e || e - b > 4) return false;
    int value = 0;
    for (std::size_t i = b; i < e; ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > 1071) return false;
    code = value;
    return true;
}

bool TagReader::readLine(std::string_view& line) {
    if (m_pos >= m_text.size()) return false;
    const char* start = m_text.data() + m_pos;
    std::size_t left = m_text.size() - m_pos;
    const void* nl = std::memchr(start, '\n', left);
    std::size_t len = nl ? static_cast<const char*>(nl) - start : left;
    m_pos += nl ? len + 1 : len;
    if (nl && len > 0 && start[len - 1] == '\r') --len;
    line = std::string_view(start, len);
    ++m_line;
    return true;
}

TagReader::Result TagReader::next(RawTag& tag) {
    if (!m_error.empty()) return kError;
    tag.begin = m_pos;
    tag.line = m_line;
    std::string_view codeLine;
    if (!readLine(codeLine)) return kEnd;
    if (!parseGroupCode(codeLine, tag.code)) {
        std::string shown(codeLine.substr(0, 40));
        for (char& c : shown)
            if (static_cast<unsigned char>(c) < 0x20) c = '?';
        m_error = "invalid group code \"" + shown + "\" at line " + std::to_string(tag.line);
        return kError;
    }
    std::string_view value;
    if (!readLine(value)) {
        m_error = "group code at line " + std::to_string(tag.line) + " has no value (file truncated)";
        return kError;
    }
    tag.codeText = codeLine;
    tag.value = value;
    tag.end = m_pos;
    return kTag;
}

}  // namespace cadhost::dxf
