// Extension-library attach and detach and the resource chain that CString::LoadString and
// AfxMessageBox(id) search.
#include <afx.h>

#include <vector>

#include "mfc/resource_chain.h"
#include "testing_mfc.h"

namespace {

// Newest library first, as MFC adds them at the head of its list.
CDynLinkLibrary*& chainHead() {
    static CDynLinkLibrary* head = nullptr;
    return head;
}

HINSTANCE g_resourceHandle = nullptr;

void unlink(CDynLinkLibrary* library) {
    for (CDynLinkLibrary** link = &chainHead(); *link; link = &(*link)->m_pNextDLL) {
        if (*link == library) {
            *link = library->m_pNextDLL;
            library->m_pNextDLL = nullptr;
            return;
        }
    }
}

}  // namespace

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule) {
    if (state.bInitialized) return TRUE;
    if (!hModule) return FALSE;
    state.bInitialized = TRUE;
    state.hModule = hModule;
    state.hResource = hModule;
    state.pFirstSharedClass = nullptr;
    state.pFirstSharedFactory = nullptr;
    return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll) {
    if (!state.bInitialized) return;
    std::vector<CDynLinkLibrary*> doomed;
    for (CDynLinkLibrary* library = chainHead(); library; library = library->m_pNextDLL) {
        if (bAll || library->m_hModule == state.hModule) doomed.push_back(library);
    }
    for (CDynLinkLibrary* library : doomed) delete library;
    state.bInitialized = FALSE;
    state.hModule = nullptr;
    state.hResource = nullptr;
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem)
    : m_hModule(state.hModule), m_hResource(state.hResource), m_bSystem(bSystem) {
    m_pNextDLL = chainHead();
    chainHead() = this;
}

CDynLinkLibrary::CDynLinkLibrary(HINSTANCE hModule, HINSTANCE hResource)
    : m_hModule(hModule), m_hResource(hResource), m_bSystem(FALSE) {
    m_pNextDLL = chainHead();
    chainHead() = this;
}

CDynLinkLibrary::~CDynLinkLibrary() { unlink(this); }

HINSTANCE AfxGetResourceHandle() {
    return g_resourceHandle ? g_resourceHandle : GetModuleHandleW(nullptr);
}

void AfxSetResourceHandle(HINSTANCE hInstResource) { g_resourceHandle = hInstResource; }

HINSTANCE AfxGetInstanceHandle() { return GetModuleHandleW(nullptr); }

AFX_MODULE_STATE* AfxGetStaticModuleState() {
    static AFX_MODULE_STATE state;
    return &state;
}

AFX_MODULE_STATE* AfxGetAppModuleState() { return AfxGetStaticModuleState(); }

AFX_MODULE_STATE* AfxGetModuleState() { return AfxGetStaticModuleState(); }

namespace cadhost::mfc {

bool loadModuleString(HINSTANCE module, UINT id, std::wstring& text) {
    const wchar_t* resource = nullptr;
    int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length <= 0 || !resource) return false;
    text.assign(resource, static_cast<size_t>(length));
    return true;
}

bool loadChainString(UINT id, std::wstring& text) {
    if (loadModuleString(AfxGetResourceHandle(), id, text)) return true;
    for (CDynLinkLibrary* library = chainHead(); library; library = library->m_pNextDLL) {
        if (!library->m_bSystem && loadModuleString(library->m_hResource, id, text)) return true;
    }
    for (CDynLinkLibrary* library = chainHead(); library; library = library->m_pNextDLL) {
        if (library->m_bSystem && loadModuleString(library->m_hResource, id, text)) return true;
    }
    return false;
}

}  // namespace cadhost::mfc

namespace cadhost::testing {

int dynLinkLibraryCount() {
    int count = 0;
    for (CDynLinkLibrary* library = chainHead(); library; library = library->m_pNextDLL) ++count;
    return count;
}

bool hasDynLinkLibrary(HMODULE module) {
    for (CDynLinkLibrary* library = chainHead(); library; library = library->m_pNextDLL) {
        if (library->m_hModule == module) return true;
    }
    return false;
}

}  // namespace cadhost::testing
