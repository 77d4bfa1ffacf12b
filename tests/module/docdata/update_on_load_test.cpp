// The update run as the drawing-load hook starts it: a managed drawing is updated under the
// wait cursor, which is back to normal afterwards.
#include <gtest/gtest.h>
#include <testing_app.h>
#include <testing_input.h>
#include <testing_mfc.h>

#include <filesystem>

#include "frame/doc_registry.h"
#include "module/drawing/drawing_test_support.h"

using namespace updatetest;

TEST(UpdateOnLoadTest, ManagedDrawingIsUpdatedUnderTheWaitCursor) {
    pdmtest::TempDir dir;
    const std::filesystem::path drawingPath = dir.path("plan.dxf");
    std::filesystem::copy_file(updatetest::fixture("sheets.dxf"), drawingPath);
    ManagedDocSetup setup;
    setup.document = {{"dm_title", "P-100"}, {"dm_revisionno", "1"}};
    setup.revisions = {updatetest::revision(1)};
    updatetest::writeCompanionFiles(dir, setup);
    TestDrawing drawing("", drawingPath);
    const AcDbObjectId title = drawing.insert(L"Model", L"SCHRIFTFELD");
    const AcDbObjectId table = drawing.insert(L"Model", L"REVTABLE");
    AcApDocument* document =
        cadhost::testing::openDocument(drawing.release(), drawingPath.wstring());
    ASSERT_NE(document, nullptr);
    const int begun = cadhost::testing::waitCursorBeginCount();
    InputSession session;
    onDocumentLoaded();
    EXPECT_EQ(cadhost::testing::waitCursorBeginCount(), begun + 1);
    EXPECT_EQ(cadhost::testing::waitCursorDepth(), 0);
    EXPECT_EQ(session.commandLine(), L"");
    EXPECT_EQ(drawing.attribute(title, L"DM_TITLE"), L"P-100");
    EXPECT_EQ(drawing.attribute(title, L"PAGES"), L"3");
    EXPECT_EQ(drawing.attribute(table, L"DM_REV_LABEL_0"), L"R1");
    EXPECT_EQ(drawing.openObjects(), 0);
    EXPECT_TRUE(cadhost::testing::closeDocument(document));
}
