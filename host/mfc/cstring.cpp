// CString and CStringA.
#include <afx.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "mfc/resource_chain.h"
#include "win/char_case.h"
#include "win/code_page.h"
#include "win/wide_format.h"

namespace {

bool isWhiteSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

bool inSet(wchar_t c, const wchar_t* set) {
    return set && c != 0 && std::wcschr(set, c) != nullptr;
}

size_t safeLength(const wchar_t* text) { return text ? std::wcslen(text) : 0; }

}  // namespace

// ---- construction ----

CString::CString(const wchar_t* text) : m_text(text ? text : L"") {}

CString::CString(const wchar_t* text, int length) {
    if (length < 0 || (!text && length > 0)) AfxThrowInvalidArgException();
    if (length > 0) m_text.assign(text, static_cast<size_t>(length));
}

CString::CString(const char* text) : m_text(text ? cadhost::ansiToWide(text) : std::wstring()) {}

CString::CString(const char* text, int length) {
    if (length < 0 || (!text && length > 0)) AfxThrowInvalidArgException();
    if (length > 0)
        m_text = cadhost::ansiToWide(std::string_view(text, static_cast<size_t>(length)));
}

CString::CString(const unsigned char* text) : CString(reinterpret_cast<const char*>(text)) {}

CString::CString(wchar_t ch, int repeat) {
    if (repeat > 0) m_text.assign(static_cast<size_t>(repeat), ch);
}

CString::CString(char ch, int repeat) {
    if (repeat > 0)
        m_text.assign(static_cast<size_t>(repeat),
                      cadhost::ansiToWide(std::string_view(&ch, 1))[0]);
}

CString::CString(std::wstring_view text) : m_text(text) {}

CString& CString::operator=(const wchar_t* text) {
    SetString(text);
    return *this;
}

CString& CString::operator=(const char* text) {
    m_text = text ? cadhost::ansiToWide(text) : std::wstring();
    return *this;
}

CString& CString::operator=(wchar_t ch) {
    m_text.assign(1, ch);
    return *this;
}

CString& CString::operator=(char ch) {
    *this = CString(ch);
    return *this;
}

// ---- element access ----

wchar_t CString::GetAt(int index) const {
    // Reading the terminator is allowed, as in MFC.
    if (index < 0 || index > GetLength()) AfxThrowInvalidArgException();
    return m_text.c_str()[index];
}

void CString::SetAt(int index, wchar_t ch) {
    if (index < 0 || index >= GetLength()) AfxThrowInvalidArgException();
    m_text[static_cast<size_t>(index)] = ch;
}

// ---- buffer access ----

wchar_t* CString::GetBuffer() { return m_text.data(); }

wchar_t* CString::GetBuffer(int minBufferLength) {
    if (minBufferLength < 0) AfxThrowInvalidArgException();
    // Zero padding keeps the buffer terminated wherever the caller stops writing.
    if (static_cast<size_t>(minBufferLength) > m_text.size())
        m_text.resize(static_cast<size_t>(minBufferLength));
    return m_text.data();
}

wchar_t* CString::GetBufferSetLength(int length) {
    if (length < 0) AfxThrowInvalidArgException();
    m_text.resize(static_cast<size_t>(length));
    return m_text.data();
}

void CString::ReleaseBuffer(int newLength) {
    size_t length = newLength < 0 ? wcsnlen(m_text.data(), m_text.size())
                                  : std::min(static_cast<size_t>(newLength), m_text.size());
    m_text.resize(length);
}

void CString::ReleaseBufferSetLength(int newLength) {
    if (newLength < 0) AfxThrowInvalidArgException();
    ReleaseBuffer(newLength);
}

void CString::Preallocate(int length) {
    if (length > 0) m_text.reserve(static_cast<size_t>(length));
}

void CString::Truncate(int newLength) {
    if (newLength < 0 || newLength > GetLength()) AfxThrowInvalidArgException();
    m_text.resize(static_cast<size_t>(newLength));
}

// ---- formatting ----

void CString::FormatV(const wchar_t* format, va_list args) {
    if (!format) AfxThrowInvalidArgException();
    m_text = cadhost::vformatWide(format, args);
}

void CString::AppendFormatV(const wchar_t* format, va_list args) {
    if (!format) AfxThrowInvalidArgException();
    m_text += cadhost::vformatWide(format, args);
}

void CString::FormatArgs(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = format ? cadhost::vformatWide(format, args) : std::wstring();
    va_end(args);
    if (!format) AfxThrowInvalidArgException();
    m_text = std::move(text);
}

void CString::AppendFormatArgs(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = format ? cadhost::vformatWide(format, args) : std::wstring();
    va_end(args);
    if (!format) AfxThrowInvalidArgException();
    m_text += text;
}

// ---- case ----

CString& CString::MakeUpper() {
    for (wchar_t& c : m_text) c = cadhost::toUpperChar(c);
    return *this;
}

CString& CString::MakeLower() {
    for (wchar_t& c : m_text) c = cadhost::toLowerChar(c);
    return *this;
}

CString& CString::MakeReverse() {
    std::reverse(m_text.begin(), m_text.end());
    return *this;
}

// ---- searching ----

int CString::Find(wchar_t ch, int start) const {
    if (start < 0 || start >= GetLength()) return -1;
    size_t pos = m_text.find(ch, static_cast<size_t>(start));
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const wchar_t* sub, int start) const {
    if (!sub || start < 0 || start > GetLength()) return -1;
    size_t pos = m_text.find(sub, static_cast<size_t>(start));
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(wchar_t ch) const {
    size_t pos = m_text.rfind(ch);
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(const wchar_t* charSet) const {
    if (!charSet || !*charSet) return -1;
    size_t pos = m_text.find_first_of(charSet);
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

// ---- extraction ----

CString CString::Mid(int first) const { return Mid(first, GetLength() - std::max(first, 0)); }

CString CString::Mid(int first, int count) const {
    if (first < 0) first = 0;
    if (count < 0) count = 0;
    int length = GetLength();
    if (first >= length) return CString();
    if (count > length - first) count = length - first;
    return CString(
        std::wstring_view(m_text).substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Left(int count) const { return Mid(0, std::max(count, 0)); }

CString CString::Right(int count) const {
    if (count <= 0) return CString();
    int length = GetLength();
    if (count >= length) return *this;
    return Mid(length - count, count);
}

CString CString::SpanIncluding(const wchar_t* charSet) const {
    if (!charSet) AfxThrowInvalidArgException();
    size_t n = 0;
    while (n < m_text.size() && inSet(m_text[n], charSet)) ++n;
    return Left(static_cast<int>(n));
}

CString CString::SpanExcluding(const wchar_t* charSet) const {
    if (!charSet) AfxThrowInvalidArgException();
    size_t n = 0;
    while (n < m_text.size() && !inSet(m_text[n], charSet)) ++n;
    return Left(static_cast<int>(n));
}

// ---- trimming ----

CString& CString::TrimLeft() {
    size_t n = 0;
    while (n < m_text.size() && isWhiteSpace(m_text[n])) ++n;
    m_text.erase(0, n);
    return *this;
}

CString& CString::TrimLeft(wchar_t target) {
    size_t n = 0;
    while (n < m_text.size() && m_text[n] == target) ++n;
    m_text.erase(0, n);
    return *this;
}

CString& CString::TrimLeft(const wchar_t* targets) {
    size_t n = 0;
    while (n < m_text.size() && inSet(m_text[n], targets)) ++n;
    m_text.erase(0, n);
    return *this;
}

CString& CString::TrimRight() {
    size_t n = m_text.size();
    while (n > 0 && isWhiteSpace(m_text[n - 1])) --n;
    m_text.resize(n);
    return *this;
}

CString& CString::TrimRight(wchar_t target) {
    size_t n = m_text.size();
    while (n > 0 && m_text[n - 1] == target) --n;
    m_text.resize(n);
    return *this;
}

CString& CString::TrimRight(const wchar_t* targets) {
    size_t n = m_text.size();
    while (n > 0 && inSet(m_text[n - 1], targets)) --n;
    m_text.resize(n);
    return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }

CString& CString::Trim(wchar_t target) { return TrimRight(target).TrimLeft(target); }

CString& CString::Trim(const wchar_t* targets) { return TrimRight(targets).TrimLeft(targets); }

// ---- modification ----

int CString::Replace(wchar_t oldChar, wchar_t newChar) {
    if (oldChar == newChar) return 0;
    int count = 0;
    for (wchar_t& c : m_text) {
        if (c == oldChar) {
            c = newChar;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const wchar_t* oldText, const wchar_t* newText) {
    size_t oldLength = safeLength(oldText);
    if (oldLength == 0) return 0;
    std::wstring_view replacement(newText ? newText : L"");
    std::wstring out;
    int count = 0;
    size_t pos = 0;
    for (;;) {
        size_t hit = m_text.find(oldText, pos, oldLength);
        if (hit == std::wstring::npos) break;
        out.append(m_text, pos, hit - pos);
        out += replacement;
        pos = hit + oldLength;
        ++count;
    }
    if (count == 0) return 0;
    out.append(m_text, pos, std::wstring::npos);
    m_text = std::move(out);
    return count;
}

int CString::Remove(wchar_t ch) {
    size_t before = m_text.size();
    m_text.erase(std::remove(m_text.begin(), m_text.end(), ch), m_text.end());
    return static_cast<int>(before - m_text.size());
}

int CString::Insert(int index, wchar_t ch) {
    index = std::clamp(index, 0, GetLength());
    m_text.insert(static_cast<size_t>(index), 1, ch);
    return GetLength();
}

int CString::Insert(int index, const wchar_t* text) {
    index = std::clamp(index, 0, GetLength());
    if (text) m_text.insert(static_cast<size_t>(index), text);
    return GetLength();
}

int CString::Delete(int index, int count) {
    if (index < 0) index = 0;
    if (count < 0) count = 0;
    int length = GetLength();
    if (index < length) {
        count = std::min(count, length - index);
        m_text.erase(static_cast<size_t>(index), static_cast<size_t>(count));
    }
    return GetLength();
}

CString CString::Tokenize(const wchar_t* tokens, int& start) const {
    if (start < 0) AfxThrowInvalidArgException();
    int length = GetLength();
    if (!tokens || !*tokens) {
        // MFC returns the rest here without moving start, which loops a caller for ever;
        // moving start to the end ends the caller's loop after this token.
        if (start < length) {
            CString rest = Mid(start);
            start = length;
            return rest;
        }
    } else if (start < length) {
        int place = start;
        while (place < length && inSet(m_text[static_cast<size_t>(place)], tokens)) ++place;
        if (place < length) {
            int end = place;
            while (end < length && !inSet(m_text[static_cast<size_t>(end)], tokens)) ++end;
            start = end + 1;
            return Mid(place, end - place);
        }
    }
    start = -1;
    return CString();
}

// ---- comparison ----

int CString::Compare(const wchar_t* other) const {
    if (!other) AfxThrowInvalidArgException();
    int r = std::wcscmp(m_text.c_str(), other);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CString::CompareNoCase(const wchar_t* other) const {
    if (!other) AfxThrowInvalidArgException();
    return cadhost::compareNoCase(m_text.c_str(), other);
}

// ---- appending ----

void CString::Append(const wchar_t* text) {
    if (text) m_text += text;
}

void CString::Append(const wchar_t* text, int length) {
    if (length < 0 || (!text && length > 0)) AfxThrowInvalidArgException();
    if (length > 0) m_text.append(text, wcsnlen(text, static_cast<size_t>(length)));
}

void CString::Append(const CString& other) { m_text += other.m_text; }

void CString::AppendChar(wchar_t ch) { m_text += ch; }

void CString::SetString(const wchar_t* text) {
    if (text)
        m_text.assign(text);
    else
        m_text.clear();
}

void CString::SetString(const wchar_t* text, int length) {
    if (length < 0 || (!text && length > 0)) AfxThrowInvalidArgException();
    m_text.assign(text ? text : L"", static_cast<size_t>(length));
}

BOOL CString::LoadString(UINT id) {
    std::wstring text;
    if (!cadhost::mfc::loadChainString(id, text)) return FALSE;
    m_text = std::move(text);
    return TRUE;
}

BOOL CString::LoadString(HINSTANCE instance, UINT id) {
    std::wstring text;
    if (!cadhost::mfc::loadModuleString(instance, id, text)) return FALSE;
    m_text = std::move(text);
    return TRUE;
}

CString& CString::operator+=(const CString& other) {
    m_text += other.m_text;
    return *this;
}

CString& CString::operator+=(const wchar_t* text) {
    Append(text);
    return *this;
}

CString& CString::operator+=(const char* text) {
    if (text) m_text += cadhost::ansiToWide(text);
    return *this;
}

CString& CString::operator+=(wchar_t ch) {
    m_text += ch;
    return *this;
}

CString& CString::operator+=(char ch) { return *this += CString(ch); }

// ---- free operators ----

CString operator+(const CString& a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, const wchar_t* b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const wchar_t* a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, wchar_t b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(wchar_t a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, const char* b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const char* a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

namespace {
int order(const CString& a, const wchar_t* b) { return a.Compare(b ? b : L""); }
}  // namespace

bool operator==(const CString& a, const CString& b) { return a.view() == b.view(); }
bool operator==(const CString& a, const wchar_t* b) { return order(a, b) == 0; }
bool operator==(const wchar_t* a, const CString& b) { return order(b, a) == 0; }
bool operator==(const CString& a, wchar_t b) { return a.GetLength() == 1 && a.GetAt(0) == b; }
bool operator==(wchar_t a, const CString& b) { return b == a; }
bool operator!=(const CString& a, const CString& b) { return !(a == b); }
bool operator!=(const CString& a, const wchar_t* b) { return !(a == b); }
bool operator!=(const wchar_t* a, const CString& b) { return !(a == b); }
bool operator!=(const CString& a, wchar_t b) { return !(a == b); }
bool operator!=(wchar_t a, const CString& b) { return !(a == b); }
bool operator<(const CString& a, const CString& b) { return order(a, b) < 0; }
bool operator<(const CString& a, const wchar_t* b) { return order(a, b) < 0; }
bool operator<(const wchar_t* a, const CString& b) { return order(b, a) > 0; }
bool operator>(const CString& a, const CString& b) { return order(a, b) > 0; }
bool operator>(const CString& a, const wchar_t* b) { return order(a, b) > 0; }
bool operator>(const wchar_t* a, const CString& b) { return order(b, a) < 0; }
bool operator<=(const CString& a, const CString& b) { return order(a, b) <= 0; }
bool operator<=(const CString& a, const wchar_t* b) { return order(a, b) <= 0; }
bool operator<=(const wchar_t* a, const CString& b) { return order(b, a) >= 0; }
bool operator>=(const CString& a, const CString& b) { return order(a, b) >= 0; }
bool operator>=(const CString& a, const wchar_t* b) { return order(a, b) >= 0; }
bool operator>=(const wchar_t* a, const CString& b) { return order(b, a) <= 0; }

// ---- CStringA ----

CStringA::CStringA(const char* text) : m_text(text ? text : "") {}

CStringA::CStringA(const char* text, int length) {
    if (length < 0 || (!text && length > 0)) AfxThrowInvalidArgException();
    if (length > 0) m_text.assign(text, static_cast<size_t>(length));
}

CStringA::CStringA(const wchar_t* text)
    : m_text(text ? cadhost::wideToAnsi(text) : std::string()) {}

CStringA::CStringA(const CString& text) : m_text(cadhost::wideToAnsi(text.view())) {}

char* CStringA::GetBuffer(int minBufferLength) {
    if (minBufferLength < 0) AfxThrowInvalidArgException();
    if (static_cast<size_t>(minBufferLength) > m_text.size())
        m_text.resize(static_cast<size_t>(minBufferLength));
    return m_text.data();
}

void CStringA::ReleaseBuffer(int newLength) {
    size_t length = newLength < 0 ? strnlen(m_text.data(), m_text.size())
                                  : std::min(static_cast<size_t>(newLength), m_text.size());
    m_text.resize(length);
}

CStringA& CStringA::operator+=(const char* text) {
    if (text) m_text += text;
    return *this;
}
