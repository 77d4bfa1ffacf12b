// The revision table update: which revisions fill which rows, blanked and untouched rows, and
// failures while collecting.
#include <gtest/gtest.h>
#include <testing_db.h>
#include <testing_input.h>

#include "docdata/docdata.h"
#include "module/drawing/drawing_test_support.h"
#include "module/drawing/update_test_support.h"

using cadhost::testing::DbCall;
using cadhost::testing::DbFaultScope;
using cadhost::testing::failCall;
using cadhost::testing::InputSession;
using updatetest::isErrorReport;
using updatetest::ManagedDoc;
using updatetest::ManagedDocSpec;
using updatetest::narrow;
using updatetest::Props;
using updatetest::revision;
using updatetest::TestDrawing;

namespace {

// The labels of rows 0..3 as the table shows them after the update ("-": never written).
std::vector<std::wstring> labels(const TestDrawing& drawing, AcDbObjectId table) {
    std::vector<std::wstring> out;
    for (int row = 0; row < 4; ++row)
        out.push_back(drawing.attribute(table, (L"DM_REV_LABEL_" + std::to_wstring(row)).c_str()));
    return out;
}

std::vector<Props> revisions(int n) {
    std::vector<Props> out;
    for (int i = 1; i <= n; ++i) out.push_back(revision(i, "c" + std::to_string(i)));
    return out;
}

}  // namespace

TEST(UpdateRevisionTableTest, RevisionWindows) {
    struct Case {
        const char* what;
        int revisions;
        const char* current;
        Props settings;
        int result;
        std::vector<std::wstring> rows;
    };
    const Case cases[] = {
        {"six, the last four", 6, "6", {}, 1, {L"R3", L"R4", L"R5", L"R6"}},
        {"two, rows after them blanked", 2, "2", {}, 1, {L"R1", L"R2", L"", L""}},
        {"newer than current stops the rows", 6, "4", {}, 1, {L"R3", L"R4", L"-", L"-"}},
        {"first moves the window",
         6,
         "6",
         {{"autocad.revision.first", "5"}},
         1,
         {L"R6", L"", L"", L""}},
        {"negative first counts as 0",
         2,
         "2",
         {{"autocad.revision.first", "-3"}},
         1,
         {L"R1", L"R2", L"", L""}},
        {"count 0 writes nothing",
         6,
         "6",
         {{"autocad.revision.count", "0"}},
         0,
         {L"-", L"-", L"-", L"-"}},
        {"two rows", 6, "6", {{"autocad.revision.count", "2"}}, 1, {L"R5", L"R6", L"-", L"-"}},
        {"no current revision", 2, nullptr, {}, 0, {L"-", L"-", L"-", L"-"}},
        {"no revisions at all", 0, "0", {}, 1, {L"", L"", L"", L""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDrawing drawing("sheets.dxf");
        const AcDbObjectId table = drawing.insert(L"Model", L"REVTABLE");
        ManagedDocSpec setup;
        setup.settings = c.settings;
        if (c.current != nullptr) setup.document.emplace_back("dm_revisionno", c.current);
        setup.revisions = revisions(c.revisions);
        ManagedDoc doc(setup);
        EXPECT_EQ(doc.data().updateRevisionTable(doc.data().document(), L"Model",
                                                 doc.data().getSettings(), drawing.db()),
                  c.result);
        EXPECT_EQ(labels(drawing, table), c.rows);
    }
}

TEST(UpdateRevisionTableTest, RowsCarryCommentDateAndUser) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId table = drawing.insert(L"Sheet1", L"REVTABLE");
    ManagedDocSpec setup;
    setup.document.emplace_back("dm_revisionno", "2");
    setup.revisions = {revision(1, "first"), revision(2)};  // the second lacks dm_comment
    ManagedDoc doc(setup);
    EXPECT_EQ(doc.data().updateRevisionTable(doc.data().document(), nullptr,
                                             doc.data().getSettings(), nullptr),
              1);
    EXPECT_EQ(drawing.attribute(table, L"DM_REV_COMMENT_0"), L"first");
    EXPECT_EQ(drawing.attribute(table, L"DM_REV_DATE_0"), L"2024-01");
    EXPECT_EQ(drawing.attribute(table, L"DM_REV_USER_0"), L"u1");
    EXPECT_EQ(drawing.attribute(table, L"DM_REV_COMMENT_1"), L"");
}

TEST(UpdateRevisionTableTest, ShownRevisionWithoutNumberLeavesTheTableAlone) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId table = drawing.insert(L"Model", L"REVTABLE");
    ManagedDocSpec setup;
    setup.document.emplace_back("dm_revisionno", "3");
    setup.revisions = {revision(1), {{"dm_revlabel", "no number"}}, revision(3)};
    ManagedDoc doc(setup);
    EXPECT_EQ(doc.data().updateRevisionTable(doc.data().document(), L"Model",
                                             doc.data().getSettings(), drawing.db()),
              0);
    EXPECT_EQ(drawing.attribute(table, L"DM_REV_LABEL_0"), L"-");
}

TEST(UpdateRevisionTableTest, NoTableOnTheLayoutWritesNothingSilently) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId elsewhere = drawing.insert(L"Sheet2", L"REVTABLE");
    ManagedDocSpec setup;
    setup.document.emplace_back("dm_revisionno", "1");
    setup.revisions = revisions(1);
    ManagedDoc doc(setup);
    InputSession session;
    EXPECT_EQ(doc.data().updateRevisionTable(doc.data().document(), L"Sheet1",
                                             doc.data().getSettings(), drawing.db()),
              0);
    EXPECT_EQ(drawing.attribute(elsewhere, L"DM_REV_LABEL_0"), L"-");
    EXPECT_EQ(session.commandLine(), L"");
}

TEST(UpdateRevisionTableTest, FailingCollectIsReportedAndGivesZero) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId table = drawing.insert(L"Model", L"REVTABLE");
    ManagedDocSpec setup;
    setup.document.emplace_back("dm_revisionno", "1");
    setup.revisions = revisions(1);
    ManagedDoc doc(setup);
    DbFaultScope faults;
    InputSession session;
    failCall(DbCall::kNewIterator, Acad::eOutOfMemory);
    EXPECT_EQ(doc.data().updateRevisionTable(doc.data().document(), L"Model",
                                             doc.data().getSettings(), drawing.db()),
              0);
    EXPECT_TRUE(isErrorReport(session.commandLine(), L"eOutOfMemory", L"block"))
        << narrow(session.commandLine());
    EXPECT_EQ(drawing.attribute(table, L"DM_REV_LABEL_0"), L"-");
    EXPECT_EQ(drawing.openObjects(), 0);
}
