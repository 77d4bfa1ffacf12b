// The replacement table of the reference redirection command: which referenced document is to
// be replaced by which, as read from a replacements file, and the rule that picks the entry
// for one reference.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "docdata/property_map.h"

// Old document -> new document, ordered by the old document's UTF-16 code units (case
// sensitive; upper-case letters before lower-case ones). The first entry of a key is kept.
using CReplacementTable = std::map<std::wstring, std::wstring, Utf16Less>;

// Adds the entries of a replacements file ("old=new" per line, text mode, ANSI code page) to
// table and returns its entry count. Each line is cut at its first "=": the key is what comes
// before it (empty for a line without one), the value all that follows (the whole line when
// there is no "="); nothing is trimmed. A key already present keeps its first value. A file
// that cannot be opened adds nothing; one that fails while being read leaves the table empty
// and says so on the command line, so that a half-read table never redirects anything.
std::size_t readReplacements(CReplacementTable& table, const wchar_t* filePath);

// Whether the reference at referencePath (resolved to a full path) is to be redirected, and to
// what: true with the new document in newPath. Entries are tried in key order; an entry whose
// key equals its value, or whose key is the drawing's own path (drawingPath as entered), is
// never used. Keys match the reference path, or without fullPaths the two file names, with
// letter case ignored and separators as written. A reference that already points at the new
// document (its full path, or its file name when the value is a bare name) gives false.
bool findReplacement(std::wstring drawingPath, const CReplacementTable& table, bool fullPaths,
                     std::wstring referencePath, std::wstring& newPath);
