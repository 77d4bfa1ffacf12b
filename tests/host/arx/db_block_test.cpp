// Tests of block table records and block references: what a block is, its entities, its
// direct references, attributes and their texts, visibility, paths of external references,
// and layouts, on drawings built in code and on real drawings.
#include "db_test_util.h"
#include "dblayout.h"
#include "dblaymgr.h"

using namespace dbtest;
using cadhost::testing::DbCall;
using cadhost::testing::openObjectCount;
namespace fs = std::filesystem;

namespace {

std::vector<std::wstring> attributeTexts(AcDbObjectId ref) {
    std::vector<std::wstring> out;
    AcDbBlockReference* br = nullptr;
    if (acdbOpenObject(br, ref, AcDb::kForRead) != Acad::eOk) return out;
    AcDbObjectIterator* it = br->attributeIterator();
    for (it->start(); !it->done(); it->step()) {
        AcDbAttribute* a = nullptr;
        if (acdbOpenObject(a, it->objectId(), AcDb::kForRead) != Acad::eOk) continue;
        out.push_back(std::wstring(a->tagConst()) + L"=" + a->textStringConst());
        a->close();
    }
    delete it;
    br->close();
    return out;
}

struct BlockFacts {
    std::wstring name;
    bool layout, anonymous, attdefs, xref;
    std::wstring path;
};

std::vector<BlockFacts> blockFacts(AcDbDatabase* db) {
    std::vector<BlockFacts> out;
    AcDbBlockTable* bt = nullptr;
    if (db->getBlockTable(bt, AcDb::kForRead) != Acad::eOk) return out;
    AcDbBlockTableIterator* it = nullptr;
    bt->newIterator(it);
    for (it->start(); !it->done(); it->step()) {
        AcDbBlockTableRecord* rec = nullptr;
        if (it->getRecord(rec) != Acad::eOk) continue;
        const ACHAR* path = nullptr;
        rec->pathName(path);
        out.push_back({nameOf(rec), rec->isLayout(), rec->isAnonymous(), rec->hasAttributeDefinitions(),
                       rec->isFromExternalReference(), path});
        rec->close();
    }
    delete it;
    bt->close();
    return out;
}

TEST(BlockTableRecordTest, BuiltDrawingKnowsItsBlocksAndReferences) {
    AcDbDatabase db;
    AcDbObjectId tb = addBlock(&db, L"TITLE_A3", {L"NAME", L"DATE"});
    AcDbObjectId plain = addBlock(&db, L"Bolt", {});
    AcDbObjectId model = blockId(&db, L"*Model_Space");
    AcDbObjectId paper = blockId(&db, L"*paper_space");
    AcDbObjectId r1 = insert(model, tb, {{L"NAME", L"Part"}, {L"DATE", L"2026"}});
    AcDbObjectId r2 = insert(paper, tb, {{L"NAME", L"Sheet"}});
    AcDbObjectId nested = insert(plain, tb, {});
    auto facts = blockFacts(&db);
    ASSERT_EQ(facts.size(), 4u);
    EXPECT_TRUE(facts[0].layout && !facts[0].attdefs);
    EXPECT_TRUE(facts[2].name == L"TITLE_A3" && !facts[2].layout && facts[2].attdefs && !facts[2].anonymous);
    EXPECT_TRUE(facts[3].name == L"Bolt" && !facts[3].attdefs && !facts[3].xref);
    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(rec, tb, AcDb::kForRead));
    AcDbObjectIdArray ids;
    ids.append(AcDbObjectId::kNull);
    EXPECT_ES(Acad::eOk, rec->getBlockReferenceIds(ids, true, false));
    rec->close();
    ASSERT_EQ(ids.length(), 4) << "appended to what the array held";
    // File order: block definitions come before the entities of model and active paper space.
    EXPECT_EQ(ids[1], nested);
    EXPECT_EQ(ids[2], r1);
    EXPECT_EQ(ids[3], r2);
    EXPECT_EQ(attributeTexts(r1), (std::vector<std::wstring>{L"NAME=Part", L"DATE=2026"}));
    EXPECT_EQ(attributeTexts(r2), (std::vector<std::wstring>{L"NAME=Sheet"}));
    AcDbBlockReference* br = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(br, r2, AcDb::kForRead));
    EXPECT_EQ(br->blockTableRecord(), tb);
    EXPECT_EQ(br->ownerId(), paper);
    EXPECT_EQ(br->position(), AcGePoint3d(10, 20, 0));
    br->close();
    EXPECT_EQ(openObjectCount(&db), 0);
}

TEST(BlockTableRecordTest, IteratorsSkipErasedRecordsAndEntities) {
    AcDbDatabase db;
    AcDbObjectId a = addBlock(&db, L"A", {L"T"});
    addBlock(&db, L"B", {});
    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(rec, a, AcDb::kForWrite));
    EXPECT_ES(Acad::eOk, rec->erase());
    rec->close();
    std::vector<std::wstring> names;
    for (const auto& f : blockFacts(&db)) names.push_back(f.name);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"*Model_Space", L"*Paper_Space", L"B"}));
    AcDbBlockTable* bt = nullptr;
    ASSERT_ES(Acad::eOk, db.getBlockTable(bt, AcDb::kForRead));
    AcDbObjectId id;
    EXPECT_ES(Acad::eKeyNotFound, bt->getIdAt(L"A", id));
    EXPECT_ES(Acad::eOk, bt->getIdAt(L"A", id, true));
    AcDbBlockTableIterator* it = nullptr;
    ASSERT_ES(Acad::eOk, bt->newIterator(it, true, false));
    int all = 0;
    for (it->start(true, false); !it->done(); it->step(true, false)) ++all;
    EXPECT_EQ(all, 4);
    delete it;
    bt->close();
}

TEST(BlockTableRecordTest, InjectedFaultsHitTablesIteratorsAndNames) {
    AcDbDatabase db;
    cadhost::testing::DbFaultScope faults;
    cadhost::testing::failCall(DbCall::kGetSymbolTable, Acad::eFileAccessErr);
    AcDbBlockTable* bt = nullptr;
    EXPECT_ES(Acad::eFileAccessErr, db.getBlockTable(bt, AcDb::kForRead));
    ASSERT_ES(Acad::eOk, db.getBlockTable(bt, AcDb::kForRead));
    cadhost::testing::failCall(DbCall::kNewIterator, Acad::eOutOfMemory);
    AcDbBlockTableIterator* it = nullptr;
    EXPECT_ES(Acad::eOutOfMemory, bt->newIterator(it));
    EXPECT_EQ(it, nullptr);
    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_ES(Acad::eOk, bt->getAt(L"*MODEL_SPACE", rec, AcDb::kForRead));
    cadhost::testing::failCall(DbCall::kGetName, Acad::eInvalidInput);
    ACHAR* name = reinterpret_cast<ACHAR*>(1);
    EXPECT_ES(Acad::eInvalidInput, rec->getName(name));
    EXPECT_EQ(name, nullptr);
    EXPECT_ES(Acad::eOk, rec->getName(name));
    EXPECT_STREQ(name, L"*Model_Space");
    acutDelString(name);
    rec->close();
    bt->close();
    EXPECT_EQ(openObjectCount(&db), 0);
}

TEST(BlockTableRecordTest, NewRecordsNeedUniqueNamesAndTheRightTable) {
    AcDbDatabase db;
    AcDbBlockTable* bt = nullptr;
    ASSERT_ES(Acad::eOk, db.getBlockTable(bt, AcDb::kForRead));
    auto* rec = new AcDbBlockTableRecord();
    rec->setName(L"X");
    EXPECT_ES(Acad::eNotOpenForWrite, bt->add(rec));
    ASSERT_ES(Acad::eOk, bt->upgradeOpen());
    auto* dup = new AcDbBlockTableRecord();
    dup->setName(L"*model_space");
    EXPECT_ES(Acad::eDuplicateRecordName, bt->add(dup));
    delete dup;
    auto* unnamed = new AcDbBlockTableRecord();
    EXPECT_ES(Acad::eInvalidInput, bt->add(unnamed));
    delete unnamed;
    auto* layer = new AcDbLayerTableRecord();
    layer->setName(L"L");
    EXPECT_ES(Acad::eInvalidInput, static_cast<AcDbSymbolTable*>(bt)->add(layer));
    delete layer;
    EXPECT_ES(Acad::eOk, bt->add(rec));
    EXPECT_ES(Acad::eAlreadyInDb, bt->add(rec));
    rec->close();
    bt->close();
    EXPECT_EQ(openObjectCount(&db), 0);
}

TEST(BlockTableRecordTest, XrefPathsAreReadAndRewrittenInPlace) {
    if (!haveCorpus()) GTEST_SKIP();
    ScratchDir dir;
    fs::path p = dir / "host.dxf";
    copyWritable(corpus("ezdxfgen_xref_attach_host.dxf"), p);
    auto db = read(p);
    ASSERT_TRUE(db);
    auto facts = blockFacts(db.get());
    std::vector<std::wstring> xrefs;
    for (const auto& f : facts)
        if (f.xref) xrefs.push_back(f.name + L":" + f.path);
    EXPECT_EQ(xrefs, (std::vector<std::wstring>{L"dxf_xref:xref.dxf"}));
    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(rec, blockId(db.get(), L"DXF_XREF"), AcDb::kForRead));
    EXPECT_ES(Acad::eNotOpenForWrite, rec->setPathName(L"x.dxf"));
    ASSERT_ES(Acad::eOk, rec->upgradeOpen());
    EXPECT_ES(Acad::eInvalidInput, rec->setPathName(L"bad\npath"));
    EXPECT_ES(Acad::eOk, rec->setPathName(L"..\\Parts\\B\u00e4r.dwg"));
    const ACHAR* path = nullptr;
    EXPECT_ES(Acad::eOk, rec->pathName(path));
    EXPECT_STREQ(path, L"..\\Parts\\B\u00e4r.dwg");
    rec->close();
    ASSERT_ES(Acad::eOk, db->saveAs(p.wstring().c_str(), true));
    std::string original = readFile(corpus("ezdxfgen_xref_attach_host.dxf"));
    std::string saved = readFile(p);
    std::size_t at = original.find("\n  1\nxref.dxf\n");
    ASSERT_NE(at, std::string::npos);
    original.replace(at, 14, "\n  1\n..\\Parts\\B\xC3\xA4r.dwg\n");
    EXPECT_EQ(firstDifference(saved, original), "") << "only the path changed";
}

TEST(BlockTableRecordTest, LayoutsOfARealSheetSet) {
    if (!haveCorpus()) GTEST_SKIP();
    auto db = read(corpus("dxfparser_api-cw750-details_AC1027.dxf"));
    ASSERT_TRUE(db);
    std::vector<std::wstring> layouts;
    AcDbBlockTable* bt = nullptr;
    ASSERT_ES(Acad::eOk, db->getBlockTable(bt, AcDb::kForRead));
    AcDbBlockTableIterator* it = nullptr;
    bt->newIterator(it);
    for (; !it->done(); it->step()) {
        AcDbBlockTableRecord* rec = nullptr;
        ASSERT_ES(Acad::eOk, it->getRecord(rec));
        if (rec->isLayout()) {
            AcDbLayout* layout = nullptr;
            ASSERT_ES(Acad::eOk, acdbOpenObject(layout, rec->getLayoutId(), AcDb::kForRead));
            const ACHAR* name = nullptr;
            layout->getLayoutName(name);
            layouts.push_back(nameOf(rec) + L"=" + name);
            EXPECT_EQ(layout->getBlockTableRecordId(), rec->objectId());
            layout->close();
        }
        rec->close();
    }
    delete it;
    bt->close();
    EXPECT_EQ(layouts, (std::vector<std::wstring>{L"*Model_Space=Model", L"*Paper_Space=Sheet 1",
                                                  L"*Paper_Space28=Sheet 3", L"*Paper_Space38=Sheet 4",
                                                  L"*Paper_Space312=Sheet 2"}));
    EXPECT_FALSE(db->tilemode());
    AcDbObjectId active = acdbHostApplicationServices()->layoutManager()->getActiveLayoutBTRId(db.get());
    EXPECT_EQ(active, blockId(db.get(), L"*Paper_Space"));
    EXPECT_EQ(openObjectCount(db.get()), 0);
}

TEST(BlockTableRecordTest, TitleBlockAttributesOfARealDrawing) {
    if (!haveCorpus()) GTEST_SKIP();
    auto db = read(corpus("dxfparser_api-cw750-details_AC1027.dxf"));
    ASSERT_TRUE(db);
    AcDbObjectId sheet2 = blockId(db.get(), L"*Paper_Space312");
    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(rec, sheet2, AcDb::kForRead));
    AcDbBlockTableRecordIterator* it = nullptr;
    ASSERT_ES(Acad::eOk, rec->newIterator(it));
    std::vector<std::wstring> found;
    for (; !it->done(); it->step()) {
        AcDbEntity* ent = nullptr;
        ASSERT_ES(Acad::eOk, it->getEntity(ent));
        if (auto* br = AcDbBlockReference::cast(ent)) {
            for (const auto& t : attributeTexts(br->objectId()))
                if (t.rfind(L"SHEET=", 0) == 0) found.push_back(t);
        }
        ent->close();
    }
    delete it;
    rec->close();
    EXPECT_EQ(found, (std::vector<std::wstring>{L"SHEET=2 of 4"}));
}

TEST(BlockReferenceTest, VisibilityIsGroup60InTheEntitySubclass) {
    AcDbDatabase db;
    AcDbObjectId tb = addBlock(&db, L"TB", {L"A"});
    AcDbObjectId ref = insert(blockId(&db, L"*Model_Space"), tb, {{L"A", L"1"}});
    AcDbBlockReference* br = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(br, ref, AcDb::kForWrite));
    EXPECT_EQ(br->visibility(), AcDb::kVisible);
    EXPECT_ES(Acad::eOk, br->setVisibility(AcDb::kInvisible));
    EXPECT_EQ(br->visibility(), AcDb::kInvisible);
    br->close();
    ScratchDir dir;
    ASSERT_ES(Acad::eOk, db.saveAs((dir / "v.dxf").wstring().c_str(), false));
    std::string saved = readFile(dir / "v.dxf");
    EXPECT_NE(saved.find("100\r\nAcDbEntity\r\n  8\r\n0\r\n 60\r\n     1\r\n100\r\nAcDbBlockReference\r\n 66\r\n     1\r\n"),
              std::string::npos);
    ASSERT_ES(Acad::eOk, acdbOpenObject(br, ref, AcDb::kForWrite));
    EXPECT_ES(Acad::eOk, br->setVisibility(AcDb::kVisible));
    br->close();
    ASSERT_ES(Acad::eOk, db.saveAs((dir / "v.dxf").wstring().c_str(), false));
    EXPECT_EQ(readFile(dir / "v.dxf").find(" 60\r\n"), std::string::npos);
}

TEST(BlockReferenceTest, GeometryOfAReference) {
    AcDbDatabase db;
    AcDbObjectId tb = addBlock(&db, L"BOX", {});
    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(rec, tb, AcDb::kForWrite));
    auto* t1 = new AcDbText();
    t1->setPosition(AcGePoint3d(0, 0, 0));
    rec->appendAcDbEntity(t1);
    t1->close();
    auto* t2 = new AcDbText();
    t2->setPosition(AcGePoint3d(10, 5, 0));
    rec->appendAcDbEntity(t2);
    t2->close();
    rec->close();
    AcDbObjectId ref = insert(blockId(&db, L"*Model_Space"), tb, {}, AcGePoint3d(100, 100, 0));
    AcDbBlockReference* br = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(br, ref, AcDb::kForWrite));
    EXPECT_ES(Acad::eOk, br->setScaleFactors(AcGeScale3d(2, 2, 1)));
    EXPECT_ES(Acad::eOk, br->setRotation(3.14159265358979323846 / 2));
    EXPECT_ES(Acad::eInvalidInput, br->setScaleFactors(AcGeScale3d(0, 1, 1)));
    EXPECT_DOUBLE_EQ(br->scaleFactors().sx, 2);
    EXPECT_NEAR(br->rotation(), 3.14159265358979323846 / 2, 1e-12);
    AcDbExtents ext;
    ASSERT_ES(Acad::eOk, br->getGeomExtents(ext));
    EXPECT_NEAR(ext.minPoint().x, 90, 1e-9);
    EXPECT_NEAR(ext.minPoint().y, 100, 1e-9);
    EXPECT_NEAR(ext.maxPoint().x, 100, 1e-9);
    EXPECT_NEAR(ext.maxPoint().y, 120, 1e-9);
    br->close();
}

}  // namespace

namespace {

TEST(BlockReferenceTest, AttributesBelongToTheReferenceTheyFollowWhateverTheirOwnerSays) {
    auto db = read(fs::path(BRAKON_FIXTURES_DIR) / "dxf" / "ezdxf_attrib_owner_block_record.dxf");
    ASSERT_TRUE(db);
    AcDbBlockTableRecord* ms = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(ms, blockId(db.get(), L"*Model_Space"), AcDb::kForRead));
    AcDbBlockTableRecordIterator* it = nullptr;
    ms->newIterator(it);
    std::vector<AcDbObjectId> entities;
    for (; !it->done(); it->step()) {
        AcDbObjectId id;
        it->getEntityId(id);
        entities.push_back(id);
    }
    delete it;
    ms->close();
    ASSERT_EQ(entities.size(), 1u) << "the attribute is not a model space entity";
    EXPECT_EQ(attributeTexts(entities[0]), (std::vector<std::wstring>{L"TITLE=hello"}));
    AcDbBlockReference* br = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(br, entities[0], AcDb::kForRead));
    AcDbObjectIterator* ait = br->attributeIterator();
    AcDbAttribute* a = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(a, ait->objectId(), AcDb::kForRead));
    EXPECT_EQ(a->ownerId(), entities[0]);
    a->close();
    delete ait;
    br->close();
}

}  // namespace

namespace {

TEST(BlockReferenceTest, ExtentsOfBlocksThatInsertThemselvesEnd) {
    AcDbDatabase db;
    AcDbObjectId a = addBlock(&db, L"A", {});
    AcDbObjectId b = addBlock(&db, L"B", {});
    for (int i = 0; i < 12; ++i) {
        insert(a, b, {}, AcGePoint3d(i, 0, 0));
        insert(b, a, {}, AcGePoint3d(0, i, 0));
        insert(a, a, {}, AcGePoint3d(i, i, 0));
    }
    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(rec, b, AcDb::kForWrite));
    auto* t = new AcDbText();
    t->setPosition(AcGePoint3d(1, 1, 0));
    rec->appendAcDbEntity(t);
    t->close();
    rec->close();
    AcDbObjectId ref = insert(blockId(&db, L"*Model_Space"), a, {});
    AcDbBlockReference* br = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(br, ref, AcDb::kForRead));
    AcDbExtents ext;
    EXPECT_ES(Acad::eOk, br->getGeomExtents(ext));
    // A holds B at (i, 0); B holds the text at (1, 1) (its A references are cycles, empty).
    EXPECT_DOUBLE_EQ(ext.minPoint().x, 11);
    EXPECT_DOUBLE_EQ(ext.maxPoint().x, 22);
    EXPECT_DOUBLE_EQ(ext.maxPoint().y, 21);
    br->close();
}

}  // namespace
