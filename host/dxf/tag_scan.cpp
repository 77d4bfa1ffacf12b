// Read-only tag look-ups over object text.
#include "dxf/tag_scan.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace cadhost::dxf {

namespace {

// The first line end in [p, end), or end. Eight bytes at a time: values and code lines are
// mostly shorter than sixteen bytes, where a call into memchr costs more than the search.
inline const char* lineEnd(const char* p, const char* end) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    constexpr std::uint64_t kNewlines = kOnes * static_cast<unsigned char>('\n');
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        const std::uint64_t x = word ^ kNewlines;
        // The lowest byte flagged here is the first newline (higher flags may be false ones).
        const std::uint64_t found = (x - kOnes) & ~x & kHighs;
        if (found != 0) return p + (std::countr_zero(found) >> 3);
        p += 8;
    }
    while (p < end && *p != '\n') ++p;
    return p;
}

}  // namespace

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool TagCursor::next() {
    const char* p = m_text.data() + m_pos;
    const char* const end = m_text.data() + m_text.size();
    if (p >= end) return false;
    // Code line: TagList reads every digit of it and skips anything else. Most writers pad
    // codes to three characters ("  5", "330"): that line is read without a loop.
    int code = 0;
    if (end - p >= 4 && p[3] == '\n') {
        for (int i = 0; i < 3; ++i) {
            const unsigned digit = static_cast<unsigned char>(p[i]) - static_cast<unsigned>('0');
            if (digit < 10) code = code * 10 + static_cast<int>(digit);
        }
        p += 4;
    } else {
        for (; p < end && *p != '\n'; ++p) {
            const unsigned digit = static_cast<unsigned char>(*p) - static_cast<unsigned>('0');
            if (digit < 10) code = code * 10 + static_cast<int>(digit);
        }
        if (p < end) ++p;
    }
    const char* value = p;
    const char* valueEnd = lineEnd(p, end);
    p = valueEnd < end ? valueEnd + 1 : end;
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
