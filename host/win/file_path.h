// Where host paths meet the file system: every host function that opens, tests or renames a
// file turns its wide path into a file system path here.
#pragma once

#include <string>
#include <string_view>

namespace cadhost {

// '\' turned into '/', encoded as UTF-8. Nothing else changes (a drive prefix such as "C:"
// stays and simply names a relative folder here).
std::string fileSystemPath(std::wstring_view path);

}  // namespace cadhost
