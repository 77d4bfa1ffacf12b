// The framework's resource chain: the modules (extension libraries, then the resource handle)
// that CString::LoadString and AfxMessageBox(id) search for a string resource.
#pragma once

#include <windows.h>

#include <string>

namespace cadhost::mfc {

// True and text set when a module of the chain has the string.
bool loadChainString(UINT id, std::wstring& text);
// The string from one module; false when it has none.
bool loadModuleString(HINSTANCE module, UINT id, std::wstring& text);

}  // namespace cadhost::mfc
