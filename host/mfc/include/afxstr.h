// MFC stand-in: the wide string class CString (CStringW) and the narrow CStringA. Unicode
// build: CString is CStringW. Included by afx.h; usable on its own.
#pragma once

#include <tchar.h>
#include <windows.h>

#include <concepts>
#include <cstdarg>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

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
        // A std::wstring or another class object would arrive as garbage: refuse it here.
        static_assert(std::is_trivially_copyable_v<U>,
                      "pass text to Format as const wchar_t* (c_str(), GetString())");
        return std::forward<T>(value);
    }
}
}  // namespace cadhost_detail
