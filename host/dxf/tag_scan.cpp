// Read-only tag look-ups over object text, walked directly or through its spotted tags. One
// set of rules for both: the walks are templates over the cursor.
#include "dxf/tag_scan.h"

namespace cadhost::dxf {

namespace {

template <class Cursor>
bool findInSubclassOf(Cursor& t, std::string_view marker, int code, std::string_view& value) {
    // One pass: while the marker has not come up, remember the first match after the 0 tag in
    // case the object turns out to have no markers at all (then all its fields form one span).
    const bool twoMarkers = marker == "AcDbSymbolTableRecord";
    bool anyMarker = false;
    bool fallback = false;
    std::string_view fallbackValue;
    while (t.next()) {
        const int c = t.code();
        if (c == 1001) break;
        if (c == 100) {
            anyMarker = true;
            if (t.value() != marker && t.trimmedValue() != marker) continue;
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

}  // namespace

bool spotTags(std::string_view text, std::vector<TagSpot>& spots) {
    spots.clear();
    if (text.size() > 0xFFFFFFFFu) return false;
    // A tag takes ten bytes or more.
    spots.reserve(text.size() / 8 + 1);
    TagCursor t(text);
    while (t.next()) {
        const std::string_view v = t.value();
        const auto begin = static_cast<std::uint32_t>(v.data() - text.data());
        spots.push_back({t.code(), begin, begin + static_cast<std::uint32_t>(v.size())});
    }
    return true;
}

bool findInSubclass(std::string_view text, std::string_view marker, int code, std::string_view& value) {
    TagCursor t(text);
    return findInSubclassOf(t, marker, code, value);
}

bool findInSubclass(std::string_view text, const std::vector<TagSpot>& spots, std::string_view marker, int code,
                    std::string_view& value) {
    SpotCursor t(text, spots);
    return findInSubclassOf(t, marker, code, value);
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

bool hasBeforeXdata(std::string_view text, int code) {
    TagCursor t(text);
    while (t.next()) {
        if (t.code() == 1001) return false;
        if (t.code() == code) return true;
    }
    return false;
}

}  // namespace cadhost::dxf
