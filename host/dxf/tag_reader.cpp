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

TagReader::Result TagReader::fail(std::string_view codeLine, std::uint32_t line) {
    std::string shown(codeLine.substr(0, 40));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    m_error = "invalid group code \"" + shown + "\" at line " + std::to_string(line);
    return kError;
}

TagReader::Result TagReader::failTruncated(std::uint32_t line) {
    m_error = "group code at line " + std::to_string(line) + " has no value (file truncated)";
    return kError;
}

}  // namespace cadhost::dxf
