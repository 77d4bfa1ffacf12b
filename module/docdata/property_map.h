// The PDM data of one document as the companion file delivers it: name/value maps ordered the
// way the PDM system orders them (UTF-16 code units), and a record of properties plus revisions.
#pragma once

#include <map>
#include <string>
#include <vector>

// Orders wide text by its UTF-16 code units. wchar_t holds whole code points here, so a
// character above U+FFFF is compared as the surrogate pair it would be on the host platform
// (it then sorts below U+E000..U+FFFF, not above them).
struct Utf16Less {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};

// Property name -> value, case-sensitive. Inserting a name that is already present keeps the
// first value: use insert/emplace (never operator[] assignment) to add entries.
using PropertyMap = std::map<std::wstring, std::wstring, Utf16Less>;

// One PDM document: its properties and its revisions in file order.
struct DocumentRecord {
    PropertyMap properties;
    std::vector<PropertyMap> revisions;
};
