// CArxDatabase and getLayoutNameOfBlock on fixture drawings, and every reported failure.
#include "drawing/arxdatabase.h"

#include <gtest/gtest.h>
#include <testing_db.h>
#include <testing_input.h>

#include "module/drawing/drawing_test_support.h"

using namespace updatetest;

TEST(CArxDatabaseTest, LayoutsInBlockTableOrderNotTabOrderAndTheActiveOne) {
    TestDrawing model("sheets.dxf");
    CArxDatabase onModel(model.db());
    CStringArray names;
    EXPECT_EQ(onModel.getLayoutNames(names), 3);
    EXPECT_EQ(strings(names), (Names{L"Sheet1", L"Sheet2", L"Sheet3"}));
    EXPECT_EQ(onModel.getLayoutNames(names), 6) << "a second call appends";
    AcDbObjectIdArray ids;
    ASSERT_EQ(onModel.getLayoutIds(ids), 3);
    AcDbLayout* layout = nullptr;
    ASSERT_EQ(acdbOpenObject(layout, ids[2], AcDb::kForRead), Acad::eOk);
    const ACHAR* name = nullptr;
    layout->getLayoutName(name);
    EXPECT_STREQ(name, L"Sheet3");
    layout->close();
    EXPECT_STREQ(onModel.getModelLayoutName(), L"Model");
    CString active(L"unchanged");
    EXPECT_TRUE(onModel.getCurrentLayoutName(active));
    EXPECT_STREQ(active, L"Model");
    TestDrawing paper("sheets_paper.dxf");
    CArxDatabase onPaper(paper.db());
    EXPECT_TRUE(onPaper.getCurrentLayoutName(active));
    EXPECT_STREQ(active, L"Sheet2");
    AcDbObjectId layoutId;
    EXPECT_TRUE(onPaper.getCurrentLayoutId(layoutId));
    EXPECT_TRUE(layoutId.isValid());
}

TEST(CArxDatabaseTest, LayoutNameOfBlock) {
    TestDrawing drawing("sheets.dxf");
    CString name(L"unchanged");
    EXPECT_FALSE(getLayoutNameOfBlock(name, nullptr));
    AcDbBlockTableRecord* record = nullptr;
    ASSERT_EQ(acdbOpenObject(record, drawing.block(L"*Model_Space"), AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(getLayoutNameOfBlock(name, record));
    EXPECT_STREQ(name, L"Model");
    record->close();
    ASSERT_EQ(acdbOpenObject(record, drawing.block(L"TB2"), AcDb::kForRead), Acad::eOk);
    name = L"unchanged";
    EXPECT_FALSE(getLayoutNameOfBlock(name, record));
    EXPECT_STREQ(name, L"unchanged");
    record->close();
}

TEST(CArxDatabaseTest, ExternalReferencesResolveAgainstTheDrawingsFolder) {
    TestDrawing drawing("xrefs.dxf");
    const std::wstring folder = updatetest::fixture("").parent_path().wstring();
    const std::wstring parent = updatetest::fixture("").parent_path().parent_path().wstring();
    CStringArray paths;
    EXPECT_EQ(CArxDatabase(drawing.db()).getExternalReferences(paths), 3);
    EXPECT_EQ(strings(paths),
              (Names{parent + L"/Parts/B.dwg", L"/srv/abs/C.dxf", folder + L"/sub/D.dxf"}));
    TestDrawing none("sheets.dxf");
    CStringArray nothing;
    EXPECT_EQ(CArxDatabase(none.db()).getExternalReferences(nothing), 0);
}

// A stored path past the platform's limit is listed as stored, never cut to another name.
TEST(CArxDatabaseTest, ReferencePathOverTheLimitIsListedAsStored) {
    TestDrawing drawing("xrefs.dxf");
    const std::wstring longPath = L"/srv/" + std::wstring(300, L'x') + L".dxf";
    AcDbBlockTableRecord* record = nullptr;
    ASSERT_EQ(acdbOpenObject(record, drawing.block(L"XR_ABS"), AcDb::kForWrite), Acad::eOk);
    ASSERT_EQ(record->setPathName(longPath.c_str()), Acad::eOk);
    record->close();
    CStringArray paths;
    EXPECT_EQ(CArxDatabase(drawing.db()).getExternalReferences(paths), 3);
    EXPECT_EQ(strings(paths)[1], longPath);
}

TEST(CArxDatabaseTest, ListOperationsReportTableAndIteratorFailures) {
    const struct {
        DbCall call;
        Acad::ErrorStatus status;
        const wchar_t* statusName;
    } cases[] = {
        {DbCall::kGetSymbolTable, Acad::eWasOpenForWrite, L"eWasOpenForWrite"},
        {DbCall::kNewIterator, Acad::eOutOfMemory, L"eOutOfMemory"},
        {DbCall::kGetName, Acad::eInvalidInput, L"eInvalidInput"},
    };
    TestDrawing drawing("sheets.dxf");
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.statusName));
        FaultSession session;
        CArxDatabase database(drawing.db());
        CStringArray names;
        names.Add(L"earlier");
        failCall(c.call, c.status);
        EXPECT_EQ(database.getLayoutNames(names), 0);
        EXPECT_EQ(names.GetSize(), 0);
        EXPECT_TRUE(isErrorReport(session.commandLine(), c.statusName, L"arxdatabase"));
        session.clearCommandLine();
        AcDbObjectIdArray ids;
        ids.append(drawing.block(L"TB2"));
        failCall(c.call, c.status);
        EXPECT_EQ(database.getLayoutIds(ids), 0);
        EXPECT_EQ(ids.length(), 0);
        EXPECT_TRUE(isErrorReport(session.commandLine(), c.statusName, L"arxdatabase"));
        session.clearCommandLine();
        failCall(c.call, c.status);
        EXPECT_STREQ(database.getModelLayoutName(), L"");
        EXPECT_TRUE(isErrorReport(session.commandLine(), c.statusName, L"arxdatabase"));
        EXPECT_EQ(drawing.openObjects(), 0);
    }
}

TEST(CArxDatabaseTest, UnreadableReferencePathIsReportedAndEmptiesTheList) {
    TestDrawing drawing("xrefs.dxf");
    FaultSession session;
    CStringArray paths;
    paths.Add(L"earlier");
    failCall(DbCall::kPathName, Acad::eInvalidInput, 1);
    EXPECT_EQ(CArxDatabase(drawing.db()).getExternalReferences(paths), 0);
    EXPECT_EQ(paths.GetSize(), 0);
    EXPECT_TRUE(isErrorReport(session.commandLine(), L"eInvalidInput", L"arxdatabase"));
}

TEST(CArxDatabaseTest, UnreadableLayoutNamesAreSkippedSilently) {
    TestDrawing drawing("sheets.dxf");
    FaultSession session;
    CStringArray names;
    failCall(DbCall::kGetLayoutName, Acad::eInvalidInput, 1);
    EXPECT_EQ(CArxDatabase(drawing.db()).getLayoutNames(names), 2);
    EXPECT_EQ(strings(names), (Names{L"Sheet1", L"Sheet3"}));
    EXPECT_EQ(session.commandLine(), L"");
}

TEST(CArxDatabaseTest, ActiveLayoutFailuresAreReported) {
    TestDrawing drawing("sheets_paper.dxf");
    FaultSession session;
    CArxDatabase database(drawing.db());
    CString name(L"unchanged");
    failOpen(drawing.block(L"*Paper_Space"), Acad::eWasErased);
    AcDbObjectId layoutId;
    EXPECT_FALSE(database.getCurrentLayoutId(layoutId));
    EXPECT_TRUE(isErrorReport(session.commandLine(), L"eWasErased", L"arxdatabase"));
    cadhost::testing::clearDbFaults();
    session.clearCommandLine();
    failCall(DbCall::kGetLayoutName, Acad::eNotOpenForRead);
    EXPECT_FALSE(database.getCurrentLayoutName(name));
    EXPECT_STREQ(name, L"unchanged");
    EXPECT_TRUE(isErrorReport(session.commandLine(), L"eNotOpenForRead", L"arxdatabase"));
}
