// Tests of the rules of opening objects: modes, statuses, readers and writers, erased objects,
// wrong classes, and that every path leaves nothing open.
#include "db_test_util.h"

using namespace dbtest;
using cadhost::testing::DbCall;
using cadhost::testing::openObjectCount;

namespace {

class DbObjectTest : public testing::Test {
protected:
    void SetUp() override {
        block = addBlock(&db, L"TB", {L"TITLE"});
        ref = insert(blockId(&db, L"*Model_Space"), block, {{L"TITLE", L"x"}});
    }
    AcDbDatabase db;
    AcDbObjectId block;
    AcDbObjectId ref;
};

TEST_F(DbObjectTest, NullAndForeignIdsAreRefused) {
    AcDbObject* obj = reinterpret_cast<AcDbObject*>(1);
    EXPECT_ES(Acad::eNullObjectId, acdbOpenObject(obj, AcDbObjectId::kNull, AcDb::kForRead));
    EXPECT_EQ(obj, nullptr);
    AcDbEntity* ent = nullptr;
    EXPECT_ES(Acad::eNullObjectId, acdbOpenAcDbEntity(ent, AcDbObjectId::kNull, AcDb::kForRead));
    EXPECT_TRUE(AcDbObjectId::kNull.isNull());
    EXPECT_FALSE(AcDbObjectId::kNull.isValid());
    EXPECT_TRUE(ref.isValid());
    EXPECT_EQ(ref.database(), &db);
}

TEST_F(DbObjectTest, ReadersShareAnObjectAndAWriterIsAlone) {
    AcDbObject* a = nullptr;
    AcDbObject* b = nullptr;
    AcDbObject* w = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(a, ref, AcDb::kForRead));
    ASSERT_ES(Acad::eOk, acdbOpenObject(b, ref, AcDb::kForRead));
    EXPECT_EQ(a, b);
    EXPECT_EQ(openObjectCount(&db), 2);
    EXPECT_ES(Acad::eWasOpenForRead, acdbOpenObject(w, ref, AcDb::kForWrite));
    EXPECT_ES(Acad::eHadMultipleReaders, a->upgradeOpen());
    EXPECT_ES(Acad::eOk, b->close());
    EXPECT_ES(Acad::eOk, a->upgradeOpen());
    EXPECT_TRUE(a->isWriteEnabled());
    EXPECT_ES(Acad::eWasOpenForWrite, acdbOpenObject(w, ref, AcDb::kForRead));
    EXPECT_ES(Acad::eWasOpenForWrite, acdbOpenObject(w, ref, AcDb::kForWrite));
    EXPECT_ES(Acad::eWasOpenForWrite, a->upgradeOpen());
    EXPECT_ES(Acad::eOk, a->close());
    EXPECT_EQ(openObjectCount(&db), 0);
}

// Refusing another class outright is the reopen tests'; here the class tree and entities.
TEST_F(DbObjectTest, TypedOpensCheckTheClass) {
    AcDbBlockReference* br = nullptr;
    EXPECT_ES(Acad::eOk, acdbOpenObject(br, ref, AcDb::kForRead));
    EXPECT_TRUE(br->isKindOf(AcDbEntity::desc()));
    EXPECT_FALSE(br->isKindOf(AcDbText::desc()));
    br->close();
    AcDbEntity* ent = nullptr;
    EXPECT_ES(Acad::eNotAnEntity, acdbOpenAcDbEntity(ent, block, AcDb::kForRead));
    EXPECT_EQ(openObjectCount(&db), 0);
}

TEST_F(DbObjectTest, ErasedObjectsOpenOnlyWhenAsked) {
    AcDbObject* obj = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(obj, ref, AcDb::kForWrite));
    EXPECT_ES(Acad::eOk, obj->erase());
    EXPECT_ES(Acad::eWasErased, obj->erase());
    obj->close();
    EXPECT_TRUE(ref.isErased());
    EXPECT_ES(Acad::eWasErased, acdbOpenObject(obj, ref, AcDb::kForRead));
    ASSERT_ES(Acad::eOk, acdbOpenObject(obj, ref, AcDb::kForWrite, true));
    EXPECT_TRUE(obj->isErased());
    EXPECT_ES(Acad::eOk, obj->erase(false));
    EXPECT_ES(Acad::eWasNotErased, obj->erase(false));
    obj->close();
    EXPECT_FALSE(ref.isErased());
}

TEST_F(DbObjectTest, ChangesNeedAWriteOpen) {
    AcDbBlockReference* br = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(br, ref, AcDb::kForRead));
    EXPECT_ES(Acad::eNotOpenForWrite, br->setVisibility(AcDb::kInvisible));
    EXPECT_ES(Acad::eNotOpenForWrite, br->erase());
    EXPECT_ES(Acad::eNotOpenForWrite, br->setPosition(AcGePoint3d(1, 2, 3)));
    br->close();
}

TEST_F(DbObjectTest, ObjectsThatWereNeverAddedCannotBeClosed) {
    AcDbText text;
    EXPECT_ES(Acad::eNotInDatabase, text.close());
    EXPECT_TRUE(text.objectId().isNull());
    EXPECT_EQ(text.database(), nullptr);
}

TEST_F(DbObjectTest, InjectedOpenFaultsHitTheChosenObjectOnly) {
    cadhost::testing::DbFaultScope faults;
    cadhost::testing::failOpen(ref, Acad::eWasOpenForNotify);
    AcDbObject* obj = nullptr;
    EXPECT_ES(Acad::eWasOpenForNotify, acdbOpenObject(obj, ref, AcDb::kForRead));
    EXPECT_ES(Acad::eOk, acdbOpenObject(obj, block, AcDb::kForRead));
    obj->close();
    cadhost::testing::failCall(DbCall::kOpenObject, Acad::eOutOfMemory, 1, 1);
    EXPECT_ES(Acad::eOk, acdbOpenObject(obj, block, AcDb::kForRead));
    obj->close();
    EXPECT_ES(Acad::eOutOfMemory, acdbOpenObject(obj, block, AcDb::kForRead));
    EXPECT_ES(Acad::eOk, acdbOpenObject(obj, block, AcDb::kForRead));
    obj->close();
    EXPECT_EQ(openObjectCount(&db), 0);
}

TEST_F(DbObjectTest, HandlesAndIdsFindEachOther) {
    AcDbHandle h = ref.handle();
    EXPECT_FALSE(h.isNull());
    AcDbObjectId found;
    EXPECT_ES(Acad::eOk, db.getAcDbObjectId(found, false, h));
    EXPECT_EQ(found, ref);
    EXPECT_ES(Acad::eUnknownHandle, db.getAcDbObjectId(found, false, AcDbHandle(0xFFFFFF)));
    EXPECT_ES(Acad::eNullHandle, db.getAcDbObjectId(found, false, AcDbHandle()));
    ACHAR buf[20];
    EXPECT_TRUE(AcDbHandle(0x2AB).getIntoAsciiBuffer(buf, 20));
    EXPECT_STREQ(buf, L"2AB");
    EXPECT_FALSE(AcDbHandle(0x2AB).getIntoAsciiBuffer(buf, 3));
    EXPECT_EQ(AcDbHandle(L"2ab").value(), 0x2ABu);
    EXPECT_TRUE(AcDbHandle(L"xyz").isNull());
}

TEST_F(DbObjectTest, OwnersFollowTheDrawing) {
    AcDbBlockReference* br = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(br, ref, AcDb::kForRead));
    EXPECT_EQ(br->ownerId(), blockId(&db, L"*Model_Space"));
    EXPECT_EQ(br->blockId(), blockId(&db, L"*Model_Space"));
    br->close();
    AcDbAttribute* a = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(a, attributesOf(ref).at(0), AcDb::kForRead));
    EXPECT_EQ(a->ownerId(), ref);
    EXPECT_TRUE(a->blockId().isNull());
    a->close();
    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(rec, block, AcDb::kForRead));
    EXPECT_EQ(rec->ownerId(), db.blockTableId());
    rec->close();
}

}  // namespace
