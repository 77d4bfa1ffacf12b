// MFC stand-in: the parts of the Microsoft Foundation Classes that modules of the CAD host use
// (wide CString, CStringArray, CMapStringToString, CFile/CStdioFile, exceptions, the wait
// cursor, the message box and the extension-library attach). Unicode build: CString is
// CStringW. Semantics follow MFC; where MFC would only assert, the comment says what happens.
#pragma once

#include <tchar.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include <afxstr.h>

#ifndef AFXAPI
#define AFXAPI
#endif
#ifndef AFX_EXT_CLASS
#define AFX_EXT_CLASS
#endif
#ifndef AFX_INLINE
#define AFX_INLINE inline
#endif

// Diagnostics: no debugger here. ASSERT checks nothing in this (release-like) build, VERIFY
// still evaluates its expression, TRACE writes nothing.
#define ASSERT(f) ((void)0)
#define VERIFY(f) ((void)(f))
#define ASSERT_VALID(p) ((void)0)
#define TRACE(...) ((void)0)
#define DEBUG_NEW new

// ---------------------------------------------------------------------------------------------
// CObject, exceptions

class CObject {
  public:
    virtual ~CObject() = default;

  protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

// MFC exceptions are thrown as pointers (throw new CFileException(...)) and released by the
// catcher with Delete().
class CException : public CObject {
  public:
    CException() = default;
    ~CException() override = default;
    void Delete() { delete this; }
    // Copies the message (truncated, terminated) into lpszError; FALSE when there is none.
    virtual BOOL GetErrorMessage(LPWSTR lpszError, UINT nMaxError,
                                 UINT* pnHelpContext = nullptr) const;
    // No screen: the message goes to the command line like AfxMessageBox. Returns IDOK.
    virtual int ReportError(UINT nType = MB_OK, UINT nMessageID = 0);
};

// Thrown by the containers for an index out of range and by CString for bad arguments.
class CInvalidArgException : public CException {
  public:
    BOOL GetErrorMessage(LPWSTR lpszError, UINT nMaxError,
                         UINT* pnHelpContext = nullptr) const override;
};

class CMemoryException : public CException {
  public:
    BOOL GetErrorMessage(LPWSTR lpszError, UINT nMaxError,
                         UINT* pnHelpContext = nullptr) const override;
};

[[noreturn]] void AFXAPI AfxThrowInvalidArgException();
[[noreturn]] void AFXAPI AfxThrowMemoryException();

// ---------------------------------------------------------------------------------------------
// Files

class CFileException : public CException {
  public:
    enum {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    explicit CFileException(int cause = none, LONG osError = -1, const wchar_t* fileName = nullptr);
    // "Could not write to FILE: REASON." style texts naming the file and the cause.
    BOOL GetErrorMessage(LPWSTR lpszError, UINT nMaxError,
                         UINT* pnHelpContext = nullptr) const override;

    int m_cause;
    LONG m_lOsError;  // a Win32 error code (ERROR_FILE_NOT_FOUND ...) or -1
    CString m_strFileName;
};

[[noreturn]] void AFXAPI AfxThrowFileException(int cause, LONG osError = -1,
                                               const wchar_t* fileName = nullptr);

// A file opened by path. Paths take '\' or '/' (file access turns '\' into '/'); the file
// system sees UTF-8 names. Share flags are accepted and have no effect.
class CFile : public CObject {
  public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
        osNoBuffer = 0x10000,
        osWriteThrough = 0x20000,
        osRandomAccess = 0x40000,
        osSequentialScan = 0x80000,
    };
    enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };

    CFile();
    // Opens or throws CFileException*.
    CFile(const wchar_t* fileName, UINT openFlags);
    // Closes an open file; a failure while closing is swallowed (a written file whose close
    // fails is treated as failed, see CStdioFile).
    ~CFile() override;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // FALSE when the file cannot be opened; then *pError (if given) holds the cause, the Win32
    // error and the file name. Opening an already open object fails (accessDenied).
    virtual BOOL Open(const wchar_t* fileName, UINT openFlags, CFileException* pError = nullptr);
    // Throws CFileException* when the file's data could not be written completely (a failure
    // that a write already reported is not thrown again). Closing a closed file does nothing.
    virtual void Close();
    // Closes without throwing. A file written through a temporary file (see CStdioFile) is
    // dropped: the target stays as it was before the open.
    virtual void Abort();
    // Returns the bytes read (0 at end). Throws CFileException* on a read error.
    virtual UINT Read(void* buffer, UINT count);
    // Throws CFileException* (diskFull, accessDenied, ...) when not all bytes were written.
    virtual void Write(const void* buffer, UINT count);
    virtual void Flush();
    virtual ULONGLONG Seek(LONGLONG offset, UINT from);
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    virtual ULONGLONG GetPosition() const;
    virtual ULONGLONG GetLength() const;
    virtual CString GetFilePath() const { return m_strFileName; }
    virtual CString GetFileName() const;

    // TRUE while a file is open (MFC tests m_hFile against hFileNull).
    bool IsOpen() const { return m_stream != nullptr; }

  protected:
    // Throws the pending failure (if any) as CFileException* with the given cause.
    [[noreturn]] void ThrowError(int cause, int posixError);
    bool CommitAndClose();  // false when the data did not reach the file

    std::FILE* m_stream = nullptr;
    CString m_strFileName;
    UINT m_openFlags = 0;
    bool m_failed = false;     // a write failed: the file must not be committed
    std::string m_targetPath;  // file system path the caller named
    std::string m_tempPath;    // when writing through a temporary file (see CStdioFile)
};

// A text (or binary) file read and written line by line.
//
// Text mode (typeText, the default unless typeBinary) behaves as on Windows: WriteString turns
// "\n" into CR LF; ReadString takes CR LF and LF as line ends (a lone CR stays in the text) and
// stops at a Ctrl-Z byte. 8-bit text is converted with the host's ANSI code page both ways.
//
// Opening with modeCreate (and without modeNoTruncate) writes into a temporary file beside the
// target, which Close renames over the target (an existing file in a folder that takes no new
// files is written in place instead). If any write failed - an I/O error or a
// character that the ANSI code page cannot represent - WriteString throws CFileException*
// (cause diskFull for I/O, invalidFile for an unrepresentable character), nothing of the
// failing string is written, and at Close/Abort/destruction the temporary file is removed:
// the caller finds the target as it was before the open (previous contents, or no file), never
// a file that looks complete but is not. Files opened otherwise are written in place; there a
// failing string likewise writes nothing of itself.
class CStdioFile : public CFile {
  public:
    CStdioFile() = default;
    CStdioFile(const wchar_t* fileName, UINT openFlags);  // throws CFileException*
    ~CStdioFile() override;

    BOOL Open(const wchar_t* fileName, UINT openFlags, CFileException* pError = nullptr) override;
    // The next line without its line end; FALSE at the end of the file (rString then empty).
    virtual BOOL ReadString(CString& rString);
    // At most nMax - 1 characters of the next line, its "\n" kept (MFC semantics); null at end.
    virtual wchar_t* ReadString(wchar_t* lpsz, UINT nMax);
    virtual void WriteString(const wchar_t* lpsz);

  private:
    bool ReadRawLine(std::string& line, bool& sawNewline);
    bool m_text = true;
    bool m_eof = false;
};

// Code written against MFC often includes only afx.h and still uses these.
#include <afxcoll.h>
#include <afxwin.h>
