// Windows shell path functions (shlwapi) with Win32 semantics on this platform.
//
// Separators: both '\' and '/' separate path components on input. A path that a function
// builds keeps the separator of the path it starts from: the first separator found in that
// path decides ('\' when it has none and looks like a Windows path such as "C:", '/' when it
// starts with '/'; '\' otherwise, as on Windows). So "C:\Work" + "..\Parts\B.dwg" gives
// "C:\Parts\B.dwg" and "/srv/work" + "..\parts\b.dxf" gives "/srv/parts/b.dxf". Separators
// already in a path that is only shortened or re-suffixed stay as they are.
//
// Roots: "C:\" (drive), "\\server\share" (UNC) and "/" count as roots; "/srv/x" is therefore
// an absolute path here (PathIsRelativeW returns FALSE), as a file system path must be.
//
// Buffers are MAX_PATH (260) characters, terminator included, where Win32 says so. A result
// that does not fit fails (FALSE / null) and nothing is written beyond the buffer; the
// buffer then holds an empty string unless the function's comment says otherwise.
#pragma once

#include <windows.h>

// Replaces the extension of the last component (see PathFindExtensionW) by pszExt, or appends
// pszExt when the component has none. FALSE, pszPath unchanged, when the result would not fit
// MAX_PATH.
BOOL PathRenameExtensionW(LPWSTR pszPath, LPCWSTR pszExt);

// Removes the last component and its separator ("C:\a\b.dwg" -> "C:\a", "C:\a.dwg" -> "C:\",
// "/a.dwg" -> "/", "a.dwg" -> ""). TRUE when something was removed.
BOOL PathRemoveFileSpecW(LPWSTR pszPath);

// Joins pszDir and pszFile (pszFile wins when it has a drive or is a UNC path; a pszFile that
// starts with a separator goes below pszDir's root), then resolves "." and ".." components
// (".." never climbs above a root; a relative result keeps its leading ".."), collapses
// doubled separators and writes every separator as the starting path's. Either input may be
// null. Writes into pszDest (MAX_PATH characters; may be the same buffer as an input) and
// returns it; null when the result would not fit MAX_PATH or both inputs are null/empty
// (pszDest is then "" as far as it was writable).
LPWSTR PathCombineW(LPWSTR pszDest, LPCWSTR pszDir, LPCWSTR pszFile);

// Relative path from pszFrom to pszTo; dwAttrFrom / dwAttrTo say whether each is a folder
// (FILE_ATTRIBUTE_DIRECTORY) or a file (anything else: its last component is dropped for the
// from side). Results look like ".\a.dwg", "..\parts\a.dwg" (separator of pszFrom). Components
// compare without regard to letter case. FALSE, pszPath = "", when the two have no common root
// (different drives, one relative and one absolute) or the result would not fit MAX_PATH.
BOOL PathRelativePathToW(LPWSTR pszPath, LPCWSTR pszFrom, DWORD dwAttrFrom, LPCWSTR pszTo,
                         DWORD dwAttrTo);

// TRUE unless the path starts with a separator or a drive letter and colon. An empty or null
// path is relative (TRUE), as in Win32.
BOOL PathIsRelativeW(LPCWSTR pszPath);

// The last component (after the last separator), or the path itself. Points into pszPath.
LPWSTR PathFindFileNameW(LPCWSTR pszPath);

// The last component's extension from its last '.', or the terminating null of pszPath when
// it has none. As in Win32, a space after the last '.' means there is no extension ("a.b c").
// Points into pszPath.
LPWSTR PathFindExtensionW(LPCWSTR pszPath);

// TRUE when a file or folder exists at the path (either separator; see file access).
BOOL PathFileExistsW(LPCWSTR pszPath);

// Appends a separator (of the path's own kind) unless the path ends with one; returns a
// pointer to the terminator, null when it would not fit MAX_PATH.
LPWSTR PathAddBackslashW(LPWSTR pszPath);

// Appends pszMore as a component (with a separator of the path's kind) and resolves "." and
// ".." like PathCombineW. FALSE, pszPath unchanged, when the result would not fit.
BOOL PathAppendW(LPWSTR pszPath, LPCWSTR pszMore);

// Removes the extension of the last component, if any.
void PathRemoveExtensionW(LPWSTR pszPath);

// TRUE when the path names a folder that exists.
BOOL PathIsDirectoryW(LPCWSTR pszPath);

#define PathRenameExtension PathRenameExtensionW
#define PathRemoveFileSpec PathRemoveFileSpecW
#define PathCombine PathCombineW
#define PathRelativePathTo PathRelativePathToW
#define PathIsRelative PathIsRelativeW
#define PathFindFileName PathFindFileNameW
#define PathFindExtension PathFindExtensionW
#define PathFileExists PathFileExistsW
#define PathAddBackslash PathAddBackslashW
#define PathAppend PathAppendW
#define PathRemoveExtension PathRemoveExtensionW
#define PathIsDirectory PathIsDirectoryW
