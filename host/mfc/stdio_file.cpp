// CStdioFile: line-oriented text files with Windows text-mode rules and the host's ANSI code
// page for 8-bit text.
#include <afx.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "testing_fs.h"
#include "win/code_page.h"

namespace {
constexpr int kCtrlZ = 0x1A;
}  // namespace

CStdioFile::CStdioFile(const wchar_t* fileName, UINT openFlags) {
    CFileException error;
    if (!Open(fileName, openFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CStdioFile::~CStdioFile() = default;

BOOL CStdioFile::Open(const wchar_t* fileName, UINT openFlags, CFileException* pError) {
    if (!CFile::Open(fileName, openFlags, pError)) return FALSE;
    m_text = !(openFlags & typeBinary);
    m_eof = false;
    return TRUE;
}

// Reads bytes up to and including '\n' (at most maxBytes when given). Text mode stops at a
// Ctrl-Z byte as the Windows runtime does. False when nothing was left to read.
bool CStdioFile::ReadRawLine(std::string& line, bool& sawNewline) {
    line.clear();
    sawNewline = false;
    if (!m_stream)
        AfxThrowFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, m_strFileName);
    if (m_eof) return false;
    for (;;) {
        int c = std::getc(m_stream);
        if (c == EOF) {
            if (std::ferror(m_stream)) ThrowError(CFileException::hardIO, errno);
            break;
        }
        if (m_text && c == kCtrlZ) {
            m_eof = true;
            break;
        }
        if (c == '\n') {
            sawNewline = true;
            break;
        }
        line += static_cast<char>(c);
    }
    if (m_text && sawNewline && !line.empty() && line.back() == '\r') line.pop_back();
    return sawNewline || !line.empty();
}

BOOL CStdioFile::ReadString(CString& rString) {
    rString.Empty();
    std::string line;
    bool sawNewline = false;
    if (!ReadRawLine(line, sawNewline)) return FALSE;
    rString = CString(std::wstring_view(cadhost::ansiToWide(line)));
    return TRUE;
}

wchar_t* CStdioFile::ReadString(wchar_t* lpsz, UINT nMax) {
    if (!lpsz || nMax == 0) AfxThrowInvalidArgException();
    if (!m_stream)
        AfxThrowFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, m_strFileName);
    lpsz[0] = 0;
    if (m_eof || nMax == 1) return nMax == 1 ? lpsz : nullptr;
    // At most nMax - 1 characters, the line end ("\n") included when it fits.
    std::string bytes;
    while (bytes.size() + 1 < nMax) {
        int c = std::getc(m_stream);
        if (c == EOF) {
            if (std::ferror(m_stream)) ThrowError(CFileException::hardIO, errno);
            break;
        }
        if (m_text && c == kCtrlZ) {
            m_eof = true;
            break;
        }
        if (m_text && c == '\r') {
            int next = std::getc(m_stream);
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                std::ungetc(next, m_stream);
        }
        bytes += static_cast<char>(c);
        if (c == '\n') break;
    }
    if (bytes.empty()) return nullptr;
    std::wstring text = cadhost::ansiToWide(bytes);
    size_t n = text.size() < nMax ? text.size() : nMax - 1;
    std::wmemcpy(lpsz, text.data(), n);
    lpsz[n] = 0;
    return lpsz;
}

void CStdioFile::WriteString(const wchar_t* lpsz) {
    if (!lpsz) AfxThrowInvalidArgException();
    if (!m_stream)
        AfxThrowFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, m_strFileName);
    bool lossy = false;
    std::string bytes = cadhost::wideToAnsi(lpsz, &lossy);
    if (lossy) {
        m_failed = true;
        AfxThrowFileException(CFileException::invalidFile, ERROR_NO_UNICODE_TRANSLATION,
                              m_strFileName);
    }
    if (m_text && bytes.find('\n') != std::string::npos) {
        std::string expanded;
        expanded.reserve(bytes.size() + 8);
        for (char c : bytes) {
            if (c == '\n') expanded += '\r';
            expanded += c;
        }
        bytes.swap(expanded);
    }
    if (!bytes.empty() && (cadhost::testing::fileStepFails(cadhost::testing::FileStep::kWrite) ||
                           std::fwrite(bytes.data(), 1, bytes.size(), m_stream) != bytes.size())) {
        m_failed = true;
        ThrowError(CFileException::diskFull, errno);
    }
}
