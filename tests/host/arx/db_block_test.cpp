// Tests of block table records and block references: what a block is, its direct references,
// attributes, visibility, geometry, paths of external references, and layouts, on drawings
// built in code and on real drawings.
#include "db_test_util.h"
#include "dblayout.h"
#include "dblaymgr.h"

using namespace dbtest;
using cadhost::testing::openObjectCount;
namespace fs = std::filesystem;

namespace {

struct BlockFacts { std::wstring name; bool layout, anonymous, attdefs, xref; std::wstring path; };

std::vector<BlockFacts> blockFacts(AcDbDatabase* db) {
    std::vector<BlockFacts> out;
    forEachBlock(db, [&](AcDbBlockTableRecord* rec) {
        const ACHAR* path = nullptr;
        rec->pathName(path);
        out.push_back({nameOf(rec), rec->isLayout(), rec->isAnonymous(),
                       rec->hasAttributeDefinitions(), rec->isFromExternalReference(), path});
    });
    return out;
}

AcDbObjectId addText(AcDbObjectId block, AcGePoint3d at) {
    AcDbBlockTableRecord* rec = nullptr;
    EXPECT_ES(Acad::eOk, acdbOpenObject(rec, block, AcDb::kForWrite));
    auto* t = new AcDbText();
    t->setPosition(at);
    AcDbObjectId id;
    rec->appendAcDbEntity(id, t);
    t->close();
    rec->close();
    return id;
}

TEST(BlockTableRecordTest, BuiltDrawingKnowsItsBlocksAndReferences) {
    AcDbDatabase db;
    AcDbObjectId tb = addBlock(&db, L"TITLE_A3", {L"NAME", L"DATE"});
    AcDbObjectId plain = addBlock(&db, L"Bolt", {});
    AcDbObjectId paper = blockId(&db, L"*paper_space");
    AcDbObjectId r1 = insert(blockId(&db, L"*Model_Space"), tb, {{L"NAME", L"Part"}, {L"DATE", L"2026"}});
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
    // Appended to what the array held, in file order: block definitions come before the
    // entities of model and active paper space.
    ASSERT_EQ(ids.length(), 4);
    EXPECT_EQ((std::vector<AcDbObjectId>{ids[1], ids[2], ids[3]}), (std::vector<AcDbObjectId>{nested, r1, r2}));
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

TEST(BlockTableRecordTest, IteratorsSkipErasedRecordsUnlessAsked) {
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
    std::vector<std::wstring> xrefs;
    for (const auto& f : blockFacts(db.get()))
        if (f.xref) xrefs.push_back(f.name + L":" + f.path);
    EXPECT_EQ(xrefs, (std::vector<std::wstring>{L"dxf_xref:xref.dxf"}));
    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(rec, blockId(db.get(), L"DXF_XREF"), AcDb::kForRead));
    EXPECT_ES(Acad::eNotOpenForWrite, rec->setPathName(L"x.dxf"));
    ASSERT_ES(Acad::eOk, rec->upgradeOpen());
    EXPECT_ES(Acad::eInvalidInput, rec->setPathName(L"bad\npath"));
    EXPECT_ES(Acad::eOk, rec->setPathName(L"..\\Parts\\B\u00e4r.dwg"));
    rec->close();
    ASSERT_ES(Acad::eOk, db->saveAs(p.wstring().c_str(), true));
    std::string original = readFile(corpus("ezdxfgen_xref_attach_host.dxf"));
    std::size_t at = original.find("\n  1\nxref.dxf\n");
    ASSERT_NE(at, std::string::npos);
    original.replace(at, 14, "\n  1\n..\\Parts\\B\xC3\xA4r.dwg\n");
    EXPECT_EQ(firstDifference(readFile(p), original), "") << "only the path changed";
}

TEST(BlockTableRecordTest, LayoutsAndTitleBlockOfARealSheetSet) {
    if (!haveCorpus()) GTEST_SKIP();
    auto db = read(corpus("dxfparser_api-cw750-details_AC1027.dxf"));
    ASSERT_TRUE(db);
    std::vector<std::wstring> layouts;
    forEachBlock(db.get(), [&](AcDbBlockTableRecord* rec) {
        if (!rec->isLayout()) return;
        AcDbLayout* layout = nullptr;
        ASSERT_ES(Acad::eOk, acdbOpenObject(layout, rec->getLayoutId(), AcDb::kForRead));
        const ACHAR* name = nullptr;
        layout->getLayoutName(name);
        layouts.push_back(nameOf(rec) + L"=" + name);
        EXPECT_EQ(layout->getBlockTableRecordId(), rec->objectId());
        layout->close();
    });
    EXPECT_EQ(layouts, (std::vector<std::wstring>{L"*Model_Space=Model", L"*Paper_Space=Sheet 1",
                                                  L"*Paper_Space28=Sheet 3", L"*Paper_Space38=Sheet 4",
                                                  L"*Paper_Space312=Sheet 2"}));
    EXPECT_FALSE(db->tilemode());
    EXPECT_EQ(acdbHostApplicationServices()->layoutManager()->getActiveLayoutBTRId(db.get()),
              blockId(db.get(), L"*Paper_Space"));
    std::vector<std::wstring> sheet;
    forEachEntity(blockId(db.get(), L"*Paper_Space312"), [&](AcDbEntity* ent) {
        for (const auto& t : attributeTexts(ent->objectId()))
            if (t.rfind(L"SHEET=", 0) == 0) sheet.push_back(t);
    });
    EXPECT_EQ(sheet, (std::vector<std::wstring>{L"SHEET=2 of 4"}));
    EXPECT_EQ(openObjectCount(db.get()), 0);
}

TEST(BlockReferenceTest, VisibilityIsGroup60InTheEntitySubclass) {
    AcDbDatabase db;
    AcDbObjectId ref = insert(blockId(&db, L"*Model_Space"), addBlock(&db, L"TB", {L"A"}), {{L"A", L"1"}});
    ScratchDir dir;
    const fs::path p = dir / "v.dxf";
    for (AcDb::Visibility v : {AcDb::kInvisible, AcDb::kVisible}) {
        AcDbBlockReference* br = nullptr;
        ASSERT_ES(Acad::eOk, acdbOpenObject(br, ref, AcDb::kForWrite));
        EXPECT_ES(Acad::eOk, br->setVisibility(v));
        EXPECT_EQ(br->visibility(), v);
        // Saved while still open for write: objects are saved as they stand.
        ASSERT_ES(Acad::eOk, db.saveAs(p.wstring().c_str(), false));
        br->close();
        const std::string saved = readFile(p);
        if (v == AcDb::kInvisible)
            EXPECT_NE(saved.find("100\r\nAcDbEntity\r\n  8\r\n0\r\n 60\r\n     1\r\n100\r\nAcDbBlockReference\r\n"
                                 " 66\r\n     1\r\n"),
                      std::string::npos);
        else
            EXPECT_EQ(saved.find(" 60\r\n"), std::string::npos);
        // Read back: the reader's note of a group 60 and the text agree.
        auto again = read(p);
        std::vector<AcDb::Visibility> seen;
        forEachEntity(blockId(again.get(), L"*Model_Space"), [&](AcDbEntity* ent) {
            if (AcDbBlockReference::cast(ent)) seen.push_back(ent->visibility());
        });
        EXPECT_EQ(seen, std::vector<AcDb::Visibility>{v});
    }
}

TEST(BlockReferenceTest, ScaleRotationAndExtents) {
    AcDbDatabase db;
    AcDbObjectId box = addBlock(&db, L"BOX", {});
    addText(box, AcGePoint3d(0, 0, 0));
    addText(box, AcGePoint3d(10, 5, 0));
    AcDbObjectId ref = insert(blockId(&db, L"*Model_Space"), box, {}, AcGePoint3d(100, 100, 0));
    AcDbBlockReference* br = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(br, ref, AcDb::kForWrite));
    EXPECT_ES(Acad::eOk, br->setScaleFactors(AcGeScale3d(2, 2, 1)));
    EXPECT_ES(Acad::eOk, br->setRotation(3.14159265358979323846 / 2));
    EXPECT_ES(Acad::eInvalidInput, br->setScaleFactors(AcGeScale3d(0, 1, 1)));
    AcDbExtents ext;
    ASSERT_ES(Acad::eOk, br->getGeomExtents(ext));
    EXPECT_NEAR(ext.minPoint().x, 90, 1e-9);
    EXPECT_NEAR(ext.minPoint().y, 100, 1e-9);
    EXPECT_NEAR(ext.maxPoint().x, 100, 1e-9);
    EXPECT_NEAR(ext.maxPoint().y, 120, 1e-9);
    br->close();
}

TEST(BlockReferenceTest, ExtentsOfBlocksThatInsertThemselvesEnd) {
    AcDbDatabase db;
    AcDbObjectId a = addBlock(&db, L"A", {});
    AcDbObjectId b = addBlock(&db, L"B", {});
    for (int i = 0; i < 12; ++i) {
        insert(a, b, {}, AcGePoint3d(i, 0, 0));
        insert(b, a, {}, AcGePoint3d(0, i, 0));
        insert(a, a, {}, AcGePoint3d(i, i, 0));
    }
    addText(b, AcGePoint3d(1, 1, 0));
    AcDbBlockReference* br = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(br, insert(blockId(&db, L"*Model_Space"), a, {}), AcDb::kForRead));
    AcDbExtents ext;
    EXPECT_ES(Acad::eOk, br->getGeomExtents(ext));
    // A holds B at (i, 0); B holds the text at (1, 1) (its A references are cycles, empty).
    EXPECT_DOUBLE_EQ(ext.minPoint().x, 11);
    EXPECT_DOUBLE_EQ(ext.maxPoint().x, 22);
    EXPECT_DOUBLE_EQ(ext.maxPoint().y, 21);
    br->close();
}

TEST(BlockReferenceTest, AttributesBelongToTheReferenceTheyFollowWhateverTheirOwnerSays) {
    auto db = read(fs::path(BRAKON_FIXTURES_DIR) / "dxf" / "ezdxf_attrib_owner_block_record.dxf");
    ASSERT_TRUE(db);
    std::vector<AcDbObjectId> entities;
    forEachEntity(blockId(db.get(), L"*Model_Space"), [&](AcDbEntity* e) { entities.push_back(e->objectId()); });
    ASSERT_EQ(entities.size(), 1u) << "the attribute is not a model space entity";
    EXPECT_EQ(attributeTexts(entities[0]), (std::vector<std::wstring>{L"TITLE=hello"}));
    AcDbAttribute* a = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(a, attributesOf(entities[0]).at(0), AcDb::kForRead));
    EXPECT_EQ(a->ownerId(), entities[0]);
    a->close();
}

}  // namespace
