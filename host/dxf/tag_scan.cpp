// Read-only tag look-ups over object text.
#include "dxf/tag_scan.h"

namespace cadhost::dxf {

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool TagCursor::next() {
    const char* p = m_text.data() + m_pos;
    const char* const end = m_text.data() + m_text.size();
    if (p >= end) return false;
    // Code line: TagList reads every digit of it and skips anything else. Lines are short:
    // a plain loop beats a memchr call per line.
    int code = 0;
    for (; p < end && *p != '\n'; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - static_cast<unsigned>('0');
        if (digit < 10) code = code * 10 + static_cast<int>(digit);
    }
    if (p < end) ++p;
    const char* value = p;
    while (p < end && *p != '\n') ++p;
    const char* valueEnd = p;
    if (p < end) ++p;
    if (valueEnd > value && valueEnd[-1] == '\r') --valueEnd;
    m_value = std::string_view(value, static_cast<std::size_t>(valueEnd - value));
    m_code = code;
    m_pos = static_cast<std::size_t>(p - m_text.data());
    ++m_index;
    return true;
}

std::string_view TagCursor::trimmedValue() const { return trimBlanks(m_value); }

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
