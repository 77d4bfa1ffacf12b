// AcmTitleBorderMgr and its parts: both scan modes, pairing through the link data, writing,
// and the reported failures.
#include <functional>

#include <string>

#include "titleborder/acmtitlebordermgr.h"

#include <gtest/gtest.h>
#include <testing_db.h>
#include <testing_input.h>

#include "drawing/xdata.h"
#include "module/drawing/drawing_test_support.h"

using namespace updatetest;

namespace {

struct Found {
    AcDbObjectId border;
    AcDbObjectId title;
    bool operator==(const Found& o) const { return border == o.border && title == o.title; }
};

std::vector<Found> found(AcmTitleBorderMgr& manager) {
    std::vector<Found> out;
    for (std::uint64_t i = 0; i < manager.count(); ++i)
        out.push_back({manager.at(i).border().objectId(), manager.at(i).title().objectId()});
    return out;
}

CStringArray& titleNames() {
    static CStringArray names;
    if (names.IsEmpty()) fill(names, {L"SCHRIFTFELD", L"TB_DYN"});
    return names;
}

CMapStringToString& values() {
    static CMapStringToString map;
    if (map.IsEmpty()) {
        map.SetAt(L"dm_title", L"P-100");
        map.SetAt(L"FORMAT", L"A3");
    }
    return map;
}

}  // namespace

TEST(AcmTitleBorderMgrTest, PairsABorderWithItsTitleAndWritesBoth) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId border = drawing.insert(L"Sheet1", L"AM_BORDER");
    const AcDbObjectId title = drawing.insert(L"Sheet1", L"AM_TITLE");
    drawing.link(border, title);
    AcmTitleBorderMgr manager(0, drawing.db());
    ASSERT_TRUE(manager.collect(nullptr, titleNames()));
    EXPECT_EQ(found(manager), (std::vector<Found>{{border, title}}));
    EXPECT_FALSE(manager.at(0).title().isKnown());
    EXPECT_TRUE(manager.setAttributeValues(values()));
    EXPECT_EQ(drawing.attribute(border, L"FORMAT"), L"A3");
    EXPECT_EQ(drawing.attribute(title, L"DM_TITLE"), L"P-100");
}

TEST(AcmTitleBorderMgrTest, BorderWithoutPartnerIsDropped) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId border = drawing.insert(L"Sheet1", L"AM_BORDER_TEXT");
    drawing.setLink(border, L"ABC");
    const AcDbObjectId other = drawing.insert(L"Sheet1", L"AM_TITLE");
    drawing.setLink(other, L"abc");  // handles compare exactly
    AcmTitleBorderMgr manager(0, drawing.db());
    EXPECT_FALSE(manager.collect(L"", titleNames()));
    EXPECT_EQ(manager.count(), 0u);
    EXPECT_EQ(drawing.attribute(border, L"FORMAT"), L"-");
}

TEST(AcmTitleBorderMgrTest, FrameWithoutInsertMarkerIsNoBorder) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId frame = drawing.insert(L"Model", L"PLAIN_FRAME");
    const AcDbObjectId title = drawing.insert(L"Model", L"AM_TITLE");
    drawing.link(frame, title);
    EXPECT_FALSE(isBorderReference(frame));
    EXPECT_TRUE(isTitleReference(title));
    EXPECT_FALSE(isTitleReference(drawing.insert(L"Model", L"TB2")));  // no link data
    AcmTitleBorderMgr manager(0, drawing.db());
    EXPECT_FALSE(manager.collect(nullptr, titleNames()));
}

TEST(AcmTitleBorderMgrTest, EntityScanSkipsInvisibleTitlesAndResolvesDynamicBlocks) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId visible = drawing.insert(L"Model", L"SCHRIFTFELD");
    drawing.insert(L"Model", L"SCHRIFTFELD", {}, false);
    const AcDbObjectId dynamic = drawing.insert(L"Model", L"*U2");
    AcmTitleBorderMgr manager(0, drawing.db());
    ASSERT_TRUE(manager.collect(nullptr, titleNames()));
    EXPECT_EQ(found(manager), (std::vector<Found>{{{}, visible}, {{}, dynamic}}));
    EXPECT_TRUE(manager.at(0).title().isKnown());
}

TEST(AcmTitleBorderMgrTest, DefinitionScanTakesInvisibleTitlesButNoAnonymousOnes) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId visible = drawing.insert(L"Model", L"SCHRIFTFELD");
    const AcDbObjectId hidden = drawing.insert(L"Model", L"SCHRIFTFELD", {}, false);
    drawing.insert(L"Model", L"*U2");
    const AcDbObjectId border = drawing.insert(L"Model", L"AM_BORDER");
    drawing.link(border, drawing.insert(L"Model", L"AM_TITLE"));
    AcmTitleBorderMgr manager(1, drawing.db());
    ASSERT_TRUE(manager.collect(nullptr, titleNames()));
    EXPECT_EQ(found(manager), (std::vector<Found>{{{}, visible}, {{}, hidden}}));
    EXPECT_TRUE(manager.setAttributeValues(values()));
    EXPECT_EQ(drawing.attribute(hidden, L"DM_TITLE"), L"P-100");
}

TEST(AcmTitleBorderMgrTest, TitleThatIsAlsoAPartnerIsWrittenTwice) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId border = drawing.insert(L"Model", L"AM_BORDER");
    const AcDbObjectId title = drawing.insert(L"Model", L"SCHRIFTFELD");
    drawing.link(border, title);
    AcmTitleBorderMgr manager(0, drawing.db());
    ASSERT_TRUE(manager.collect(nullptr, titleNames()));
    EXPECT_EQ(found(manager), (std::vector<Found>{{border, title}, {{}, title}}));
}

TEST(AcmTitleBorderMgrTest, LayoutPatternRestrictsTheScan) {
    TestDrawing drawing("sheets.dxf");
    drawing.insert(L"Model", L"SCHRIFTFELD");
    const AcDbObjectId first = drawing.insert(L"Sheet1", L"SCHRIFTFELD");
    const AcDbObjectId third = drawing.insert(L"Sheet3", L"SCHRIFTFELD");
    AcmTitleBorderMgr manager(0, drawing.db());
    ASSERT_TRUE(manager.collect(L"sheet*", titleNames()));
    EXPECT_EQ(found(manager), (std::vector<Found>{{{}, first}, {{}, third}}));
    AcmTitleBorderMgr none(0, drawing.db());
    EXPECT_FALSE(none.collect(L"Sheet2", titleNames()));
}

TEST(AcmTitleBorderMgrTest, MoreThanSixtyFourTargetsGrowTheVector) {
    TestDrawing drawing("sheets.dxf");
    std::vector<AcDbObjectId> titles;
    for (int i = 0; i < 70; ++i) titles.push_back(drawing.insert(L"Sheet2", L"SCHRIFTFELD"));
    AcmTitleBorderMgr manager(1, drawing.db());
    ASSERT_TRUE(manager.collect(L"Sheet2", titleNames()));
    EXPECT_EQ(manager.count(), 70u);
    EXPECT_EQ(manager.capacity(), 128u);
    EXPECT_TRUE(manager.setAttributeValues(values()));
    EXPECT_EQ(drawing.attribute(titles.back(), L"DM_TITLE"), L"P-100");
}

TEST(AcmTitleBorderMgrTest, EntityScanRegistersTheLinkApplication) {
    TestDrawing drawing("sheets.dxf");
    drawing.insert(L"Model", L"TB2");
    ASSERT_FALSE(hasSymbolRecord(AcDbRegAppTableRecord::desc(), L"GENIUS_GENOREF_13"));
    AcmTitleBorderMgr manager(0, drawing.db());
    manager.collect(nullptr, titleNames());
    EXPECT_TRUE(hasSymbolRecord(AcDbRegAppTableRecord::desc(), L"GENIUS_GENOREF_13"));
}

TEST(AcmTitleBorderTest, PartsAnswerForTheirReferences) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId border = drawing.insert(L"Model", L"AM_BORDER");
    const AcDbObjectId title = drawing.insert(L"Model", L"AM_TITLE");
    drawing.link(border, title);
    AcmTitleBorderMgr manager(0, drawing.db());
    ASSERT_TRUE(manager.collect(nullptr, titleNames()));
    CString handle;
    EXPECT_TRUE(manager.getLinkHandle(handle, title));
    wchar_t own[32];
    border.handle().getIntoAsciiBuffer(own, 32);
    EXPECT_STREQ(handle, own);
    EXPECT_FALSE(manager.getLinkHandle(handle, AcDbObjectId::kNull));
    CString name;
    EXPECT_FALSE(AcmTitle().getBlockInfo(&name, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(getSymbolName(AcDbObjectId::kNull, name), Acad::eNullObjectId);
    EXPECT_STREQ(name, L"AcDbObjectId::kNull");
    // The border's outline is 420 x 297 at (10, 10); bounds count as inside.
    AcmTitleBorder hit;
    EXPECT_TRUE(manager.findByPoint(hit, AcGePoint2d(100, 100)));
    EXPECT_TRUE(hit.isEqual(manager.at(0)));
    EXPECT_TRUE(manager.findByPoint(hit, AcGePoint3d(10, 307, 5)));
    EXPECT_FALSE(manager.findByPoint(hit, AcGePoint2d(9.5, 100)));
    CMapStringToString read;
    EXPECT_TRUE(manager.getAttributeValues(read));
    EXPECT_EQ(read.GetCount(), 4);  // DM_TITLE, BENENNUNG1, BORDER_INSERT, FORMAT
}

TEST(AcmTitleBorderMgrTest, FailuresAreReportedAndAnswerFalse) {
    TestDrawing drawing("sheets.dxf");
    drawing.insert(L"Model", L"SCHRIFTFELD");
    for (DbCall call : {DbCall::kGetSymbolTable, DbCall::kNewIterator}) {
        FaultSession session;
        failCall(call, Acad::eInvalidOpenState);
        AcmTitleBorderMgr manager(0, drawing.db());
        EXPECT_FALSE(manager.collect(nullptr, titleNames()));
        EXPECT_TRUE(
            isErrorReport(session.commandLine(), L"eInvalidOpenState", L"acmtitlebordermgr"));
        EXPECT_EQ(drawing.openObjects(), 0);
    }
    // A block definition scan whose reference list fails reports and finds nothing there.
    FaultSession session;
    failCall(DbCall::kGetBlockReferenceIds, Acad::eOutOfMemory);
    AcmTitleBorderMgr manager(1, drawing.db());
    EXPECT_FALSE(manager.collect(L"Model", titleNames()));
    EXPECT_TRUE(isErrorReport(session.commandLine(), L"eOutOfMemory", L"acmtitlebordermgr"));
}

TEST(AcmTitleBorderMgrTest, BoundsErrorEndsTheWalkWithTheUndefinedErrorLine) {
    // A slip in an element walk reaches collect's boundary as the container's narrow text.
    class SlippingManager : public AcmTitleBorderMgr {
      public:
        using AcmTitleBorderMgr::AcmTitleBorderMgr;
        bool resolveTitles() override {
            at(capacity());
            return true;
        }
    };
    TestDrawing drawing("sheets.dxf");
    drawing.insert(L"Model", L"SCHRIFTFELD");
    InputSession session;
    SlippingManager manager(0, drawing.db());
    EXPECT_FALSE(manager.collect(nullptr, titleNames()));
    EXPECT_TRUE(isUndefinedError(session.commandLine(), L"acmtitlebordermgr"));
}

TEST(AcmTitleBorderMgrTest, EachReportingOperationReportsAFailingOpen) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId border = drawing.insert(L"Model", L"AM_BORDER");
    const AcDbObjectId title = drawing.insert(L"Model", L"AM_TITLE");
    drawing.link(border, title);
    AcmTitleBorderMgr manager(0, drawing.db());
    CString text;
    AcDbExtents extents;
    const struct {
        const char* what;
        AcDbObjectId failing;
        std::function<bool()> run;  // the operation's answer
    } cases[] = {
        {"getLinkHandle", title, [&] { return manager.getLinkHandle(text, title); }},
        {"title test", title, [&] { return isTitleReference(title); }},
        {"border test, its definition", drawing.block(L"AM_BORDER"),
         [&] { return isBorderReference(border); }},
        {"getBlockInfo", title,
         [&] {
             return AcmTitle(title, true).getBlockInfo(&text, nullptr, nullptr, nullptr, nullptr);
         }},
        {"getGeomExtents", border,
         [&] { return AcmBorder(border).getGeomExtents(extents) == Acad::eOk; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FaultSession session;
        cadhost::testing::failOpen(c.failing, Acad::eWasErased);
        EXPECT_FALSE(c.run());
        // A border that does not open is no border: answered without a report.
        if (std::string(c.what) == "getGeomExtents") {
            EXPECT_EQ(session.commandLine(), L"");
        } else {
            EXPECT_TRUE(isErrorReport(session.commandLine(), L"eWasErased", L"acmtitlebordermgr"));
        }
        EXPECT_EQ(drawing.openObjects(), 0);
    }
    FaultSession session;
    failCall(DbCall::kGetSymbolTable, Acad::eInvalidOpenState);
    AcDbObjectId partner;
    EXPECT_FALSE(manager.findPartner(partner, border));
    EXPECT_TRUE(partner.isNull());
    EXPECT_TRUE(isErrorReport(session.commandLine(), L"eInvalidOpenState", L"acmtitlebordermgr"));
}
