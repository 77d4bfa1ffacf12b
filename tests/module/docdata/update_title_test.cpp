// The title block update of the active layout: which record fills which layout, the page
// entries, the attribute map, and failures along the way.
#include <gtest/gtest.h>
#include <testing_db.h>
#include <testing_input.h>
#include <testing_mfc.h>

#include <new>

#include "docdata/docdata.h"
#include "module/drawing/drawing_test_support.h"

using namespace updatetest;

namespace {

const Values kOld = updatetest::titleBlock(L"-", L"-", L"-", L"-", L"-");

ManagedDocSetup layoutObjectSetup() {
    ManagedDocSetup setup;
    setup.document = {{"dm_title", "P-100"}, {"dm_revisionno", "2"}, {"BENENNUNG1", "document"}};
    setup.revisions = {revision(1, "first"), revision(2, "second")};
    setup.relations = {
        {{{"dm_title", "p-100/SHEET2"}, {"BENENNUNG1", "layout object"}}, {revision(9)}},
        {{{"dm_title", "P-100/Sheet3"}, {"BENENNUNG1", "other"}}, {}}};
    return setup;
}

}  // namespace

TEST(UpdateTitleBlocksTest, ActivePaperLayoutShowsItsLayoutObject) {
    TestDrawing drawing("sheets_paper.dxf");
    const AcDbObjectId onSheet2 = drawing.insert(L"Sheet2", L"SCHRIFTFELD");
    const AcDbObjectId onModel = drawing.insert(L"Model", L"SCHRIFTFELD");
    const AcDbObjectId table = drawing.insert(L"Sheet2", L"REVTABLE");
    ManagedDoc doc(layoutObjectSetup());
    InputSession session;
    EXPECT_EQ(doc.data().updateAllTitleBlocks(drawing.db()), 1);
    EXPECT_EQ(drawing.attributes(onSheet2),
              (updatetest::titleBlock(L"p-100/SHEET2", L"layout object", L"-", L"2", L"3")));
    EXPECT_EQ(drawing.attributes(onModel), kOld);
    // The revision table shows the document's revisions, not the layout object's.
    EXPECT_EQ(drawing.attribute(table, L"DM_REV_LABEL_0"), L"R1");
    EXPECT_EQ(drawing.attribute(table, L"DM_REV_COMMENT_1"), L"second");
    EXPECT_EQ(drawing.attribute(table, L"DM_REV_LABEL_2"), L"");
    EXPECT_EQ(session.commandLine(), L"");
}

TEST(UpdateTitleBlocksTest, ModelLayoutFallsBackToTheDocumentWithoutPage) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId onModel = drawing.insert(L"Model", L"SCHRIFTFELD");
    const AcDbObjectId onSheet1 = drawing.insert(L"Sheet1", L"SCHRIFTFELD");
    const AcDbObjectId table = drawing.insert(L"Model", L"REVTABLE");
    ManagedDoc doc(layoutObjectSetup());
    EXPECT_EQ(doc.data().updateAllTitleBlocks(drawing.db()), 0);
    EXPECT_EQ(drawing.attributes(onModel),
              (updatetest::titleBlock(L"P-100", L"document", L"-", L"-", L"3")));
    EXPECT_EQ(drawing.attributes(onSheet1), kOld);
    EXPECT_EQ(drawing.attribute(table, L"DM_REV_USER_1"), L"u2");
}

TEST(UpdateTitleBlocksTest, PaperLayoutWithoutLayoutObjectIsLeftAlone) {
    TestDrawing drawing("sheets_paper.dxf");
    const AcDbObjectId onSheet2 = drawing.insert(L"Sheet2", L"SCHRIFTFELD");
    const AcDbObjectId table = drawing.insert(L"Sheet2", L"REVTABLE");
    ManagedDocSetup setup = layoutObjectSetup();
    setup.relations.clear();
    ManagedDoc doc(setup);
    InputSession session;
    EXPECT_EQ(doc.data().updateAllTitleBlocks(drawing.db()), 0);
    EXPECT_EQ(drawing.attributes(onSheet2), kOld);
    EXPECT_EQ(drawing.attribute(table, L"DM_REV_LABEL_0"), L"-");
    EXPECT_EQ(session.commandLine(), L"");
}

TEST(UpdateTitleBlocksTest, AttributeMapAndComputedPageWin) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId onSheet3 = drawing.insert(L"Sheet3", L"SCHRIFTFELD");
    ManagedDocSetup setup;
    setup.attributeMap = "dm_number = ZEICHNUNG*\nunknown = BENENNUNG1\n";
    ManagedDoc doc(setup);
    DocumentRecord record;
    record.properties = {{L"dm_title", L"T"}, {L"dm_number", L"4711"}, {L"PAGE", L"99"}};
    EXPECT_EQ(doc.layoutTitles(record, L"sheet3", drawing.db()), 1);
    EXPECT_EQ(drawing.attributes(onSheet3),
              (updatetest::titleBlock(L"T", L"-", L"4711", L"3", L"3")));
    // Without a layout name nothing is numbered: the record's own PAGE stays.
    EXPECT_EQ(doc.layoutTitles(record, nullptr, nullptr), 1);
    EXPECT_EQ(drawing.attribute(onSheet3, L"PAGE"), L"99");
    EXPECT_EQ(drawing.attribute(onSheet3, L"PAGES"), L"3");
    // A record without properties writes nothing, not even page numbers.
    EXPECT_EQ(doc.layoutTitles(DocumentRecord(), L"Sheet3", drawing.db(), 0, 1), 0);
    EXPECT_EQ(drawing.attribute(onSheet3, L"PAGES"), L"3");
}

TEST(UpdateTitleBlocksTest, SettingsWithoutTitleBlocksFindNothing) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId onModel = drawing.insert(L"Model", L"SCHRIFTFELD");
    ManagedDocSetup setup;
    setup.titleBlocks = "";
    setup.revisionBlocks = "";
    ManagedDoc doc(setup);
    InputSession session;
    EXPECT_EQ(doc.data().updateAllTitleBlocks(drawing.db()), 0);
    EXPECT_EQ(drawing.attribute(onModel, L"DM_TITLE"), L"-");
    EXPECT_EQ(session.commandLine(), L"");
}

// Failures: each is reported by the operation that met it; the update goes on.

TEST(UpdateTitleBlocksTest, FailedLayoutListLeavesThePageOut) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId onSheet2 = drawing.insert(L"Sheet2", L"SCHRIFTFELD");
    ManagedDoc doc(ManagedDocSetup{});
    FaultSession session;
    failCall(DbCall::kGetSymbolTable, Acad::eWasOpenForWrite);
    EXPECT_EQ(doc.layoutTitles(doc.data().document(), L"Sheet2", drawing.db()), 1);
    EXPECT_TRUE(isErrorReport(session.commandLine(), L"eWasOpenForWrite", L"arxdatabase"));
    EXPECT_EQ(drawing.attribute(onSheet2, L"DM_TITLE"), L"P-100");
    EXPECT_EQ(drawing.attribute(onSheet2, L"PAGE"), L"-");
    EXPECT_EQ(drawing.attribute(onSheet2, L"PAGES"), L"-");
}

TEST(UpdateTitleBlocksTest, FailedTitleSearchStillUpdatesTheRevisionTable) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId onModel = drawing.insert(L"Model", L"SCHRIFTFELD");
    const AcDbObjectId table = drawing.insert(L"Model", L"REVTABLE");
    ManagedDocSetup setup = layoutObjectSetup();
    setup.settings = {{"autocad.titlebordermode", "1"}};
    ManagedDoc doc(setup);
    FaultSession session;
    // The first reference list is the title border manager's.
    failCall(DbCall::kGetBlockReferenceIds, Acad::eOutOfMemory);
    EXPECT_EQ(doc.data().updateAllTitleBlocks(drawing.db()), 0);
    EXPECT_TRUE(isErrorReport(session.commandLine(), L"eOutOfMemory", L"acmtitlebordermgr"));
    EXPECT_EQ(drawing.attribute(onModel, L"DM_TITLE"), L"-");
    EXPECT_EQ(drawing.attribute(table, L"DM_REV_LABEL_1"), L"R2");
}

TEST(UpdateTitleBlocksTest, DrawingWithoutActiveLayoutIsNotTouched) {
    TestDrawing drawing("sheets_paper.dxf");
    const AcDbObjectId onSheet2 = drawing.insert(L"Sheet2", L"SCHRIFTFELD");
    ManagedDoc doc(layoutObjectSetup());
    FaultSession session;
    cadhost::testing::failOpen(drawing.block(L"*Paper_Space"), Acad::eWasErased);
    EXPECT_EQ(doc.data().updateAllTitleBlocks(drawing.db()), 0);
    EXPECT_TRUE(isErrorReport(session.commandLine(), L"eWasErased", L"arxdatabase"));
    cadhost::testing::clearDbFaults();
    EXPECT_EQ(drawing.attribute(onSheet2, L"DM_TITLE"), L"-");
}

TEST(UpdateTitleBlocksTest, UnexpectedFailureGivesTheUndefinedErrorLineAndZero) {
    class FailingDocData : public CDocData {
      public:
        int buildTitleBlockValues(const PropertyMap&, CMapStringToString&,
                                  CVoVurSettings&) override {
            throw std::bad_alloc();
        }
    };
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId table = drawing.insert(L"Model", L"REVTABLE");
    FailingDocData data;
    updatetest::ManagedDocSetup setup;
    setup.document.emplace_back("dm_revisionno", "1");
    setup.revisions = {revision(1)};
    pdmtest::TempDir dir;
    updatetest::writeCompanionFiles(dir, setup);
    data.load(drawing.db(), dir.path("plan.dxf").wstring().c_str(), 1, 1);
    InputSession session;
    EXPECT_EQ(data.updateAllTitleBlocks(drawing.db()), 0);
    EXPECT_TRUE(isUndefinedError(session.commandLine(), L"docdata"));
    // The revision table is updated all the same.
    EXPECT_EQ(drawing.attribute(table, L"DM_REV_LABEL_0"), L"R1");
}
