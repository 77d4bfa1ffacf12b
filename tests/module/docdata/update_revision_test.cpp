// The revision table update on a drawing: rows written into the table blocks of one layout
// (which revisions fill which rows is pinned on the value map), when nothing is written, and a
// failure while collecting.
#include <gtest/gtest.h>
#include <testing_db.h>
#include <testing_input.h>

#include "docdata/docdata.h"
#include "module/drawing/drawing_test_support.h"

using namespace updatetest;

// No layout name means every layout; no database the working one.
TEST(UpdateRevisionTableTest, WritesTheRowsIntoEveryTable) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId table = drawing.insert(L"Sheet1", L"REVTABLE");
    const AcDbObjectId other = drawing.insert(L"Sheet2", L"REVTABLE");
    ManagedDocSetup setup;
    setup.document.emplace_back("dm_revisionno", "2");
    setup.revisions = {revision(1, "first"), revision(2)};  // the second lacks dm_comment
    ManagedDoc doc(setup);
    InputSession session;
    EXPECT_EQ(doc.revisionTable(nullptr, nullptr), 1);
    // Upper-case tags receive the lower-case keys; rows without a revision are blanked.
    const Values written = drawing.attributes(table);
    EXPECT_EQ(written.at(L"DM_REV_LABEL_0"), L"R1");
    EXPECT_EQ(written.at(L"DM_REV_COMMENT_0"), L"first");
    EXPECT_EQ(written.at(L"DM_REV_DATE_0"), L"2024-01");
    EXPECT_EQ(written.at(L"DM_REV_USER_0"), L"u1");
    EXPECT_EQ(written.at(L"DM_REV_LABEL_1"), L"R2");
    EXPECT_EQ(written.at(L"DM_REV_COMMENT_1"), L"");
    EXPECT_EQ(written.at(L"DM_REV_LABEL_3"), L"");
    EXPECT_EQ(drawing.attributes(other), written);
    EXPECT_EQ(session.commandLine(), L"");
}

TEST(UpdateRevisionTableTest, NothingToWriteLeavesTheTableAloneSilently) {
    const struct {
        const char* what;
        const wchar_t* layout;
        updatetest::Props settings;
        std::vector<updatetest::Props> revisions;
    } cases[] = {
        {"count 0", L"Model", {{"autocad.revision.count", "0"}}, {revision(1)}},
        {"shown revision without number", L"Model", {}, {revision(1), {{"dm_revlabel", "x"}}}},
        {"no table on the layout", L"Sheet1", {}, {revision(1)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestDrawing drawing("sheets.dxf");
        const AcDbObjectId table = drawing.insert(L"Model", L"REVTABLE");
        ManagedDocSetup setup;
        setup.settings = c.settings;
        setup.document.emplace_back("dm_revisionno", "2");
        setup.revisions = c.revisions;
        ManagedDoc doc(setup);
        InputSession session;
        EXPECT_EQ(doc.revisionTable(c.layout, drawing.db()), 0);
        EXPECT_EQ(drawing.attribute(table, L"DM_REV_LABEL_0"), L"-");
        EXPECT_EQ(session.commandLine(), L"");
    }
}

TEST(UpdateRevisionTableTest, FailingCollectIsReportedAndGivesZero) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId table = drawing.insert(L"Model", L"REVTABLE");
    ManagedDocSetup setup;
    setup.document.emplace_back("dm_revisionno", "1");
    setup.revisions = {revision(1)};
    ManagedDoc doc(setup);
    FaultSession session;
    failCall(DbCall::kNewIterator, Acad::eOutOfMemory);
    EXPECT_EQ(doc.revisionTable(L"Model", drawing.db()), 0);
    EXPECT_TRUE(isErrorReport(session.commandLine(), L"eOutOfMemory", L"block"));
    EXPECT_EQ(drawing.attribute(table, L"DM_REV_LABEL_0"), L"-");
}
