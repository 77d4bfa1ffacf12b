// Whether a path names a plain file, checked before a reader opens it: devices, pipes and
// folders named where a settings or companion file belongs would block the open or never end.
#pragma once

#include <string>

// The path as the file system sees it: "\" turned into "/", UTF-8.
std::string fileSystemPathOf(const wchar_t* path);

// True when path (either separator) names an existing regular file (links followed).
bool isRegularFile(const wchar_t* path);
