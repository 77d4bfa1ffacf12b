// The application framework pieces that have no screen here: the wait cursor (a counter that
// tests can read), the application object and the message box (the command line).
#include <afx.h>

#include <string>

#include "arx/command_line.h"
#include "mfc/resource_chain.h"
#include "testing_mfc.h"

namespace {
int g_waitDepth = 0;
int g_waitBegins = 0;
}  // namespace

void CCmdTarget::BeginWaitCursor() {
    ++g_waitDepth;
    ++g_waitBegins;
}

void CCmdTarget::EndWaitCursor() {
    if (g_waitDepth > 0) --g_waitDepth;
}

void CCmdTarget::RestoreWaitCursor() {}

CWinApp::CWinApp(const wchar_t* appName) : m_pszAppName(appName) {}

CWinApp* AfxGetApp() {
    static CWinApp application(L"cadhost");
    return &application;
}

CWaitCursor::CWaitCursor() { AfxGetApp()->BeginWaitCursor(); }

CWaitCursor::~CWaitCursor() { AfxGetApp()->EndWaitCursor(); }

void CWaitCursor::Restore() { AfxGetApp()->RestoreWaitCursor(); }

int AfxMessageBox(const wchar_t* lpszText, UINT nType, UINT nIDHelp) {
    std::wstring text = lpszText ? lpszText : L"";
    text += L'\n';
    cadhost::CommandLine::write(text);
    switch (nType & 0xF) {
        case MB_YESNO:
        case MB_YESNOCANCEL:
            return IDYES;
        case MB_ABORTRETRYIGNORE:
            return IDABORT;
        case MB_RETRYCANCEL:
            return IDRETRY;
        default:
            return IDOK;
    }
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
    std::wstring text;
    if (!cadhost::mfc::loadChainString(nIDPrompt, text)) return 0;
    return AfxMessageBox(text.c_str(), nType, nIDHelp);
}

namespace cadhost::testing {

int waitCursorDepth() { return g_waitDepth; }

int waitCursorBeginCount() { return g_waitBegins; }

}  // namespace cadhost::testing
