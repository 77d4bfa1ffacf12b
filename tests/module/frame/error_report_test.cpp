// Error reports: their exact text, the boundaries that print them, and the fallback for
// everything else.
#include "frame/error_report.h"

#include <gtest/gtest.h>

#include <string>

#include "testing_input.h"

namespace {

// A reporting operation as module code writes one: false is its failure value.
bool failingOperation(Acad::ErrorStatus es, bool& reachedEnd) {
    return reportingBoundary(L"/src/module/attributes/block.cpp", 812, [&] {
        if (es != Acad::eOk) throwAcadError(es, L"/src/module/attributes/block.cpp", 77);
        reachedEnd = true;
    });
}

TEST(ErrorReportTest, FailingHostCallPrintsTheTwoLineReport) {
    const struct {
        Acad::ErrorStatus status;
        const wchar_t* text;
    } cases[] = {
        {Acad::eOk, L""},
        {Acad::eKeyNotFound, L"*ERROR*: [Acad::eKeyNotFound].\n[block].[77]"},
        {Acad::eWasOpenForWrite, L"*ERROR*: [Acad::eWasOpenForWrite].\n[block].[77]"},
    };
    for (const auto& c : cases) {
        cadhost::testing::InputSession capture;
        bool reachedEnd = false;
        // A failure abandons the rest of the operation.
        EXPECT_EQ(failingOperation(c.status, reachedEnd), c.status == Acad::eOk) << c.text;
        EXPECT_EQ(reachedEnd, c.status == Acad::eOk);
        EXPECT_EQ(c.text, capture.commandLine());
    }
}

TEST(ErrorReportTest, SourceNameIsShownAsItsStem) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\src\\module\\drawing\\arxdatabase.cpp", L"arxdatabase"},
        {L"/a.b/titleborder", L"titleborder"},
        {L".hidden", L".hidden"},
    };
    for (const auto& [source, shown] : cases) {
        cadhost::testing::InputSession capture;
        reportingBoundary(L"x.cpp", 1, [&] { throwAcadError(Acad::eInvalidIndex, source, 9); });
        EXPECT_EQ(std::wstring(L"*ERROR*: [Acad::eInvalidIndex].\n[") + shown + L"].[9]",
                  capture.commandLine());
    }
}

TEST(ErrorReportTest, AnyOtherExceptionPrintsTheFallbackWithTheBoundarysPlace) {
    const struct {
        void (*thrower)();
    } cases[] = {
        {[] { throw "Bounds Error"; }},     {[] { throw "!Bounds Error in TValVector!"; }},
        {[] { throw std::string("std"); }}, {[] { throw 3; }},
        {[] { throw Acad::eKeyNotFound; }},  // a bare status is not a report here
    };
    for (const auto& c : cases) {
        cadhost::testing::InputSession capture;
        EXPECT_FALSE(reportingBoundary(L"/src/module/docdata/docdata.cpp", 640, c.thrower));
        EXPECT_EQ(L"undefined error. (docdata@640)", capture.commandLine());
    }
}

TEST(ErrorReportTest, NestedBoundariesEachHandleTheirOwnReports) {
    cadhost::testing::InputSession capture;
    bool outerFinished = false;
    const bool outer = reportingBoundary(L"outer.cpp", 1, [&] {
        const bool inner = reportingBoundary(
            L"inner.cpp", 2, [] { throwAcadError(Acad::eWasErased, L"inner.cpp", 20); });
        EXPECT_FALSE(inner);
        throwAcadError(Acad::eNotApplicable, L"outer.cpp", 10);
        outerFinished = true;
    });
    EXPECT_FALSE(outer);
    EXPECT_FALSE(outerFinished);
    EXPECT_EQ(
        L"*ERROR*: [Acad::eWasErased].\n[inner].[20]"
        L"*ERROR*: [Acad::eNotApplicable].\n[outer].[10]",
        capture.commandLine());
    EXPECT_EQ(nullptr, CErrorReportScope::current()) << "every scope is gone again";
}

TEST(ErrorReportTest, SilentBoundaryPrintsNothing) {
    cadhost::testing::InputSession capture;
    EXPECT_FALSE(silentBoundary([] { throwAcadError(Acad::eKeyNotFound, L"replace.cpp", 3); }));
    EXPECT_FALSE(silentBoundary([] { throw "Bounds Error"; }));
    EXPECT_TRUE(silentBoundary([] {}));
    EXPECT_EQ(L"", capture.commandLine());
}

TEST(ErrorReportTest, StatusBoundaryReturnsBareStatusesUnprinted) {
    cadhost::testing::InputSession capture;
    EXPECT_EQ(Acad::eOk, statusBoundary(L"block.cpp", 1, [] { return Acad::eOk; }));
    EXPECT_EQ(Acad::eIllegalEntityType,
              statusBoundary(L"block.cpp", 1, [] { return Acad::eIllegalEntityType; }));
    EXPECT_EQ(Acad::eWasErased, statusBoundary(L"block.cpp", 1, []() -> Acad::ErrorStatus {
                  throwAcadStatus(Acad::eWasErased);
              }));
    EXPECT_EQ(L"", capture.commandLine());
    // Anything else is reported and gives status 2.
    EXPECT_EQ(Acad::eNotApplicable, statusBoundary(L"block.cpp", 130, []() -> Acad::ErrorStatus {
                  throw "Bounds Error";
              }));
    EXPECT_EQ(L"undefined error. (block@130)", capture.commandLine());
    capture.clearCommandLine();
    EXPECT_EQ(Acad::eNotApplicable, statusBoundary(L"block.cpp", 130, []() -> Acad::ErrorStatus {
                  throwAcadError(Acad::eKeyNotFound, L"block.cpp", 99);
              }));
    EXPECT_EQ(L"*ERROR*: [Acad::eKeyNotFound].\n[block].[99]", capture.commandLine());
}

TEST(ErrorReportTest, OverlongReportIsCutAtTheBuffersEnd) {
    const std::wstring longName(3000, L'x');
    CErrorReportScope scope;
    try {
        throwAcadError(Acad::eKeyNotFound, longName.c_str(), 1);
    } catch (const wchar_t* report) {
        const std::wstring text(report);
        EXPECT_LT(text.size(), static_cast<std::size_t>(CErrorReportScope::kBufferSize));
        EXPECT_EQ(0u, text.find(L"*ERROR*: [Acad::eKeyNotFound].\n[xxx"));
    }
}

}  // namespace
