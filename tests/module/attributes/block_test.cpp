// CAttBlock, CAttBlockList and the block name functions on fixture drawings with references
// added through the database API.
#include "attributes/block.h"

#include <acutmem.h>
#include <gtest/gtest.h>
#include <testing_db.h>
#include <testing_input.h>

#include "module/drawing/drawing_test_support.h"

using namespace updatetest;

namespace {

std::vector<AcDbObjectId> ids(const CAttBlockList& list) { return {list.begin(), list.end()}; }

std::wstring blockNameOf(AcDbObjectId referenceId, int* result = nullptr) {
    AcDbBlockReference* reference = nullptr;
    if (acdbOpenObject(reference, referenceId, AcDb::kForRead) != Acad::eOk) return L"<no open>";
    ACHAR* name = nullptr;
    const int r = getBlockName(name, reference);
    reference->close();
    if (result != nullptr) *result = r;
    std::wstring text = name != nullptr ? name : L"<null>";
    acutDelString(name);
    return text;
}

}  // namespace

TEST(MatchesNameTest, PatternsWithAndWithoutStar) {
    const struct {
        const wchar_t* pattern;
        const wchar_t* name;
        bool matches;
    } cases[] = {
        {L"TB?", L"tb?", true},
        {L"TB?", L"TB1", false},
        {L"TB*", L"tb1", true},
        {L"TB*", L"TB12", true},
        {L"Schriftfeld", L"SCHRIFTFELD", true},
        {L"TB#*", L"tb1x", true},
        {L"TB#", L"TB1", false},
        {L"*", L"", true},
        {L"", L"", true},
        {L"TB*", L"XTB1", false},
        {nullptr, L"TB", false},
        {L"TB", nullptr, false},
        {L"ÄNDERUNG*", L"änderung_1", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(matchesName(c.pattern, c.name), c.matches)
            << narrow(c.pattern ? c.pattern : L"(null)") << " / "
            << narrow(c.name ? c.name : L"(null)");
    }
    CStringArray patterns;
    EXPECT_FALSE(matchesAnyName(patterns, L"TB"));
    fill(patterns, {L"REV*", L"tb?", L"TB2"});
    EXPECT_TRUE(matchesAnyName(patterns, L"tb2"));
    EXPECT_TRUE(matchesAnyName(patterns, L"revtable"));
    EXPECT_FALSE(matchesAnyName(patterns, L"TB3"));
}

TEST(CAttBlockListTest, CollectsEveryLayoutInBlockTableOrder) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId onSheet2 = drawing.insert(L"Sheet2", L"TB2");
    const AcDbObjectId onModel = drawing.insert(L"Model", L"TB2");
    const AcDbObjectId onSheet1 = drawing.insert(L"Sheet1", L"SCHRIFTFELD");
    drawing.insert(L"Model", L"NOATT");
    drawing.insert(L"Model", L"*U3");                     // anonymous, no owner
    drawing.insert(L"Model", L"*U1");                     // dynamic representation
    drawing.insertInto(drawing.block(L"NOATT"), L"TB2");  // nested in a block
    CStringArray patterns;
    fill(patterns, {L"TB2", L"SCHRIFT*", L"NOATT", L"`*U*", L"*U*"});
    CAttBlockList list(drawing.db());
    EXPECT_TRUE(list.collectFromLayouts(nullptr, patterns));
    EXPECT_EQ(ids(list), (std::vector<AcDbObjectId>{onModel, onSheet1, onSheet2}));
    // Collecting again appends; a reference found twice is held twice.
    EXPECT_TRUE(list.collectFromLayouts(L"", patterns));
    EXPECT_EQ(list.length(), 6);
}

TEST(CAttBlockListTest, LayoutPatternTakesOnlyTheFirstMatchingLayout) {
    TestDrawing drawing("sheets.dxf");
    drawing.insert(L"Model", L"TB2");
    const AcDbObjectId onSheet1 = drawing.insert(L"Sheet1", L"TB2");
    drawing.insert(L"Sheet3", L"TB2");
    CStringArray patterns;
    fill(patterns, {L"tb2"});
    CAttBlockList list;  // the working database
    EXPECT_TRUE(list.collectFromLayouts(L"SHEET*", patterns));
    EXPECT_EQ(ids(list), (std::vector<AcDbObjectId>{onSheet1}));
    CStringArray none;
    CAttBlockList empty(drawing.db());
    EXPECT_FALSE(empty.collectFromLayouts(L"Sheet2", patterns));
    EXPECT_FALSE(empty.collectFromLayouts(L"NoSuchLayout", patterns));
    EXPECT_FALSE(empty.collectFromLayouts(nullptr, none));
    // A single block must be a layout's.
    EXPECT_FALSE(empty.collectFromLayout(nullptr, patterns));
    AcDbBlockTableRecord* record = nullptr;
    ASSERT_EQ(acdbOpenObject(record, drawing.block(L"TB2"), AcDb::kForRead), Acad::eOk);
    EXPECT_FALSE(empty.collectFromLayout(record, patterns));
    record->close();
    EXPECT_TRUE(empty.isEmpty());
}

TEST(CAttBlockTest, WritesByTagThenLowerCaseThenPattern) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId id = drawing.insert(L"Model", L"SCHRIFTFELD",
                                           titleBlock(L"old", L"old", L"old", L"old", L"old"));
    CMapStringToString values;
    values.SetAt(L"DM_TITLE", L"exact");
    values.SetAt(L"dm_title", L"lower");
    values.SetAt(L"benennung1", L"by lower case");
    values.SetAt(L"zeichnungs*", L"by pattern");
    values.SetAt(L"PAGES?", L"question mark only without a star");
    ASSERT_EQ(CAttBlock(id).setAttributeValues(values), Acad::eOk);
    EXPECT_EQ(drawing.attributes(id),
              titleBlock(L"exact", L"by lower case", L"by pattern", L"old", L"old"));
    CMapStringToString star;
    star.SetAt(L"*", L"every other");
    star.SetAt(L"page", L"3");
    ASSERT_EQ(CAttBlock(id).setAttributeValues(star), Acad::eOk);
    EXPECT_EQ(drawing.attribute(id, L"PAGE"), L"3");
    EXPECT_EQ(drawing.attribute(id, L"DM_TITLE"), L"every other");
    CMapStringToString read;
    ASSERT_EQ(CAttBlock(id).getAttributeValues(read), Acad::eOk);
    EXPECT_EQ(read.GetCount(), 5);
    CString text;
    EXPECT_TRUE(read.Lookup(L"PAGE", text));
    EXPECT_STREQ(text, L"3");
}

TEST(CAttBlockTest, ObjectsThatAreNoBlockReferences) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId text = drawing.addText(L"Model", L"plain");
    AcDbObjectIdArray attributeIds;
    attributeIds.append(text);
    EXPECT_EQ(CAttBlock(text).getAttributeIds(attributeIds), Acad::eIllegalEntityType);
    EXPECT_EQ(attributeIds.length(), 1);
    CMapStringToString values;
    EXPECT_EQ(CAttBlock(text).getAttributeValues(values), Acad::eIllegalEntityType);
    EXPECT_EQ(CAttBlock(AcDbObjectId::kNull).setAttributeValues(values), Acad::eNullObjectId);
    // A reference that yields no attribute iterator.
    const AcDbObjectId bare = drawing.insert(L"Model", L"NOATT");
    {
        DbFaultScope faults;
        failCall(DbCall::kNewIterator, Acad::eOutOfMemory);
        EXPECT_EQ(CAttBlock(bare).getAttributeIds(attributeIds), Acad::eNullEntityPointer);
    }
    EXPECT_EQ(CAttBlock(bare).getAttributeIds(attributeIds), Acad::eOk);
    EXPECT_EQ(attributeIds.length(), 1);
}

TEST(CAttBlockTest, VisibilityCoversTheAttributes) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId id = drawing.insert(L"Model", L"TB2");
    ASSERT_EQ(CAttBlock(id).setVisibility(AcDb::kInvisible), Acad::eOk);
    EXPECT_EQ(drawing.visibility(id), AcDb::kInvisible);
    AcDbObjectIdArray attributeIds;
    ASSERT_EQ(CAttBlock(id).getAttributeIds(attributeIds), Acad::eOk);
    ASSERT_EQ(attributeIds.length(), 2);
    for (const AcDbObjectId& a : attributeIds) EXPECT_EQ(drawing.visibility(a), AcDb::kInvisible);
    ASSERT_EQ(CAttBlock(id).setVisibility(AcDb::kVisible), Acad::eOk);
    EXPECT_EQ(drawing.visibility(attributeIds[1]), AcDb::kVisible);
}

TEST(BlockNameTest, DynamicAndAnonymousBlocks) {
    TestDrawing drawing("sheets.dxf");
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"TB2", L"TB2"},       {L"*U1", L"TB_DYN"},  // a dynamic block's representation
        {L"TB_DYN", L"TB_DYN"}, {L"*U3", L"<null>"},  // anonymous, and no dynamic block owns it
        {L"NOATT", L"<null>"},
    };
    for (const auto& [block, name] : cases) {
        int result = -1;
        EXPECT_EQ(blockNameOf(drawing.insert(L"Model", block), &result), name) << narrow(block);
        EXPECT_EQ(result, std::wstring(name) == L"<null>" ? 0 : 1) << narrow(block);
    }
    ACHAR* name = nullptr;
    EXPECT_FALSE(findDynamicBlockName(name, drawing.block(L"*U3")));
    EXPECT_EQ(name, nullptr);
    EXPECT_TRUE(findDynamicBlockName(name, drawing.block(L"*U2")));
    EXPECT_STREQ(name, L"TB_DYN");
    acutDelString(name);
}

TEST(CAttBlockListTest, UnopenableBlockTableIsReportedAndEmptiesTheList) {
    TestDrawing drawing("sheets.dxf");
    drawing.insert(L"Model", L"TB2");
    drawing.insert(L"Sheet1", L"TB2");
    CStringArray patterns;
    fill(patterns, {L"TB2"});
    for (DbCall call : {DbCall::kGetSymbolTable, DbCall::kNewIterator}) {
        FaultSession session;
        CAttBlockList list(drawing.db());
        ASSERT_TRUE(list.collectFromLayouts(nullptr, patterns));
        failCall(call, Acad::eInvalidOpenState);
        EXPECT_FALSE(list.collectFromLayouts(nullptr, patterns));
        EXPECT_TRUE(list.isEmpty());
        EXPECT_TRUE(isErrorReport(session.commandLine(), L"eInvalidOpenState", L"block"));
        EXPECT_EQ(drawing.openObjects(), 0);
    }
}

TEST(CAttBlockListTest, FailureInsideOneLayoutKeepsWhatWasFound) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId onModel = drawing.insert(L"Model", L"TB2");
    drawing.insert(L"Sheet1", L"TB2");
    CStringArray patterns;
    fill(patterns, {L"TB2"});
    FaultSession session;
    // The reference lists of model space succeed; the one of Sheet1 fails.
    failCall(DbCall::kGetBlockReferenceIds, Acad::eOutOfMemory, 1);
    CAttBlockList list(drawing.db());
    EXPECT_TRUE(list.collectFromLayouts(nullptr, patterns));
    EXPECT_EQ(ids(list), (std::vector<AcDbObjectId>{onModel}));
    EXPECT_TRUE(isErrorReport(session.commandLine(), L"eOutOfMemory", L"block"));
}

TEST(CAttBlockTest, SingleObjectFailuresReturnTheStatusUnprinted) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId id =
        drawing.insert(L"Model", L"TB2", {{L"DM_TITLE", L"old"}, {L"NOTE", L"old"}});
    CMapStringToString values;
    values.SetAt(L"DM_TITLE", L"new");
    values.SetAt(L"NOTE", L"new");
    FaultSession session;
    failOpen(id, Acad::eWasErased);
    AcDbObjectIdArray attributeIds;
    EXPECT_EQ(CAttBlock(id).getAttributeIds(attributeIds), Acad::eWasErased);
    EXPECT_EQ(CAttBlock(id).setAttributeValues(values), Acad::eWasErased);
    EXPECT_EQ(CAttBlock(id).setVisibility(AcDb::kInvisible), Acad::eWasErased);
    cadhost::testing::clearDbFaults();
    // An attribute that refuses its text keeps it; the other is still written.
    failCall(DbCall::kSetTextString, Acad::eInvalidInput);
    EXPECT_EQ(CAttBlock(id).setAttributeValues(values), Acad::eInvalidInput);
    EXPECT_EQ(drawing.attributes(id), (Values{{L"DM_TITLE", L"old"}, {L"NOTE", L"new"}}));
    failCall(DbCall::kSetVisibility, Acad::eNotOpenForWrite, 1);
    EXPECT_EQ(CAttBlock(id).setVisibility(AcDb::kInvisible), Acad::eNotOpenForWrite);
    EXPECT_EQ(drawing.visibility(id), AcDb::kInvisible);
    EXPECT_EQ(session.commandLine(), L"");
}

TEST(CAttBlockListTest, WritesEveryCollectedReference) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId first = drawing.insert(L"Model", L"TB2");
    const AcDbObjectId second = drawing.insert(L"Sheet3", L"TB2");
    CStringArray patterns;
    fill(patterns, {L"TB2"});
    CAttBlockList list(drawing.db());
    ASSERT_TRUE(list.collectFromLayouts(nullptr, patterns));
    list.append(drawing.addText(L"Model", L"not a reference"));
    CMapStringToString values;
    values.SetAt(L"note", L"written");
    EXPECT_TRUE(list.setAttributeValues(values));
    EXPECT_EQ(drawing.attribute(first, L"NOTE"), L"written");
    EXPECT_EQ(drawing.attribute(second, L"NOTE"), L"written");
}

TEST(BlockNameTest, UnopenableDefinitionOrTableIsReported) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId plain = drawing.insert(L"Model", L"TB2");
    const AcDbObjectId dynamic = drawing.insert(L"Model", L"TB_DYN");
    const struct {
        const char* what;
        AcDbObjectId reference;
        AcDbObjectId failing;
    } cases[] = {{"plain", plain, drawing.block(L"TB2")},
                 {"dynamic", dynamic, drawing.block(L"TB_DYN")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FaultSession session;
        failOpen(c.failing, Acad::eWasErased);
        int result = -1;
        EXPECT_EQ(blockNameOf(c.reference, &result), L"<null>");
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(isErrorReport(session.commandLine(), L"eWasErased", L"block"));
        EXPECT_EQ(drawing.openObjects(), 0);
    }
    const AcDbObjectId representation = drawing.block(L"*U1");
    FaultSession session;
    failCall(DbCall::kGetSymbolTable, Acad::eInvalidOpenState);
    ACHAR* name = nullptr;
    EXPECT_FALSE(findDynamicBlockName(name, representation));
    EXPECT_EQ(name, nullptr);
    EXPECT_TRUE(isErrorReport(session.commandLine(), L"eInvalidOpenState", L"block"));
}
