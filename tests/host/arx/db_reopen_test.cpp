// Tests of what makes repeated opens cheap: a typed open refuses another class without building
// the object, closed tables and records are kept for the next open, and the answers kept for
// layout and block look-ups follow every change of the records behind them.
#include "db_test_util.h"
#include "dblayout.h"

using namespace dbtest;
using cadhost::testing::openObjectCount;

namespace {

AcDbObjectId modelSpace(AcDbDatabase* db) { return blockId(db, L"*Model_Space"); }

AcDbObjectId referencedBlock(AcDbObjectId ref) {
    AcDbBlockReference* br = nullptr;
    EXPECT_ES(Acad::eOk, acdbOpenObject(br, ref, AcDb::kForRead));
    if (!br) return AcDbObjectId::kNull;
    AcDbObjectId id = br->blockTableRecord();
    br->close();
    return id;
}

AcDbObjectId layoutOf(AcDbObjectId block) {
    AcDbBlockTableRecord* rec = nullptr;
    EXPECT_ES(Acad::eOk, acdbOpenObject(rec, block, AcDb::kForRead));
    if (!rec) return AcDbObjectId::kNull;
    AcDbObjectId id = rec->getLayoutId();
    rec->close();
    return id;
}

TEST(ReopenTest, TypedOpenOfAnotherClassLeavesNothingOpen) {
    AcDbDatabase db(true, false);
    AcDbObjectId tb = addBlock(&db, L"TB", {L"A"});
    AcDbObjectId ref = insert(modelSpace(&db), tb, {{L"A", L"1"}});
    AcDbText* text = nullptr;
    EXPECT_ES(Acad::eNotThatKindOfClass, acdbOpenObject(text, ref, AcDb::kForRead));
    EXPECT_EQ(text, nullptr);
    EXPECT_ES(Acad::eNotThatKindOfClass, acdbOpenObject(text, ref, AcDb::kForWrite));
    EXPECT_EQ(openObjectCount(&db), 0);
    // Open for read already: the refusal leaves the one reader as it was.
    AcDbEntity* entity = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(entity, ref, AcDb::kForRead));
    EXPECT_ES(Acad::eNotThatKindOfClass, acdbOpenObject(text, ref, AcDb::kForRead));
    EXPECT_EQ(openObjectCount(&db), 1);
    EXPECT_ES(Acad::eOk, entity->close());
    EXPECT_EQ(openObjectCount(&db), 0);
    EXPECT_EQ(ref.objectClass(), AcDbBlockReference::desc());
    EXPECT_EQ(tb.objectClass(), AcDbBlockTableRecord::desc());
}

TEST(ReopenTest, ObjectsTakenBackForOtherRecordsAnswerForTheirNewRecord) {
    AcDbDatabase db(true, false);
    AcDbBlockTableRecord* space = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(space, modelSpace(&db), AcDb::kForWrite));
    std::vector<AcDbObjectId> ids;
    for (const wchar_t* s : {L"first", L"second", L"third"}) {
        auto* text = new AcDbText();
        text->setTextString(s);
        ids.emplace_back();
        ASSERT_ES(Acad::eOk, space->appendAcDbEntity(ids.back(), text));
        text->close();
    }
    space->close();
    // Read, edit and read again in turns: each open answers for its own record.
    const std::wstring names[] = {L"first", L"second", L"third"};
    for (int round = 0; round < 3; ++round) {
        for (std::size_t i = 0; i < ids.size(); ++i) {
            AcDbText* text = nullptr;
            ASSERT_ES(Acad::eOk, acdbOpenObject(text, ids[i], round == 1 ? AcDb::kForWrite : AcDb::kForRead));
            EXPECT_EQ(std::wstring(text->textStringConst()), (round == 2 ? L"edited " : L"") + names[i]);
            if (round == 1) {
                ASSERT_ES(Acad::eOk, text->setTextString((L"edited " + names[i]).c_str()));
            }
            text->close();
        }
    }
    EXPECT_EQ(openObjectCount(&db), 0);
}

TEST(ReopenTest, AReopenedTableSeesRecordsAddedMeanwhile) {
    AcDbDatabase db(true, false);
    for (int round = 0; round < 2; ++round) {
        AcDbRegAppTable* table = nullptr;
        ASSERT_ES(Acad::eOk, db.getRegAppTable(table, AcDb::kForRead));
        EXPECT_EQ(table->has(L"LATER_APP"), round == 1);
        table->close();
        if (round == 0) {
            acdbHostApplicationServices()->setWorkingDatabase(&db);
            EXPECT_EQ(acdbRegApp(L"later_app"), RTNORM);
            acdbHostApplicationServices()->setWorkingDatabase(nullptr);
        }
    }
}

TEST(ReopenTest, BlockOfAReferenceFollowsRenamesAndNewBlocks) {
    AcDbDatabase db(true, false);
    AcDbObjectId tb = addBlock(&db, L"TB", {L"A"});
    AcDbObjectId ref = insert(modelSpace(&db), tb, {{L"A", L"1"}});
    EXPECT_EQ(referencedBlock(ref), tb);
    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(rec, tb, AcDb::kForWrite));
    ASSERT_ES(Acad::eOk, rec->setName(L"TB_OLD"));
    rec->close();
    // The reference still names "TB", which no block has now.
    EXPECT_TRUE(referencedBlock(ref).isNull());
    AcDbObjectId again = addBlock(&db, L"tb", {});
    EXPECT_EQ(referencedBlock(ref), again);
    ASSERT_ES(Acad::eOk, acdbOpenObject(rec, again, AcDb::kForWrite));
    ASSERT_ES(Acad::eOk, rec->erase());
    rec->close();
    EXPECT_TRUE(referencedBlock(ref).isNull());
}

TEST(ReopenTest, LayoutOfABlockFollowsItsLink) {
    AcDbDatabase db(true, false);
    AcDbObjectId paper = blockId(&db, L"*Paper_Space");
    AcDbObjectId model = modelSpace(&db);
    AcDbObjectId sheet = layoutOf(paper);
    AcDbObjectId modelLayout = layoutOf(model);
    ASSERT_FALSE(sheet.isNull());
    ASSERT_FALSE(modelLayout.isNull());
    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(rec, paper, AcDb::kForWrite));
    ASSERT_ES(Acad::eOk, rec->setLayoutId(modelLayout));
    EXPECT_EQ(rec->getLayoutId(), modelLayout);  // the open object answers from its own edit
    rec->close();
    EXPECT_EQ(layoutOf(paper), modelLayout);
    AcDbLayout* layout = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(layout, modelLayout, AcDb::kForWrite));
    ASSERT_ES(Acad::eOk, layout->erase());
    layout->close();
    EXPECT_TRUE(layoutOf(model).isNull());
}

}  // namespace
