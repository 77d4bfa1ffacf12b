// Third rung of the DXF ladder: the tags of one object, split out of its text when a typed
// view needs them, edited in place and written back. Untouched tags keep their exact bytes
// (code line, value, line ends); an edit replaces only the value of the tags it changes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dxf/dxf_file.h"

namespace cadhost::dxf {

struct Tag {
    int code = 0;
    std::string_view codeLine;   // with its line end
    std::string_view valueLine;  // with its line end (none on a file's very last line)
    std::string_view value() const;
};

class TagList {
public:
    // Splits object text that the file scan has already checked (trusted).
    void parse(std::string_view text);

    int size() const { return static_cast<int>(m_tags.size()); }
    const Tag& operator[](int i) const { return m_tags[static_cast<std::size_t>(i)]; }

    // First tag with code in [from, to) (to < 0: up to the end); -1 when none.
    int find(int code, int from = 0, int to = -1) const;
    // The `100 marker` tag; -1 when absent.
    int findSubclass(std::string_view marker) const;
    // The index where the data that starts at `from` ends: the next 100 tag, the first XDATA
    // tag or the end.
    int subclassEnd(int from) const;
    // The first 1001 tag, or size().
    int xdataStart() const;
    // The tags [first, end) of the subclass `marker` (first = the marker's index + 1); {-1, -1}
    // when absent. A symbol table record's fields follow two markers (AcDbSymbolTableRecord,
    // then AcDb<X>TableRecord): its span runs on through the second. An object without any
    // marker has one span: all its tags after the 0 and before its XDATA.
    std::pair<int, int> subclassSpan(std::string_view marker) const;
    // First tag with code inside the subclass `marker`; -1 when absent.
    int findInSubclass(std::string_view marker, int code) const;

    // Replaces a value, keeping the tag's code line and line end.
    void setValue(int i, std::string_view value);
    // Inserts a new tag before pos, formatted like the file's own tags.
    void insert(int pos, int code, std::string_view value, const TagFormat& format);
    void erase(int i);
    void eraseRange(int from, int to);

    bool changed() const { return m_changed; }
    std::string text() const;
    // The same, and where the first 1001 tag starts in it (0 when there is none).
    std::string text(std::uint32_t& xdata) const;

private:
    std::vector<Tag> m_tags;
    // Text of changed and new lines; each line keeps its address (most objects never need any).
    std::vector<std::unique_ptr<std::string>> m_store;
    bool m_changed = false;
};

// A code line as the file writes it ("  8" when codes are padded to three columns).
std::string formatCode(int code, const TagFormat& format);
// A 16-bit integer value as the file writes them.
std::string formatInt(int value, const TagFormat& format);

}  // namespace cadhost::dxf
