// Tests of dynamic blocks on real drawings: which records are definitions, their anonymous
// representations, and the definition behind a reference.
#include "dbdynblk.h"
#include "db_test_util.h"

using namespace dbtest;

namespace {

struct DynFacts {
    std::vector<std::wstring> definitions;  // name: number of representations
    std::vector<std::wstring> references;   // inserted name -> definition name
};

std::wstring nameAt(AcDbObjectId id, bool* anonymous = nullptr) {
    AcDbBlockTableRecord* rec = nullptr;
    if (acdbOpenObject(rec, id, AcDb::kForRead) != Acad::eOk) return L"?";
    std::wstring name = nameOf(rec);
    if (anonymous) *anonymous = rec->isAnonymous();
    rec->close();
    return name;
}

DynFacts dynFacts(AcDbDatabase* db) {
    DynFacts f;
    forEachBlock(db, [&](AcDbBlockTableRecord* rec) {
        AcDbDynBlockTableRecord dyn(rec->objectId());
        if (!dyn.isDynamicBlock()) return;
        AcDbObjectIdArray reps;
        EXPECT_ES(Acad::eOk, dyn.getAnonymousBlockIds(reps));
        f.definitions.push_back(nameOf(rec) + L":" + std::to_wstring(reps.length()));
        for (AcDbObjectId rep : reps) {
            bool anonymous = false;
            nameAt(rep, &anonymous);
            EXPECT_TRUE(anonymous) << "representations are anonymous";
        }
    });
    forEachEntity(blockId(db, L"*Model_Space"), [&](AcDbEntity* ent) {
        auto* br = AcDbBlockReference::cast(ent);
        if (!br) return;
        AcDbDynBlockReference dyn(br->objectId());
        f.references.push_back(nameAt(br->blockTableRecord()) + L"->" +
                               (dyn.isDynamicBlock() ? nameAt(dyn.dynamicBlockTableRecord()) : L""));
    });
    return f;
}

TEST(DynamicBlockTest, VisibilityParameterDrawing) {
    if (!haveCorpus()) GTEST_SKIP();
    auto db = read(corpus("acadsharp_dynblock_visibility_AC1032.dxf"));
    ASSERT_TRUE(db);
    DynFacts f = dynFacts(db.get());
    EXPECT_EQ(f.definitions, (std::vector<std::wstring>{L"block_visibility_parameter:12"}));
    ASSERT_EQ(f.references.size(), 4u);
    for (const auto& r : f.references) EXPECT_EQ(r.substr(r.find(L"->")), L"->block_visibility_parameter") << r;
    EXPECT_EQ(cadhost::testing::openObjectCount(db.get()), 0);
}

TEST(DynamicBlockTest, R2000DefinitionsAreAnonymousThemselves) {
    if (!haveCorpus()) GTEST_SKIP();
    auto db = read(corpus("acadsharp_sample_AC1015_ascii.dxf"));
    ASSERT_TRUE(db);
    DynFacts f = dynFacts(db.get());
    EXPECT_EQ(f.definitions, (std::vector<std::wstring>{L"*U17:2"}));
    auto db2018 = read(corpus("acadsharp_sample_AC1032_ascii.dxf"));
    ASSERT_TRUE(db2018);
    EXPECT_EQ(dynFacts(db2018.get()).definitions, (std::vector<std::wstring>{L"my-dynamic-block:2"}));
}

TEST(DynamicBlockTest, AGuidAloneDoesNotMakeADynamicBlock) {
    if (!haveCorpus()) GTEST_SKIP();
    auto db = read(corpus("qcad_teigha_visibility_002_11_11.dxf"));
    ASSERT_TRUE(db);
    EXPECT_TRUE(dynFacts(db.get()).definitions.empty());
}

TEST(DynamicBlockTest, PlainBlocksAndBadIdsAreNotDynamic) {
    AcDbDatabase db;
    AcDbObjectId tb = addBlock(&db, L"TB", {L"A"});
    AcDbObjectId ref = insert(blockId(&db, L"*Model_Space"), tb, {});
    EXPECT_FALSE(AcDbDynBlockReference::isDynamicBlock(tb));
    EXPECT_FALSE(AcDbDynBlockReference(ref).isDynamicBlock());
    EXPECT_TRUE(AcDbDynBlockReference(ref).dynamicBlockTableRecord().isNull());
    EXPECT_FALSE(AcDbDynBlockReference(AcDbObjectId::kNull).isDynamicBlock());
    AcDbObjectIdArray ids;
    EXPECT_ES(Acad::eNotApplicable, AcDbDynBlockTableRecord(tb).getAnonymousBlockIds(ids));
    EXPECT_ES(Acad::eNullObjectId, AcDbDynBlockTableRecord(AcDbObjectId::kNull).getAnonymousBlockIds(ids));
    EXPECT_EQ(ids.length(), 0);
}

}  // namespace
