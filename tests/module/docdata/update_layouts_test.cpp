// The multi-layout run: the single-record way and the multi-layout way with page numbers.
#include <gtest/gtest.h>
#include <testing_db.h>
#include <testing_input.h>

#include "docdata/docdata.h"
#include "module/drawing/drawing_test_support.h"

using namespace updatetest;

namespace {

struct Sheets {
    explicit Sheets(const TestDrawing& drawing) {
        for (const wchar_t* layout : {L"Model", L"Sheet1", L"Sheet2", L"Sheet3"}) {
            titles.push_back(drawing.insert(layout, L"SCHRIFTFELD"));
            tables.push_back(drawing.insert(layout, L"REVTABLE"));
        }
    }
    std::vector<AcDbObjectId> titles;  // Model, Sheet1, Sheet2, Sheet3
    std::vector<AcDbObjectId> tables;
};

Values title(const wchar_t* dmTitle, const wchar_t* name, const wchar_t* page,
             const wchar_t* pages) {
    return updatetest::titleBlock(dmTitle, name, L"-", page, pages);
}

ManagedDocSetup multiLayoutSetup() {
    ManagedDocSetup setup;
    setup.settings = {{"autocad.updatealltitleblock", "1"}, {"autocad.multilayout", "1"}};
    setup.document = {{"dm_title", "P-100"}, {"BENENNUNG1", "doc"}, {"dm_revisionno", "1"}};
    setup.revisions = {revision(1)};
    setup.relations = {{{{"dm_title", "P-100/Sheet1"}, {"BENENNUNG1", "one"}}, {}},
                       {{{"dm_title", "P-100/Sheet3"}, {"BENENNUNG1", "three"}}, {}},
                       {{{"dm_title", "P-100/Elsewhere"}, {"BENENNUNG1", "no such layout"}}, {}}};
    return setup;
}

}  // namespace

TEST(UpdateAllLayoutsTest, MultiLayoutWayNumbersTheLayoutObjects) {
    TestDrawing drawing("sheets.dxf");
    Sheets sheets(drawing);
    ManagedDoc doc(multiLayoutSetup());
    InputSession session;
    EXPECT_EQ(doc.data().updateAllTitleBlocks(drawing.db()), 1);
    EXPECT_EQ(drawing.attributes(sheets.titles[0]), title(L"P-100", L"doc", L"-", L"3"));
    EXPECT_EQ(drawing.attributes(sheets.titles[1]), title(L"P-100/Sheet1", L"one", L"1", L"3"));
    EXPECT_EQ(drawing.attributes(sheets.titles[2]), title(L"-", L"-", L"-", L"-"));
    EXPECT_EQ(drawing.attributes(sheets.titles[3]), title(L"P-100/Sheet3", L"three", L"3", L"3"));
    const std::wstring rows[] = {L"R1", L"R1", L"-", L"R1"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(drawing.attribute(sheets.tables[i], L"DM_REV_LABEL_0"), rows[i]) << i;
    EXPECT_EQ(session.commandLine(), L"");
}

TEST(UpdateAllLayoutsTest, LayoutVariantTakesTheMultiLayoutWay) {
    TestDrawing drawing("sheets.dxf");
    Sheets sheets(drawing);
    ManagedDocSetup setup = multiLayoutSetup();
    setup.settings = {{"autocad.updatealltitleblock", "1"}};
    setup.document.emplace_back("dm_vartype", "DM_LAYOUT");
    ManagedDoc doc(setup);
    EXPECT_EQ(doc.data().updateAllLayouts(drawing.db()), 1);
    EXPECT_EQ(drawing.attribute(sheets.titles[3], L"PAGE"), L"3");
    EXPECT_EQ(drawing.attribute(sheets.titles[2], L"DM_TITLE"), L"-");
}

TEST(UpdateAllLayoutsTest, SingleRecordWayFillsEveryLayoutWithoutPages) {
    TestDrawing drawing("sheets_paper.dxf");
    Sheets sheets(drawing);
    ManagedDocSetup setup = multiLayoutSetup();
    setup.settings = {{"autocad.updatealltitleblock", "1"}, {"autocad.multilayout", "0"}};
    ManagedDoc doc(setup);
    EXPECT_EQ(doc.data().updateAllTitleBlocks(drawing.db()), 1);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(drawing.attributes(sheets.titles[i]), title(L"P-100", L"doc", L"-", L"-")) << i;
        EXPECT_EQ(drawing.attribute(sheets.tables[i], L"DM_REV_LABEL_0"), L"R1") << i;
    }
}
