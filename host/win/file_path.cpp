// Host paths to file system paths.
#include "win/file_path.h"

#include "win/code_page.h"

namespace cadhost {

std::string fileSystemPath(std::wstring_view path) {
    std::wstring slashed(path);
    for (wchar_t& c : slashed) {
        if (c == L'\\') c = L'/';
    }
    return toUtf8(slashed);
}

}  // namespace cadhost
