// MFC stand-in: the application framework without a screen - application object, wait
// cursor, message box - and the extension-library attach with its resource chain.
#pragma once

#include <afx.h>

class CCmdTarget : public CObject {
  public:
    // The wait cursor: the host counts nesting (there is no screen); EndWaitCursor never goes
    // below zero. RestoreWaitCursor changes nothing.
    void BeginWaitCursor();
    void EndWaitCursor();
    void RestoreWaitCursor();
};

class CWinThread : public CCmdTarget {};

class CWinApp : public CWinThread {
  public:
    explicit CWinApp(const wchar_t* appName = nullptr);
    const wchar_t* m_pszAppName = nullptr;
    HINSTANCE m_hInstance = nullptr;
};

// The host's application object (always present).
CWinApp* AFXAPI AfxGetApp();

// Shows the wait cursor for its lifetime (AfxGetApp()->BeginWaitCursor/EndWaitCursor).
class CWaitCursor {
  public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    void Restore();
};

// No screen: the text is written to the host's command line followed by "\n". Returns the
// id of the box's first button, as a user pressing Enter would: IDOK for MB_OK and
// MB_OKCANCEL, IDYES for MB_YESNO / MB_YESNOCANCEL, IDABORT, IDRETRY.
int AFXAPI AfxMessageBox(const wchar_t* lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// The text is string resource nIDPrompt (module chain); a missing string shows nothing and
// returns 0.
int AFXAPI AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);

// ---------------------------------------------------------------------------------------------
// Extension libraries and module state

struct AFX_EXTENSION_MODULE {
    BOOL bInitialized;
    HMODULE hModule;
    HMODULE hResource;
    void* pFirstSharedClass;
    void* pFirstSharedFactory;
};

// Records the module handle as the module's resource handle; TRUE (FALSE for a null module).
// Repeated calls keep the first initialisation.
BOOL AFXAPI AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule);
// Deletes the CDynLinkLibrary objects of the module and clears the state.
void AFXAPI AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll = FALSE);

// A module's entry in the host's resource chain. Created with new after
// AfxInitExtensionModule; the chain owns it and AfxTermExtensionModule deletes it (deleting it
// yourself also unlinks it).
class CDynLinkLibrary : public CCmdTarget {
  public:
    explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem = FALSE);
    CDynLinkLibrary(HINSTANCE hModule, HINSTANCE hResource);
    ~CDynLinkLibrary() override;

    HMODULE m_hModule;
    HMODULE m_hResource;
    BOOL m_bSystem;
    CDynLinkLibrary* m_pNextDLL = nullptr;
};

// The resource handle of the program (the program's own handle unless set).
HINSTANCE AFXAPI AfxGetResourceHandle();
void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource);
HINSTANCE AFXAPI AfxGetInstanceHandle();

// Module state switching has no meaning here (one state); kept so code reads as with MFC.
struct AFX_MODULE_STATE {};
AFX_MODULE_STATE* AFXAPI AfxGetStaticModuleState();
AFX_MODULE_STATE* AFXAPI AfxGetAppModuleState();
AFX_MODULE_STATE* AFXAPI AfxGetModuleState();
#define AFX_MANAGE_STATE(p) ((void)(p))
