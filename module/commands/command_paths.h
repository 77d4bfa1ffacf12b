// Path checks shared by the two batch commands.
#pragma once

#include <windows.h>

#include <cwchar>

// The commands keep paths in buffers of the platform's path limit. A longer path is refused
// with a line on the command line naming it, rather than cut to a path that names another file.
// True when path fits (terminator included).
bool pathFitsBuffer(const wchar_t* path);
