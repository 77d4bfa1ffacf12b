// Tests of the symbol tables as a group (each table opens and finds its records by name, case
// ignored), of every injectable fault, of the layout manager and of AcArray.
#include "db_test_util.h"
#include "dblayout.h"
#include "dblaymgr.h"

using namespace dbtest;
using cadhost::testing::DbCall;
using cadhost::testing::openObjectCount;

namespace {

template <class Table>
bool tableHas(AcDbDatabase* db, Acad::ErrorStatus (AcDbDatabase::*get)(Table*&, AcDb::OpenMode), const wchar_t* name) {
    Table* t = nullptr;
    if ((db->*get)(t, AcDb::kForRead) != Acad::eOk) return false;
    AcDbObjectId id;
    bool found = t->getIdAt(name, id) == Acad::eOk && !id.isNull();
    t->close();
    return found;
}

TEST(SymbolTableTest, EveryTableOpensAndFindsItsRecords) {
    if (!haveCorpus()) GTEST_SKIP();
    auto db = read(corpus("acadsharp_sample_AC1032_ascii.dxf"));
    ASSERT_TRUE(db);
    AcDbDatabase* d = db.get();
    EXPECT_TRUE(tableHas(d, &AcDbDatabase::getBlockTable, L"*model_space"));
    EXPECT_TRUE(tableHas(d, &AcDbDatabase::getLayerTable, L"0"));
    EXPECT_TRUE(tableHas(d, &AcDbDatabase::getTextStyleTable, L"STANDARD"));
    EXPECT_TRUE(tableHas(d, &AcDbDatabase::getLinetypeTable, L"continuous"));
    EXPECT_TRUE(tableHas(d, &AcDbDatabase::getViewportTable, L"*active"));
    EXPECT_TRUE(tableHas(d, &AcDbDatabase::getRegAppTable, L"str_app"));
    EXPECT_TRUE(tableHas(d, &AcDbDatabase::getDimStyleTable, L"standard"));
    EXPECT_FALSE(tableHas(d, &AcDbDatabase::getLayerTable, L"no such layer"));
    AcDbViewTable* views = nullptr;
    EXPECT_ES(Acad::eOk, d->getViewTable(views, AcDb::kForRead));
    views->close();
    AcDbUCSTable* ucs = nullptr;
    EXPECT_ES(Acad::eOk, d->getUCSTable(ucs, AcDb::kForRead));
    ucs->close();
    AcDbDimStyleTableRecord* style = nullptr;
    AcDbDimStyleTable* styles = nullptr;
    ASSERT_ES(Acad::eOk, d->getDimStyleTable(styles, AcDb::kForRead));
    ASSERT_ES(Acad::eOk, styles->getAt(L"Standard", style, AcDb::kForRead));
    EXPECT_EQ(style->ownerId(), d->dimStyleTableId()) << "dimension styles carry their handle in 105";
    style->close();
    styles->close();
    EXPECT_EQ(openObjectCount(d), 0);
}

TEST(SymbolTableTest, NewLayersAndRenamedRecordsAreFoundByTheirNewNames) {
    AcDbDatabase db;
    AcDbLayerTable* layers = nullptr;
    ASSERT_ES(Acad::eOk, db.getLayerTable(layers, AcDb::kForWrite));
    auto* layer = new AcDbLayerTableRecord();
    ASSERT_ES(Acad::eOk, layer->setName(L"Title\u00dfBlock"));
    ASSERT_ES(Acad::eOk, layers->add(layer));
    EXPECT_ES(Acad::eInvalidSymbolTableName, layer->setName(L"a\tb"));
    EXPECT_ES(Acad::eOk, layer->setName(L"Renamed"));
    layer->close();
    EXPECT_FALSE(layers->has(L"Title\u00dfBlock"));
    EXPECT_TRUE(layers->has(L"RENAMED"));
    layers->close();
    AcDbObjectId tb = addBlock(&db, L"TB", {});
    AcDbObjectId ref = insert(blockId(&db, L"*Model_Space"), tb, {});
    AcDbEntity* ent = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenAcDbEntity(ent, ref, AcDb::kForWrite));
    EXPECT_ES(Acad::eKeyNotFound, ent->setLayer(L"missing"));
    EXPECT_ES(Acad::eOk, ent->setLayer(L"renamed"));
    ACHAR* name = ent->layer();
    EXPECT_STREQ(name, L"renamed");
    acutDelString(name);
    EXPECT_FALSE(ent->layerId().isNull());
    ent->close();
}

// Each injectable call fails with the chosen status and leaves nothing open.
TEST(DbFaultTest, EveryInjectableCallFails) {
    AcDbDatabase db;
    AcDbObjectId tb = addBlock(&db, L"TB", {L"T"});
    AcDbObjectId ref = insert(blockId(&db, L"*Model_Space"), tb, {{L"T", L"v"}});
    AcDbObjectId paper = blockId(&db, L"*Paper_Space");
    struct Case {
        DbCall call;
        std::function<Acad::ErrorStatus()> run;
    } cases[] = {
        {DbCall::kGetLayoutName,
         [&] {
             AcDbBlockTableRecord* rec = nullptr;
             acdbOpenObject(rec, paper, AcDb::kForRead);
             AcDbLayout* layout = nullptr;
             acdbOpenObject(layout, rec->getLayoutId(), AcDb::kForRead);
             rec->close();
             const ACHAR* name = nullptr;
             Acad::ErrorStatus es = layout->getLayoutName(name);
             layout->close();
             return es;
         }},
        {DbCall::kPathName,
         [&] {
             AcDbBlockTableRecord* rec = nullptr;
             acdbOpenObject(rec, tb, AcDb::kForRead);
             const ACHAR* p = nullptr;
             Acad::ErrorStatus es = rec->pathName(p);
             rec->close();
             return es;
         }},
        {DbCall::kSetPathName,
         [&] {
             AcDbBlockTableRecord* rec = nullptr;
             acdbOpenObject(rec, tb, AcDb::kForWrite);
             Acad::ErrorStatus es = rec->setPathName(L"x.dwg");
             rec->close();
             return es;
         }},
        {DbCall::kGetBlockReferenceIds,
         [&] {
             AcDbBlockTableRecord* rec = nullptr;
             acdbOpenObject(rec, tb, AcDb::kForRead);
             AcDbObjectIdArray ids;
             Acad::ErrorStatus es = rec->getBlockReferenceIds(ids);
             rec->close();
             return es;
         }},
        {DbCall::kUpgradeOpen,
         [&] {
             AcDbObject* obj = nullptr;
             acdbOpenObject(obj, ref, AcDb::kForRead);
             Acad::ErrorStatus es = obj->upgradeOpen();
             obj->close();
             return es;
         }},
        {DbCall::kSetVisibility,
         [&] {
             AcDbEntity* ent = nullptr;
             acdbOpenAcDbEntity(ent, ref, AcDb::kForWrite);
             Acad::ErrorStatus es = ent->setVisibility(AcDb::kInvisible);
             ent->close();
             return es;
         }},
        {DbCall::kSetTextString,
         [&] {
             AcDbBlockReference* br = nullptr;
             acdbOpenObject(br, ref, AcDb::kForRead);
             AcDbObjectIterator* it = br->attributeIterator();
             br->close();
             AcDbAttribute* a = nullptr;
             acdbOpenObject(a, it->objectId(), AcDb::kForWrite);
             delete it;
             Acad::ErrorStatus es = a->setTextString(L"new");
             a->close();
             return es;
         }},
        {DbCall::kNewIterator,
         [&] {
             AcDbBlockReference* br = nullptr;
             acdbOpenObject(br, ref, AcDb::kForRead);
             AcDbObjectIterator* it = br->attributeIterator();
             br->close();
             delete it;
             return it ? Acad::eOk : Acad::eNullIterator;
         }},
    };
    for (const Case& c : cases) {
        cadhost::testing::DbFaultScope faults;
        cadhost::testing::failCall(c.call, Acad::eInvalidContext);
        Acad::ErrorStatus expected = c.call == DbCall::kNewIterator ? Acad::eNullIterator : Acad::eInvalidContext;
        EXPECT_ES(expected, c.run()) << static_cast<int>(c.call);
        EXPECT_ES(Acad::eOk, c.run()) << "one failure only: " << static_cast<int>(c.call);
        EXPECT_EQ(openObjectCount(&db), 0) << static_cast<int>(c.call);
    }
    cadhost::testing::DbFaultScope faults;
    cadhost::testing::failCall(DbCall::kClose, Acad::eCloseFailObjectDamaged);
    AcDbObject* obj = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(obj, ref, AcDb::kForRead));
    EXPECT_ES(Acad::eCloseFailObjectDamaged, obj->close());
    EXPECT_ES(Acad::eOk, obj->close());
    cadhost::testing::failCall(DbCall::kOpenObject, Acad::eOutOfMemory, 0, -1);
    EXPECT_ES(Acad::eOutOfMemory, acdbOpenObject(obj, ref, AcDb::kForRead));
    EXPECT_ES(Acad::eOutOfMemory, acdbOpenObject(obj, ref, AcDb::kForRead)) << "times < 0: always";
}

TEST(LayoutManagerTest, ActiveLayoutFollowsTileModeAndThePaperSpaceRecord) {
    if (!haveCorpus()) GTEST_SKIP();
    struct Case {
        const char* file;
        const wchar_t* activeLayout;
    } cases[] = {
        {"ezdxf_issue_EntitiesOnLayouts_2004.dxf", L"Layout2"},
        {"ezdxf_issue_mlayouts_2004.dxf", L"Layout1"},
        {"libredwg_example_2013.dxf", L"Model"},
        {"dxfparser_api-cw750-details_AC1027.dxf", L"Sheet 1"},
    };
    for (const Case& c : cases) {
        auto db = read(corpus(c.file));
        ASSERT_TRUE(db);
        AcDbLayoutManager* manager = acdbHostApplicationServices()->layoutManager();
        AcDbBlockTableRecord* rec = nullptr;
        ASSERT_ES(Acad::eOk, acdbOpenObject(rec, manager->getActiveLayoutBTRId(db.get()), AcDb::kForRead)) << c.file;
        AcDbLayout* layout = nullptr;
        ASSERT_ES(Acad::eOk, acdbOpenObject(layout, rec->getLayoutId(), AcDb::kForRead)) << c.file;
        const ACHAR* name = nullptr;
        layout->getLayoutName(name);
        EXPECT_STREQ(name, c.activeLayout) << c.file;
        layout->close();
        rec->close();
        EXPECT_EQ(manager->findLayoutNamed(c.activeLayout, db.get()).isNull(), false);
    }
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    EXPECT_TRUE(acdbHostApplicationServices()->layoutManager()->getActiveLayoutBTRId().isNull());
}

TEST(AcArrayTest, GrowsAppendsInsertsAndRemoves) {
    AcArray<int> a(0, 8);
    EXPECT_TRUE(a.isEmpty());
    for (int i = 0; i < 9; ++i) EXPECT_EQ(a.append(i), i);
    EXPECT_EQ(a.length(), 9);
    EXPECT_EQ(a.physicalLength(), 16) << "grows by the grow length";
    a.insertAt(0, 100).removeAt(5);
    EXPECT_EQ(a[0], 100);
    EXPECT_EQ(a[5], 5);
    EXPECT_EQ(a.find(7), 7);
    EXPECT_EQ(a.find(42), -1);
    int at = -1;
    EXPECT_TRUE(a.find(8, at, 2));
    EXPECT_EQ(at, 8);
    EXPECT_FALSE(a.contains(100, 1));
    a.append(a[0]);  // an element of the array itself
    EXPECT_EQ(a.last(), 100);
    AcArray<int> copy(a);
    EXPECT_TRUE(copy == a);
    a.removeAll();
    EXPECT_EQ(a.length(), 0);
    EXPECT_EQ(copy.length(), 10);
    AcDbObjectIdArray ids;
    AcArray<AcDbObjectId, AcArrayMemCopyReallocator<AcDbObjectId>>& base = ids;
    EXPECT_EQ(&base, &ids) << "the id array is the memcopy array modules derive from";
}

}  // namespace
