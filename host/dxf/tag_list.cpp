// Object tags: splitting, lookup by subclass, in-place edits.
#include "dxf/tag_list.h"

#include <algorithm>
#include <cstring>

#include "dxf/tag_scan.h"

namespace cadhost::dxf {

namespace {

std::string_view stripEol(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

std::string_view eolOf(std::string_view line) {
    if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") return "\r\n";
    if (!line.empty() && line.back() == '\n') return "\n";
    return "";
}

}  // namespace

std::string_view Tag::value() const { return stripEol(valueLine); }

std::string formatCode(int code, const TagFormat& format) {
    std::string s = std::to_string(code);
    if (format.padCodes && s.size() < 3) s.insert(0, 3 - s.size(), ' ');
    return s;
}

std::string formatInt(int value, const TagFormat& format) {
    std::string s = std::to_string(value);
    if (format.padInts && s.size() < 6) s.insert(0, 6 - s.size(), ' ');
    return s;
}

void TagList::parse(std::string_view text) {
    m_tags.clear();
    m_store.clear();
    m_changed = false;
    std::size_t pos = 0;
    auto nextLine = [&](std::string_view& line) {
        if (pos >= text.size()) return false;
        const void* nl = std::memchr(text.data() + pos, '\n', text.size() - pos);
        std::size_t end = nl ? static_cast<const char*>(nl) - text.data() + 1 : text.size();
        line = text.substr(pos, end - pos);
        pos = end;
        return true;
    };
    std::string_view codeLine, valueLine;
    while (nextLine(codeLine)) {
        if (!nextLine(valueLine)) valueLine = std::string_view();
        Tag t;
        std::string_view c = trimBlanks(stripEol(codeLine));
        int code = 0;
        for (char ch : c) code = (ch >= '0' && ch <= '9') ? code * 10 + (ch - '0') : code;
        t.code = code;
        t.codeLine = codeLine;
        t.valueLine = valueLine;
        m_tags.push_back(t);
    }
}

int TagList::find(int code, int from, int to) const {
    int end = to < 0 ? size() : std::min(to, size());
    for (int i = std::max(from, 0); i < end; ++i)
        if (m_tags[static_cast<std::size_t>(i)].code == code) return i;
    return -1;
}

int TagList::findSubclass(std::string_view marker) const {
    for (int i = 0; i < size(); ++i) {
        const Tag& t = m_tags[static_cast<std::size_t>(i)];
        if (t.code == 100 && trimBlanks(t.value()) == marker) return i;
        if (t.code == 1001) break;
    }
    return -1;
}

int TagList::subclassEnd(int from) const {
    for (int i = from + 1; i < size(); ++i) {
        int c = m_tags[static_cast<std::size_t>(i)].code;
        if (c == 100 || c == 1001) return i;
    }
    return size();
}

int TagList::xdataStart() const {
    int i = find(1001);
    return i < 0 ? size() : i;
}

std::pair<int, int> TagList::subclassSpan(std::string_view marker) const {
    int s = findSubclass(marker);
    if (s < 0) {
        // Objects written without any subclass markers keep all their fields in one run.
        if (find(100, 0, xdataStart()) < 0 && size() > 0) return {1, xdataStart()};
        return {-1, -1};
    }
    int end = subclassEnd(s);
    if (marker == "AcDbSymbolTableRecord" && end < size() && m_tags[static_cast<std::size_t>(end)].code == 100)
        end = subclassEnd(end);
    return {s + 1, end};
}

int TagList::findInSubclass(std::string_view marker, int code) const {
    auto [first, end] = subclassSpan(marker);
    return first < 0 ? -1 : find(code, first, end);
}

void TagList::setValue(int i, std::string_view value) {
    Tag& t = m_tags[static_cast<std::size_t>(i)];
    if (t.value() == value) return;
    std::string line(value);
    line += eolOf(t.valueLine);
    m_store.push_back(std::make_unique<std::string>(std::move(line)));
    t.valueLine = *m_store.back();
    m_changed = true;
}

void TagList::insert(int pos, int code, std::string_view value, const TagFormat& format) {
    pos = std::clamp(pos, 0, size());
    // The tag before the insertion point may be the file's last line without a line end.
    if (pos > 0) {
        Tag& prev = m_tags[static_cast<std::size_t>(pos - 1)];
        if (eolOf(prev.valueLine).empty()) {
            m_store.push_back(std::make_unique<std::string>(std::string(prev.valueLine) + format.eol));
            prev.valueLine = *m_store.back();
        }
    }
    m_store.push_back(std::make_unique<std::string>(formatCode(code, format) + format.eol));
    Tag t;
    t.code = code;
    t.codeLine = *m_store.back();
    m_store.push_back(std::make_unique<std::string>(std::string(value) + format.eol));
    t.valueLine = *m_store.back();
    m_tags.insert(m_tags.begin() + pos, t);
    m_changed = true;
}

void TagList::erase(int i) {
    m_tags.erase(m_tags.begin() + i);
    m_changed = true;
}

void TagList::eraseRange(int from, int to) {
    if (to <= from) return;
    m_tags.erase(m_tags.begin() + from, m_tags.begin() + to);
    m_changed = true;
}

std::string TagList::text() const {
    std::uint32_t xdata = 0;
    return text(xdata);
}

std::string TagList::text(std::uint32_t& xdata) const {
    std::size_t n = 0;
    for (const Tag& t : m_tags) n += t.codeLine.size() + t.valueLine.size();
    std::string out;
    out.reserve(n);
    xdata = 0;
    for (const Tag& t : m_tags) {
        if (t.code == 1001 && xdata == 0) xdata = static_cast<std::uint32_t>(out.size());
        out += t.codeLine;
        out += t.valueLine;
    }
    return out;
}

}  // namespace cadhost::dxf
