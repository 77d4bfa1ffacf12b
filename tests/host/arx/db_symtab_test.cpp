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
}

// Opens id as T in mode, runs f on it and closes it again: f's status.
template <class T, class F>
Acad::ErrorStatus withOpen(AcDbObjectId id, AcDb::OpenMode mode, F f) {
    T* obj = nullptr;
    if (Acad::ErrorStatus es = acdbOpenObject(obj, id, mode); es != Acad::eOk) return es;
    Acad::ErrorStatus es = f(obj);
    obj->close();
    return es;
}

// Each injectable call fails once with the chosen status (out values cleared) and leaves
// nothing open; the next call goes through.
TEST(DbFaultTest, EveryInjectableCallFailsOnceAndLeavesNothingOpen) {
    AcDbDatabase db;
    AcDbObjectId tb = addBlock(&db, L"TB", {L"T"});
    AcDbObjectId ref = insert(blockId(&db, L"*Model_Space"), tb, {{L"T", L"v"}});
    AcDbObjectId paper = blockId(&db, L"*Paper_Space");
    using Rec = AcDbBlockTableRecord;
    struct Case {
        DbCall call;
        std::function<Acad::ErrorStatus()> run;
    } cases[] = {
        {DbCall::kGetSymbolTable, [&] {
             AcDbBlockTable* bt = nullptr;
             Acad::ErrorStatus es = db.getBlockTable(bt, AcDb::kForRead);
             if (bt) bt->close();
             return es;
         }},
        {DbCall::kNewIterator, [&] {
             AcDbBlockTable* bt = nullptr;
             db.getBlockTable(bt, AcDb::kForRead);
             AcDbBlockTableIterator* it = nullptr;
             Acad::ErrorStatus es = bt->newIterator(it);
             EXPECT_EQ(es == Acad::eOk, it != nullptr);
             delete it;
             bt->close();
             return es;
         }},
        {DbCall::kGetName, [&] {
             return withOpen<Rec>(tb, AcDb::kForRead, [](Rec* r) {
                 ACHAR* name = reinterpret_cast<ACHAR*>(1);
                 Acad::ErrorStatus es = r->getName(name);
                 if (es == Acad::eOk) EXPECT_STREQ(name, L"TB");
                 else EXPECT_EQ(name, nullptr);
                 acutDelString(name);
                 return es;
             });
         }},
        {DbCall::kGetLayoutName, [&] {
             return withOpen<Rec>(paper, AcDb::kForRead, [](Rec* r) {
                 return withOpen<AcDbLayout>(r->getLayoutId(), AcDb::kForRead, [](AcDbLayout* l) {
                     const ACHAR* name = nullptr;
                     return l->getLayoutName(name);
                 });
             });
         }},
        {DbCall::kPathName, [&] {
             return withOpen<Rec>(tb, AcDb::kForRead, [](Rec* r) {
                 const ACHAR* p = nullptr;
                 return r->pathName(p);
             });
         }},
        {DbCall::kSetPathName,
         [&] { return withOpen<Rec>(tb, AcDb::kForWrite, [](Rec* r) { return r->setPathName(L"x.dwg"); }); }},
        {DbCall::kGetBlockReferenceIds, [&] {
             return withOpen<Rec>(tb, AcDb::kForRead, [](Rec* r) {
                 AcDbObjectIdArray ids;
                 return r->getBlockReferenceIds(ids);
             });
         }},
        {DbCall::kUpgradeOpen,
         [&] { return withOpen<AcDbObject>(ref, AcDb::kForRead, [](AcDbObject* o) { return o->upgradeOpen(); }); }},
        {DbCall::kSetVisibility, [&] {
             return withOpen<AcDbEntity>(ref, AcDb::kForWrite,
                                         [](AcDbEntity* e) { return e->setVisibility(AcDb::kInvisible); });
         }},
        {DbCall::kSetTextString, [&] {
             return withOpen<AcDbAttribute>(attributesOf(ref).at(0), AcDb::kForWrite,
                                            [](AcDbAttribute* a) { return a->setTextString(L"new"); });
         }},
        // The attribute iterator has no status: a failed one is null.
        {DbCall::kNewIterator, [&] {
             return withOpen<AcDbBlockReference>(ref, AcDb::kForRead, [](AcDbBlockReference* br) {
                 AcDbObjectIterator* it = br->attributeIterator();
                 delete it;
                 return it ? Acad::eOk : Acad::eInvalidContext;
             });
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.call));
        cadhost::testing::DbFaultScope faults;
        cadhost::testing::failCall(c.call, Acad::eInvalidContext);
        EXPECT_ES(Acad::eInvalidContext, c.run());
        EXPECT_ES(Acad::eOk, c.run()) << "one failure only";
        EXPECT_EQ(openObjectCount(&db), 0);
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
    struct Case { const char* file; const wchar_t* activeLayout; } cases[] = {
        {"ezdxf_issue_EntitiesOnLayouts_2004.dxf", L"Layout2"},
        {"ezdxf_issue_mlayouts_2004.dxf", L"Layout1"},
        {"libredwg_example_2013.dxf", L"Model"},
        {"dxfparser_api-cw750-details_AC1027.dxf", L"Sheet 1"},
    };
    AcDbLayoutManager* manager = acdbHostApplicationServices()->layoutManager();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto db = read(corpus(c.file));
        ASSERT_TRUE(db);
        AcDbBlockTableRecord* rec = nullptr;
        ASSERT_ES(Acad::eOk, acdbOpenObject(rec, manager->getActiveLayoutBTRId(db.get()), AcDb::kForRead));
        EXPECT_ES(Acad::eOk, withOpen<AcDbLayout>(rec->getLayoutId(), AcDb::kForRead, [&](AcDbLayout* layout) {
                      const ACHAR* name = nullptr;
                      layout->getLayoutName(name);
                      EXPECT_STREQ(name, c.activeLayout);
                      return Acad::eOk;
                  }));
        rec->close();
        EXPECT_FALSE(manager->findLayoutNamed(c.activeLayout, db.get()).isNull());
    }
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    EXPECT_TRUE(manager->getActiveLayoutBTRId().isNull());
}

TEST(AcArrayTest, GrowsAppendsInsertsAndRemoves) {
    AcArray<int> a(0, 8);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(a.append(i), i);
    a.insertAt(0, 100).removeAt(5);
    EXPECT_EQ(a[0], 100);
    EXPECT_EQ(a[5], 5);
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
    EXPECT_EQ(copy.length(), 10);
}

}  // namespace
