// The text of error reports and where they are printed.
#include "frame/error_report.h"

#include <acestext.h>
#include <acutads.h>

#include <cwchar>
#include <string>
#include <string_view>

namespace {

thread_local CErrorReportScope* t_currentScope = nullptr;

// The file name without folders (either separator) and without its extension.
std::wstring_view sourceStem(const wchar_t* source) {
    if (source == nullptr) return L"?";
    std::wstring_view name(source);
    const auto slash = name.find_last_of(L"/\\");
    if (slash != std::wstring_view::npos) name.remove_prefix(slash + 1);
    const auto dot = name.find_last_of(L'.');
    if (dot != std::wstring_view::npos && dot > 0) name = name.substr(0, dot);
    return name;
}

}  // namespace

CErrorReportScope::CErrorReportScope() : m_slot(&t_currentScope) {
    m_previous = *m_slot;
    m_text[0] = L'\0';
    *m_slot = this;
}

// The thread's slot was found once, when the scope opened (the module's thread data is reached
// through the dynamic linker: every search passes a few boundaries per entity).
CErrorReportScope::~CErrorReportScope() { *m_slot = m_previous; }

CErrorReportScope* CErrorReportScope::current() { return t_currentScope; }

void throwAcadError(Acad::ErrorStatus es, const wchar_t* source, int line) {
    thread_local wchar_t t_fallback[CErrorReportScope::kBufferSize];
    CErrorReportScope* scope = CErrorReportScope::current();
    wchar_t* buffer = scope != nullptr ? scope->buffer() : t_fallback;
    const std::wstring_view stem = sourceStem(source);
    // swprintf stops at the buffer's end and still terminates the text.
    std::swprintf(buffer, CErrorReportScope::kBufferSize, L"*ERROR*: [Acad::%ls].\n[%.*ls].[%d]",
                  acadErrorStatusText(es), static_cast<int>(stem.size()), stem.data(), line);
    buffer[CErrorReportScope::kBufferSize - 1] = L'\0';
    throw static_cast<const wchar_t*>(buffer);
}

void throwAcadStatus(Acad::ErrorStatus es) { throw es; }

void printErrorReport(const wchar_t* report) {
    if (report != nullptr) acutPrintf(L"%ls", report);
}

void printUndefinedError(const wchar_t* source, int line) {
    const std::wstring stem(sourceStem(source));
    acutPrintf(L"undefined error. (%s@%d)", stem.c_str(), line);
}
