// Read-only look-ups in an object's text, without splitting it into a TagList first. Opening
// an object to ask one question (its visibility, its block name, a layout's name) is the most
// common thing the database does; these walk the text once and stop at the answer. They follow
// the same rules as TagList's look-ups, so an object answers alike before and after it is split.
#pragma once

#include <string_view>

namespace cadhost::dxf {

// A value without the blanks and tabs around it (writers pad markers and names).
std::string_view trimBlanks(std::string_view s);

// Steps through the tags of object text: code line, then value line.
class TagCursor {
public:
    explicit TagCursor(std::string_view text) : m_text(text) {}

    // Moves to the next tag; false after the last one.
    bool next();
    int code() const { return m_code; }
    // The value without its line end.
    std::string_view value() const { return m_value; }
    // The value without surrounding blanks.
    std::string_view trimmedValue() const;
    // Index of the current tag (0 for the object's `0 TYPE` tag).
    int index() const { return m_index; }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_code = 0;
    int m_index = -1;
    std::string_view m_value;
};

// The value of the first tag with `code` in the subclass `marker`, by TagList::findInSubclass's
// rules; false when there is none.
bool findInSubclass(std::string_view text, std::string_view marker, int code, std::string_view& value);

// The value of the first tag with `code` among the tags before the first subclass marker
// (the object's common part: handle, reactors, extension dictionary); false when none.
bool findBeforeSubclasses(std::string_view text, int code, std::string_view& value);

}  // namespace cadhost::dxf
