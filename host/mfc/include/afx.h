// MFC stand-in: the parts of the Microsoft Foundation Classes that modules of the CAD host use
// (wide CString, CStringArray, CMapStringToString, CFile/CStdioFile, exceptions, the wait
// cursor, the message box and the extension-library attach). Unicode build: CString is
// CStringW. Semantics follow MFC; where MFC would only assert, the comment says what happens.
#pragma once

#include <tchar.h>
#include <windows.h>

#include <concepts>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

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

class CString;

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
// CString (CStringW): wide text, null-terminated, value semantics.
//
// Indexes and counts are in wchar_t. Out-of-range arguments are clamped as MFC clamps them
// (Mid, Left, Right, Find, Insert, Delete); GetAt/SetAt/operator[] outside 0..GetLength()-1
// throw CInvalidArgException* (GetAt(GetLength()) reads the terminator, as in MFC).
//
// Format and AppendFormat take Microsoft's wide printf format (%s and %c wide, %S/%hs narrow,
// see tchar.h). A CString passed for %s is converted to its text automatically, so
// Format(L"%s", str) works as it does with MFC.

namespace cadhost_detail {
template <typename T>
decltype(auto) formatArg(T&& value);
}  // namespace cadhost_detail

class CString {
  public:
    typedef wchar_t XCHAR;
    typedef char YCHAR;
    typedef wchar_t* PXSTR;
    typedef const wchar_t* PCXSTR;

    CString() = default;
    CString(const CString& other) = default;
    CString(CString&& other) noexcept = default;
    CString(const wchar_t* text);              // null: empty
    CString(const wchar_t* text, int length);  // exactly length characters
    CString(const char* text);                 // narrow: ANSI code page
    CString(const char* text, int length);
    CString(const unsigned char* text);
    CString(wchar_t ch, int repeat = 1);
    CString(char ch, int repeat = 1);
    // Host convenience (not MFC).
    explicit CString(std::wstring_view text);

    CString& operator=(const CString& other) = default;
    CString& operator=(CString&& other) noexcept = default;
    CString& operator=(const wchar_t* text);
    CString& operator=(const char* text);
    CString& operator=(wchar_t ch);
    CString& operator=(char ch);

    int GetLength() const { return static_cast<int>(m_text.size()); }
    int GetAllocLength() const { return static_cast<int>(m_text.capacity()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }

    wchar_t GetAt(int index) const;
    void SetAt(int index, wchar_t ch);
    wchar_t operator[](int index) const { return GetAt(index); }
    template <std::integral I>
    wchar_t operator[](I index) const {
        return GetAt(static_cast<int>(index));
    }
    operator const wchar_t*() const { return m_text.c_str(); }
    const wchar_t* GetString() const { return m_text.c_str(); }

    // GetBuffer(n) returns a writable buffer of at least n + 1 characters holding the current
    // text; the caller writes into it and ends with ReleaseBuffer(length), or ReleaseBuffer()
    // (-1) to take the length from the terminator. No other member may be called in between.
    wchar_t* GetBuffer();
    wchar_t* GetBuffer(int minBufferLength);
    wchar_t* GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);
    void ReleaseBufferSetLength(int newLength);
    void Preallocate(int length);
    void FreeExtra() { m_text.shrink_to_fit(); }
    void Truncate(int newLength);

    template <typename... Args>
    void Format(const wchar_t* format, Args&&... args) {
        FormatArgs(format, cadhost_detail::formatArg(std::forward<Args>(args))...);
    }
    template <typename... Args>
    void AppendFormat(const wchar_t* format, Args&&... args) {
        AppendFormatArgs(format, cadhost_detail::formatArg(std::forward<Args>(args))...);
    }
    void FormatV(const wchar_t* format, va_list args);
    void AppendFormatV(const wchar_t* format, va_list args);

    // Case mapping with the host's case table: ASCII, Latin-1 (ä <-> Ä, ÿ -> Ÿ; ß stays),
    // Latin Extended-A, Greek and Cyrillic; independent of any locale.
    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();

    // -1 when not found or start is beyond the text (a negative start counts as 0).
    int Find(wchar_t ch, int start = 0) const;
    int Find(const wchar_t* sub, int start = 0) const;
    int ReverseFind(wchar_t ch) const;
    int FindOneOf(const wchar_t* charSet) const;

    // Clamped to the text: Mid(first) with first < 0 starts at 0, first beyond the end gives
    // "", a negative count gives "".
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Left(int count) const;
    CString Right(int count) const;
    CString SpanIncluding(const wchar_t* charSet) const;
    CString SpanExcluding(const wchar_t* charSet) const;

    // Without argument: white space (iswspace of the C locale: space, \t \n \v \f \r).
    CString& Trim();
    CString& Trim(wchar_t target);
    CString& Trim(const wchar_t* targets);
    CString& TrimLeft();
    CString& TrimLeft(wchar_t target);
    CString& TrimLeft(const wchar_t* targets);
    CString& TrimRight();
    CString& TrimRight(wchar_t target);
    CString& TrimRight(const wchar_t* targets);

    // Return the number of replacements / removals; Replace of an empty or null old text does
    // nothing (0); a null new text removes.
    int Replace(wchar_t oldChar, wchar_t newChar);
    int Replace(const wchar_t* oldText, const wchar_t* newText);
    int Remove(wchar_t ch);
    // Return the new length; an index beyond the end appends, a negative one inserts at 0.
    int Insert(int index, wchar_t ch);
    int Insert(int index, const wchar_t* text);
    int Delete(int index, int count = 1);

    // The next token starting at start (leading delimiters skipped); start is set after the
    // token's delimiter. At the end: returns "" and start = -1.
    CString Tokenize(const wchar_t* tokens, int& start) const;

    // <0, 0, >0 by wchar_t value / case-insensitively with the host's case table.
    int Compare(const wchar_t* other) const;
    int CompareNoCase(const wchar_t* other) const;
    int Collate(const wchar_t* other) const { return Compare(other); }
    int CollateNoCase(const wchar_t* other) const { return CompareNoCase(other); }

    void Append(const wchar_t* text);
    void Append(const wchar_t* text, int length);
    void Append(const CString& other);
    void AppendChar(wchar_t ch);
    void SetString(const wchar_t* text);
    void SetString(const wchar_t* text, int length);

    // Loads string resource id as MFC does: from the resource handle (AfxGetResourceHandle),
    // then from the extension libraries of the chain; FALSE and unchanged when it is missing.
    BOOL LoadString(UINT id);
    BOOL LoadString(HINSTANCE instance, UINT id);

    CString& operator+=(const CString& other);
    CString& operator+=(const wchar_t* text);
    CString& operator+=(const char* text);
    CString& operator+=(wchar_t ch);
    CString& operator+=(char ch);

    // Host convenience (not MFC): the text as a standard string view.
    std::wstring_view view() const { return m_text; }

  private:
    void FormatArgs(const wchar_t* format, ...);
    void AppendFormatArgs(const wchar_t* format, ...);

    std::wstring m_text;
};

typedef CString CStringW;

// Narrow text (ANSI code page) with the few members code uses for conversions.
class CStringA {
  public:
    CStringA() = default;
    CStringA(const char* text);
    CStringA(const char* text, int length);
    CStringA(const wchar_t* text);  // converted with the ANSI code page ('?' for the rest)
    CStringA(const CString& text);
    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    operator const char*() const { return m_text.c_str(); }
    const char* GetString() const { return m_text.c_str(); }
    char* GetBuffer(int minBufferLength);
    void ReleaseBuffer(int newLength = -1);
    CStringA& operator+=(const char* text);
    bool operator==(const CStringA& other) const { return m_text == other.m_text; }

  private:
    std::string m_text;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const wchar_t* b);
CString operator+(const wchar_t* a, const CString& b);
CString operator+(const CString& a, wchar_t b);
CString operator+(wchar_t a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, const wchar_t* b);
bool operator==(const wchar_t* a, const CString& b);
bool operator==(const CString& a, wchar_t b);
bool operator==(wchar_t a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, const wchar_t* b);
bool operator!=(const wchar_t* a, const CString& b);
bool operator!=(const CString& a, wchar_t b);
bool operator!=(wchar_t a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator<(const CString& a, const wchar_t* b);
bool operator<(const wchar_t* a, const CString& b);
bool operator>(const CString& a, const CString& b);
bool operator>(const CString& a, const wchar_t* b);
bool operator>(const wchar_t* a, const CString& b);
bool operator<=(const CString& a, const CString& b);
bool operator<=(const CString& a, const wchar_t* b);
bool operator<=(const wchar_t* a, const CString& b);
bool operator>=(const CString& a, const CString& b);
bool operator>=(const CString& a, const wchar_t* b);
bool operator>=(const wchar_t* a, const CString& b);

namespace cadhost_detail {
// Variadic arguments as MSVC would pass them: a CString travels as its text pointer.
template <typename T>
decltype(auto) formatArg(T&& value) {
    using U = std::remove_cvref_t<T>;
    if constexpr (std::is_same_v<U, CString>) {
        return static_cast<const wchar_t*>(value.GetString());
    } else if constexpr (std::is_same_v<U, CStringA>) {
        return static_cast<const char*>(value.GetString());
    } else {
        return std::forward<T>(value);
    }
}
}  // namespace cadhost_detail

// ---------------------------------------------------------------------------------------------
// Collections

struct __POSITION {};
typedef __POSITION* POSITION;
#define BEFORE_START_POSITION ((POSITION)-1L)

// An array of CString. Indexes are INT_PTR; GetAt/SetAt/ElementAt/operator[] and RemoveAt /
// InsertAt with an index out of range throw CInvalidArgException* (MFC's release behaviour).
class CStringArray : public CObject {
  public:
    CStringArray() = default;
    CStringArray(const CStringArray&) = delete;
    CStringArray& operator=(const CStringArray&) = delete;

    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
    INT_PTR GetCount() const { return static_cast<INT_PTR>(m_items.size()); }
    BOOL IsEmpty() const { return m_items.empty(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    // Grows with empty strings or cuts; a negative size throws CInvalidArgException*.
    void SetSize(INT_PTR newSize, INT_PTR growBy = -1);
    void FreeExtra() { m_items.shrink_to_fit(); }
    void RemoveAll() { m_items.clear(); }

    const CString& GetAt(INT_PTR index) const;
    void SetAt(INT_PTR index, const wchar_t* newElement);
    void SetAt(INT_PTR index, const CString& newElement);
    CString& ElementAt(INT_PTR index);
    const CString& ElementAt(INT_PTR index) const;
    const CString* GetData() const { return m_items.data(); }
    CString* GetData() { return m_items.data(); }
    void SetAtGrow(INT_PTR index, const wchar_t* newElement);
    void SetAtGrow(INT_PTR index, const CString& newElement);

    // Return the new element's index.
    INT_PTR Add(const wchar_t* newElement);
    INT_PTR Add(const CString& newElement);
    // Returns the index of the first appended element.
    INT_PTR Append(const CStringArray& src);
    void Copy(const CStringArray& src);

    const CString& operator[](INT_PTR index) const { return GetAt(index); }
    CString& operator[](INT_PTR index) { return ElementAt(index); }

    // index may be GetSize() (appends); beyond that the array grows with empty strings first.
    void InsertAt(INT_PTR index, const wchar_t* newElement, INT_PTR count = 1);
    void InsertAt(INT_PTR index, const CString& newElement, INT_PTR count = 1);
    void InsertAt(INT_PTR startIndex, const CStringArray* newArray);
    void RemoveAt(INT_PTR index, INT_PTR count = 1);

  private:
    void CheckIndex(INT_PTR index) const;
    std::vector<CString> m_items;
};

// A hash map from CString to CString with MFC's layout, so that iteration follows MFC's order:
// a table of GetHashTableSize() buckets (17 unless InitHashTable said otherwise), a key's
// bucket is HashKey(key) % size with MFC's string hash (over UTF-16 code units), a new
// association goes to the head of its bucket's chain, and GetNextAssoc walks bucket 0 first,
// each chain from its head. Keys compare exactly (letter case counts). The order is neither
// insertion nor sorted order.
class CMapStringToString : public CObject {
  public:
    struct CPair {
        const CString key;
        CString value;
    };

    explicit CMapStringToString(INT_PTR blockSize = 10);
    ~CMapStringToString() override;
    CMapStringToString(const CMapStringToString&) = delete;
    CMapStringToString& operator=(const CMapStringToString&) = delete;

    INT_PTR GetCount() const { return m_count; }
    INT_PTR GetSize() const { return m_count; }
    BOOL IsEmpty() const { return m_count == 0; }

    // TRUE and rValue set when the key is present; otherwise FALSE and rValue unchanged.
    BOOL Lookup(const wchar_t* key, CString& rValue) const;
    BOOL LookupKey(const wchar_t* key, const wchar_t*& rKey) const;
    const CPair* PLookup(const wchar_t* key) const;
    CPair* PLookup(const wchar_t* key);
    // Adds the key with an empty value when it is absent.
    CString& operator[](const wchar_t* key);
    void SetAt(const wchar_t* key, const wchar_t* newValue);
    BOOL RemoveKey(const wchar_t* key);
    void RemoveAll();

    // Start of an iteration: null when the map is empty. GetNextAssoc hands out the
    // association at rNextPosition and moves it on (null after the last). Changing the map
    // during an iteration (other than changing values) invalidates the position.
    POSITION GetStartPosition() const;
    void GetNextAssoc(POSITION& rNextPosition, CString& rKey, CString& rValue) const;
    const CPair* PGetFirstAssoc() const;
    const CPair* PGetNextAssoc(const CPair* pAssoc) const;
    CPair* PGetFirstAssoc();
    CPair* PGetNextAssoc(const CPair* pAssoc);

    UINT GetHashTableSize() const { return m_hashTableSize; }
    // Sets the number of buckets; takes effect only while the map is empty (MFC asserts that;
    // here a call on a non-empty map is ignored). A size of 0 is ignored.
    void InitHashTable(UINT hashSize, BOOL allocNow = TRUE);
    UINT HashKey(const wchar_t* key) const;

  private:
    struct CAssoc;
    CAssoc* GetAssocAt(const wchar_t* key, UINT& bucket, UINT& hash) const;
    CAssoc* NewAssoc(const wchar_t* key, UINT bucket, UINT hash);
    CAssoc* FirstAssoc() const;
    CAssoc* NextAssoc(const CAssoc* assoc) const;

    std::vector<CAssoc*> m_hashTable;  // empty until the first insertion
    UINT m_hashTableSize = 17;
    INT_PTR m_count = 0;
};

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
// target, which Close renames over the target. If any write failed - an I/O error or a
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

// ---------------------------------------------------------------------------------------------
// Application framework

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
