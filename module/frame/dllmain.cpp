// The module's library attach and detach: what the platform's DLL entry does, run from the
// shared object's constructor and destructor functions.
#include <afx.h>
#include <windows.h>

HINSTANCE _hdllInstance = nullptr;

namespace {

AFX_EXTENSION_MODULE g_brakonDll = {FALSE, nullptr, nullptr, nullptr, nullptr};
bool g_attached = false;

}  // namespace

extern "C" __attribute__((visibility("hidden"))) BOOL APIENTRY DllMain(HINSTANCE hInstance,
                                                                       DWORD dwReason,
                                                                       LPVOID /*lpReserved*/) {
    if (dwReason == DLL_PROCESS_ATTACH) {
        _hdllInstance = hInstance;
        if (!g_attached) {
            // Joins the module's resources to the host's resource chain.
            if (AfxInitExtensionModule(g_brakonDll, hInstance)) {
                new CDynLinkLibrary(g_brakonDll);
                g_attached = true;
            }
        }
    } else if (dwReason == DLL_PROCESS_DETACH) {
        if (g_attached) {
            AfxTermExtensionModule(g_brakonDll);
            g_attached = false;
        }
    }
    return TRUE;
}

namespace {

__attribute__((constructor)) void attachLibrary() {
    HMODULE self = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&attachLibrary), &self);
    DllMain(self, DLL_PROCESS_ATTACH, nullptr);
}

__attribute__((destructor)) void detachLibrary() {
    DllMain(_hdllInstance, DLL_PROCESS_DETACH, nullptr);
}

}  // namespace
