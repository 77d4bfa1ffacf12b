// The module's two batch commands, as the command table registers them, and the dependency
// walk the listing command is built on. The replacement table's reader and matcher are in
// commands/replacements.h.
#pragma once

#include <afx.h>

#include <cstdint>

// Lists the documents a drawing references as external references into a text file.
void getDependenciesCommand();

// Redirects the external references of a drawing as a replacements file says and saves it.
void replaceReferencedDocumentCommand();

// Appends to list the external references of the drawing at drawingPath, in block-table order:
// full paths (stored relative paths resolved against the drawing's folder), or with fullPaths
// false their file names only. With traverse, each referenced drawing's own references follow,
// depth first in reference order; a drawing already on the current chain of references is not
// descended into again (a line on the command line names it). A drawing that cannot be read adds
// nothing. Duplicates are kept. Returns the list's size afterwards, earlier entries included.
// A walk that would add more than kMaxDependencies entries (drawings that share references level
// after level multiply the list) is abandoned: its entries are removed and a line on the
// command line says so.
std::int64_t collectDependencies(CStringArray& list, const wchar_t* drawingPath, bool fullPaths,
                                 bool traverse);

// The limit of entries one walk may add.
constexpr std::int64_t kMaxDependencies = 1000000;

// As above, with another limit.
std::int64_t collectDependencies(CStringArray& list, const wchar_t* drawingPath, bool fullPaths,
                                 bool traverse, std::int64_t maxEntries);
