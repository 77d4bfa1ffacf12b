// How the module reports a failing host call: the call site raises a report, the operation's
// boundary prints it on the command line and the operation returns its failure value. No
// exception leaves a boundary.
//
//   bool CArxDatabase::collect(...) {
//       return reportingBoundary(BRAKON_SOURCE_NAME, __LINE__, [&] {
//           Acad::ErrorStatus es = pTable->getAt(...);
//           if (es != Acad::eOk) throwAcadError(es, BRAKON_SOURCE_NAME, __LINE__);
//           ...
//       });
//   }
#pragma once

#include <acadstrc.h>

#include <utility>

// The source name a report shows for the file it is written in. Reports show its stem: the
// name without folders and extension ("block" for .../attributes/block.cpp).
#define BRAKON_SOURCE_NAME (L"" __FILE_NAME__)

// Formats "*ERROR*: [Acad::<status text>].\n[<source stem>].[<line>]" into the innermost
// active boundary's 1,024-character buffer (cut at its end) and raises a pointer to it as
// const wchar_t*. Never returns. Outside any boundary a buffer of the thread is used.
[[noreturn]] void throwAcadError(Acad::ErrorStatus es, const wchar_t* source, int line);

// The status form of the single-object operations: raises the bare status, which
// statusBoundary returns unprinted.
[[noreturn]] void throwAcadStatus(Acad::ErrorStatus es);

// Prints a raised report unchanged on the command line.
void printErrorReport(const wchar_t* report);
// Prints "undefined error. (<source stem>@<line>)" on the command line.
void printUndefinedError(const wchar_t* source, int line);

// The buffer a report is formatted into. Each boundary owns one while it runs, so the text
// lives in the operation's frame until the boundary has printed it. Boundaries nest.
class CErrorReportScope {
  public:
    CErrorReportScope();
    ~CErrorReportScope();
    CErrorReportScope(const CErrorReportScope&) = delete;
    CErrorReportScope& operator=(const CErrorReportScope&) = delete;

    static constexpr int kBufferSize = 1024;
    wchar_t* buffer() { return m_text; }
    // The innermost scope alive on this thread, or null.
    static CErrorReportScope* current();

  private:
    wchar_t m_text[kBufferSize];
    CErrorReportScope** m_slot;  // this thread's innermost-scope pointer
    CErrorReportScope* m_previous;
};

// The reporting boundary: runs body; a raised report is printed unchanged, any other exception
// (also the containers' narrow "Bounds Error" texts) prints the undefined-error line with
// source and line. True when body finished, false after a failure (the operation then clears
// what its behaviour says and returns its failure value).
template <class Body>
bool reportingBoundary(const wchar_t* source, int line, Body&& body) noexcept {
    CErrorReportScope scope;
    try {
        std::forward<Body>(body)();
        return true;
    } catch (const wchar_t* report) {
        printErrorReport(report);
    } catch (...) {
        printUndefinedError(source, line);
    }
    return false;
}

// A boundary that prints nothing, for reports or anything else: the caller only releases
// what it holds. True when body finished.
template <class Body>
bool silentBoundary(Body&& body) noexcept {
    CErrorReportScope scope;
    try {
        std::forward<Body>(body)();
        return true;
    } catch (...) {
        return false;
    }
}

// The boundary of the single-object operations: body returns the operation's status. A raised
// bare status is returned unprinted; a raised report is printed, any other exception prints
// the undefined-error line, and both give Acad::eNotApplicable.
template <class Body>
Acad::ErrorStatus statusBoundary(const wchar_t* source, int line, Body&& body) noexcept {
    CErrorReportScope scope;
    try {
        return std::forward<Body>(body)();
    } catch (Acad::ErrorStatus es) {
        return es;
    } catch (const wchar_t* report) {
        printErrorReport(report);
    } catch (...) {
        printUndefinedError(source, line);
    }
    return Acad::eNotApplicable;
}
