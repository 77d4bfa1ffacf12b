// MFC's exception classes and throw helpers.
#include <afx.h>

#include <algorithm>
#include <cwchar>
#include <string>

namespace {

BOOL copyMessage(const std::wstring& text, LPWSTR out, UINT size) {
    if (!out || size == 0) return FALSE;
    size_t n = std::min<size_t>(text.size(), size - 1);
    std::wmemcpy(out, text.data(), n);
    out[n] = 0;
    return TRUE;
}

const wchar_t* causeText(int cause) {
    switch (cause) {
        case CFileException::fileNotFound:
            return L"the file was not found";
        case CFileException::badPath:
            return L"the path is not valid";
        case CFileException::tooManyOpenFiles:
            return L"too many files are open";
        case CFileException::accessDenied:
            return L"access was denied";
        case CFileException::invalidFile:
            return L"the text holds a character that the code page cannot represent";
        case CFileException::directoryFull:
            return L"the folder is full";
        case CFileException::badSeek:
            return L"the file position could not be set";
        case CFileException::hardIO:
            return L"a hardware error occurred";
        case CFileException::sharingViolation:
            return L"the file is in use";
        case CFileException::lockViolation:
            return L"the file is locked";
        case CFileException::diskFull:
            return L"the disk is full or the data could not be written";
        case CFileException::endOfFile:
            return L"the end of the file was reached";
        default:
            return L"an unspecified error occurred";
    }
}

}  // namespace

BOOL CException::GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
    if (pnHelpContext) *pnHelpContext = 0;
    if (lpszError && nMaxError > 0) lpszError[0] = 0;
    return FALSE;
}

int CException::ReportError(UINT nType, UINT nMessageID) {
    wchar_t text[512];
    if (GetErrorMessage(text, 512)) return AfxMessageBox(text, nType);
    if (nMessageID != 0 && AfxMessageBox(nMessageID, nType) != 0) return IDOK;
    return AfxMessageBox(L"An unsupported operation was attempted.", nType);
}

BOOL CInvalidArgException::GetErrorMessage(LPWSTR lpszError, UINT nMaxError,
                                           UINT* pnHelpContext) const {
    if (pnHelpContext) *pnHelpContext = 0;
    return copyMessage(L"Encountered an improper argument.", lpszError, nMaxError);
}

BOOL CMemoryException::GetErrorMessage(LPWSTR lpszError, UINT nMaxError,
                                       UINT* pnHelpContext) const {
    if (pnHelpContext) *pnHelpContext = 0;
    return copyMessage(L"Out of memory.", lpszError, nMaxError);
}

void AfxThrowInvalidArgException() { throw new CInvalidArgException(); }

void AfxThrowMemoryException() { throw new CMemoryException(); }

CFileException::CFileException(int cause, LONG osError, const wchar_t* fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}

BOOL CFileException::GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
    if (pnHelpContext) *pnHelpContext = 0;
    std::wstring text = L"An error occurred while accessing ";
    text += m_strFileName.IsEmpty() ? std::wstring(L"an unnamed file")
                                    : std::wstring(m_strFileName.view());
    text += L": ";
    text += causeText(m_cause);
    text += L".";
    return copyMessage(text, lpszError, nMaxError);
}

void AfxThrowFileException(int cause, LONG osError, const wchar_t* fileName) {
    throw new CFileException(cause, osError, fileName);
}
