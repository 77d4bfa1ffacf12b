// Read-only tag look-ups over object text.
#include "dxf/tag_scan.h"

#include <cstring>

namespace cadhost::dxf {

namespace {

std::string_view stripEol(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

bool TagCursor::next() {
    if (m_pos >= m_text.size()) return false;
    const char* base = m_text.data();
    const std::size_t size = m_text.size();
    // Code line: TagList reads every digit of it and skips anything else.
    int code = 0;
    std::size_t p = m_pos;
    for (; p < size && base[p] != '\n'; ++p)
        if (base[p] >= '0' && base[p] <= '9') code = code * 10 + (base[p] - '0');
    p = p < size ? p + 1 : size;
    std::size_t end = size;
    if (p < size) {
        const void* nl = std::memchr(base + p, '\n', size - p);
        end = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - base) + 1 : size;
    }
    m_value = stripEol(m_text.substr(p, end - p));
    m_code = code;
    m_pos = end;
    ++m_index;
    return true;
}

std::string_view TagCursor::trimmedValue() const { return trimmed(m_value); }

bool findInSubclass(std::string_view text, std::string_view marker, int code, std::string_view& value) {
    // One pass: while the marker has not come up, remember the first match after the 0 tag in
    // case the object turns out to have no markers at all (then all its fields form one span).
    const bool twoMarkers = marker == "AcDbSymbolTableRecord";
    bool anyMarker = false;
    bool fallback = false;
    std::string_view fallbackValue;
    TagCursor t(text);
    while (t.next()) {
        const int c = t.code();
        if (c == 1001) break;
        if (c == 100) {
            anyMarker = true;
            if (t.trimmedValue() != marker) continue;
            // Inside the subclass: up to the next marker or the extended data. A symbol table
            // record's fields run on through its second marker.
            bool extended = false;
            while (t.next()) {
                if (t.code() == 1001) return false;
                if (t.code() == 100) {
                    if (!twoMarkers || extended) return false;
                    extended = true;
                }
                if (t.code() == code) {
                    value = t.value();
                    return true;
                }
            }
            return false;
        }
        if (!anyMarker && !fallback && t.index() >= 1 && c == code) {
            fallback = true;
            fallbackValue = t.value();
        }
    }
    if (anyMarker || !fallback) return false;
    value = fallbackValue;
    return true;
}

bool findBeforeSubclasses(std::string_view text, int code, std::string_view& value) {
    TagCursor t(text);
    while (t.next()) {
        if (t.code() == 100 || t.code() == 1001) return false;
        if (t.index() >= 1 && t.code() == code) {
            value = t.value();
            return true;
        }
    }
    return false;
}

}  // namespace cadhost::dxf
