// Path checks shared by the two batch commands.
#include "commands/command_paths.h"

#include <acutads.h>

bool pathFitsBuffer(const wchar_t* path) {
    if (path == nullptr || std::wcslen(path) < MAX_PATH) return true;
    acutPrintf(L"\nPath too long (more than %d characters): %ls", MAX_PATH - 1, path);
    return false;
}
