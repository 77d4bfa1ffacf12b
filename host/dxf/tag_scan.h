// Read-only look-ups in an object's text, without splitting it into a TagList first. Opening
// an object to ask one question (its visibility, its block name, a layout's name) is the most
// common thing the database does; these walk the text once and stop at the answer. An object
// that is asked and changed several times walks it once into spots and looks there. They follow
// the same rules as TagList's look-ups, so an object answers alike before and after it is split.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "dxf/tag_reader.h"

namespace cadhost::dxf {

// A value without the blanks and tabs around it (writers pad markers and names).
inline std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Steps through the tags of object text: code line, then value line. All inline, so that a
// walk keeps its state in registers: every look-up steps through most of an object's tags
// and asks for few of their values.
class TagCursor {
public:
    explicit TagCursor(std::string_view text) : m_text(text) { m_mask = lineFeeds(0); }

    // Moves to the next tag; false after the last one.
    [[gnu::always_inline]] bool next() {
        const std::size_t size = m_text.size();
        if (m_pos >= size) return false;
        const std::size_t codeEnd = lineFeed();
        m_code = codeOf(m_text.data() + m_pos, codeEnd - m_pos);
        m_valueBegin = codeEnd + 1;
        if (m_valueBegin >= size) {
            m_valueBegin = m_valueEnd = size;
        } else {
            m_valueEnd = lineFeed();
        }
        m_pos = m_valueEnd < size ? m_valueEnd + 1 : size;
        ++m_index;
        return true;
    }
    int code() const { return m_code; }
    // The value without its line end.
    std::string_view value() const {
        std::size_t end = m_valueEnd;
        if (end > m_valueBegin && m_text[end - 1] == '\r') --end;
        return {m_text.data() + m_valueBegin, end - m_valueBegin};
    }
    // The value without surrounding blanks.
    std::string_view trimmedValue() const { return trimBlanks(value()); }
    // Index of the current tag (0 for the object's `0 TYPE` tag).
    int index() const { return m_index; }

private:
    static unsigned digitOf(char c) { return static_cast<unsigned char>(c) - static_cast<unsigned>('0'); }
    // The code of a code line of n bytes (line feed not counted): TagList reads every digit of
    // it and skips anything else.
    static int codeOf(const char* line, std::size_t n) {
        // Nearly all are three columns, digits on the right ("  8", " 10", "100"), maybe a CR.
        if (n == 3 || (n == 4 && line[3] == '\r')) {
            const unsigned a = digitOf(line[0]), b = digitOf(line[1]), c = digitOf(line[2]);
            if (c < 10) {
                if (b < 10 && a < 10) return static_cast<int>(a * 100 + b * 10 + c);
                if (b < 10 && line[0] == ' ') return static_cast<int>(b * 10 + c);
                if (line[1] == ' ' && line[0] == ' ') return static_cast<int>(c);
            }
        }
        int code = 0;
        for (std::size_t i = 0; i < n; ++i)
            if (digitOf(line[i]) < 10) code = code * 10 + static_cast<int>(digitOf(line[i]));
        return code;
    }
    // Offset of the next line feed at or after the read position, or the text size.
    [[gnu::always_inline]] std::size_t lineFeed() {
        const std::size_t size = m_text.size();
        while (m_mask == 0) {
            if (size - m_block <= 64) return size;
            m_block += 64;
            m_mask = lineFeeds(m_block);
        }
        const std::size_t at = m_block + static_cast<std::size_t>(__builtin_ctzll(m_mask));
        m_mask &= m_mask - 1;
        return at;
    }
    // Bit i set when the byte at from + i is a line feed, for the (at most) 64 bytes at from.
    // Never reads past the text: it may end in the middle of the file or at a string's end.
    std::uint64_t lineFeeds(std::size_t from) const {
        const std::size_t size = m_text.size();
        if (from >= size) return 0;
        const char* p = m_text.data() + from;
        const std::size_t n = size - from;
        if (n >= 64) return lineFeedMask64(p);
        std::uint64_t mask = 0;
        std::size_t i = 0;
#if defined(__SSE2__)
        for (; i + 16 <= n; i += 16) mask |= lineFeedMask16(p + i) << i;
        // The last few bytes: the 16 that end with the text, shifted into place.
        if (i < n && size >= 16) return mask | ((lineFeedMask16(p + n - 16) >> (16 - (n - i))) << i);
#endif
        return mask | (lineFeedMaskPortable(p + i, n - i) << i);
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    // Lines are a few bytes long: their line feeds are found for 64 bytes at a time and kept
    // as a bit mask (those of the block at m_block not yet passed).
    std::size_t m_block = 0;
    std::uint64_t m_mask = 0;
    int m_code = 0;
    int m_index = -1;
    std::size_t m_valueBegin = 0;  // the current value line, line end not counted
    std::size_t m_valueEnd = 0;
};

// Where one tag's value lies in object text: bytes [begin, end), line end not counted.
struct TagSpot {
    int code;
    std::uint32_t begin;
    std::uint32_t end;
};

// The spots of all tags of object text, found in one walk: an object that is asked and changed
// several times while it is open walks its text once. Text of 4 GiB and more is not spotted
// (false); records are far smaller.
bool spotTags(std::string_view text, std::vector<TagSpot>& spots);

// Steps through spotted tags as TagCursor steps through text.
class SpotCursor {
public:
    SpotCursor(std::string_view text, const std::vector<TagSpot>& spots) : m_text(text), m_spots(spots) {}

    bool next() { return ++m_index < static_cast<int>(m_spots.size()); }
    int code() const { return spot().code; }
    std::string_view value() const { return {m_text.data() + spot().begin, spot().end - spot().begin}; }
    std::string_view trimmedValue() const { return trimBlanks(value()); }
    int index() const { return m_index; }

private:
    const TagSpot& spot() const { return m_spots[static_cast<std::size_t>(m_index)]; }

    std::string_view m_text;
    const std::vector<TagSpot>& m_spots;
    int m_index = -1;
};

// The value of the first tag with `code` in the subclass `marker`, by TagList::findInSubclass's
// rules; false when there is none.
bool findInSubclass(std::string_view text, std::string_view marker, int code, std::string_view& value);
// The same over spotted text.
bool findInSubclass(std::string_view text, const std::vector<TagSpot>& spots, std::string_view marker, int code,
                    std::string_view& value);

// The value of the first tag with `code` among the tags before the first subclass marker
// (the object's common part: handle, reactors, extension dictionary); false when none.
bool findBeforeSubclasses(std::string_view text, int code, std::string_view& value);

// True when a tag with `code` comes before the extended data (TagList::find up to xdataStart).
bool hasBeforeXdata(std::string_view text, int code);
inline bool hasBeforeXdata(const std::vector<TagSpot>& spots, int code) {
    for (const TagSpot& s : spots) {
        if (s.code == 1001) return false;
        if (s.code == code) return true;
    }
    return false;
}

}  // namespace cadhost::dxf
