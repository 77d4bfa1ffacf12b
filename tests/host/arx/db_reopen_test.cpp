// Tests of what makes repeated opens cheap: a typed open refuses another class without building
// the object, closed tables and records are kept for the next open, and the answers kept for
// layout and block look-ups (a block's references, what a block is) follow every change of the
// records behind them.
#include <functional>

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

// ---- references of a block, and what a block is, as the drawing changes ----

// The references that getBlockReferenceIds gives for a block, in its order.
std::vector<AcDbObjectId> referencesOf(AcDbObjectId block) {
    std::vector<AcDbObjectId> out;
    AcDbBlockTableRecord* rec = nullptr;
    if (acdbOpenObject(rec, block, AcDb::kForRead, true) != Acad::eOk) return out;
    AcDbObjectIdArray ids;
    EXPECT_ES(Acad::eOk, rec->getBlockReferenceIds(ids, true, false));
    rec->close();
    for (AcDbObjectId id : ids) out.push_back(id);
    return out;
}

void eraseObject(AcDbObjectId id, bool erasing = true) {
    AcDbObject* obj = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(obj, id, AcDb::kForWrite, true));
    EXPECT_ES(Acad::eOk, obj->erase(erasing));
    obj->close();
}

void renameBlock(AcDbObjectId block, const wchar_t* name) {
    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(rec, block, AcDb::kForWrite));
    EXPECT_ES(Acad::eOk, rec->setName(name));
    rec->close();
}

TEST(ReopenTest, ReferencesOfABlockFollowEveryChange) {
    AcDbDatabase db(true, false);
    AcDbObjectId tb = addBlock(&db, L"TB", {L"A"}), other = addBlock(&db, L"OTHER", {L"A"});
    AcDbObjectId frame = addBlock(&db, L"FRAME", {});
    AcDbObjectId model = insert(modelSpace(&db), tb, {}), paper = insert(blockId(&db, L"*Paper_Space"), tb, {});
    AcDbObjectId nested = insert(frame, tb, {});
    AcDbObjectId later, tbAgain;
    // Each step changes the drawing after the references were asked for; file order: the block
    // definitions, then model space, then the active paper space.
    struct Step {
        const char* what;
        std::function<void()> change;
        std::function<AcDbObjectId()> block;
        std::function<std::vector<AcDbObjectId>()> expected;
    };
    const Step steps[] = {
        {"as built", [] {}, [&] { return tb; }, [&] { return std::vector{nested, model, paper}; }},
        {"a reference added", [&] { later = insert(modelSpace(&db), tb, {}); }, [&] { return tb; },
         [&] { return std::vector{nested, model, paper, later}; }},
        {"a reference erased", [&] { eraseObject(paper); }, [&] { return tb; },
         [&] { return std::vector{nested, model, later}; }},
        {"a reference pointed at another block",
         [&] {
             AcDbBlockReference* br = nullptr;
             ASSERT_ES(Acad::eOk, acdbOpenObject(br, model, AcDb::kForWrite));
             EXPECT_ES(Acad::eOk, br->setBlockTableRecord(other));
             br->close();
         },
         [&] { return other; }, [&] { return std::vector{model}; }},
        {"the block renamed: its references still name TB", [&] { renameBlock(tb, L"TB_OLD"); },
         [&] { return tb; }, [] { return std::vector<AcDbObjectId>{}; }},
        {"a new block of that name, in other letter case", [&] { tbAgain = addBlock(&db, L"tb", {}); },
         [&] { return tbAgain; }, [&] { return std::vector{nested, later}; }},
        {"the erased reference back", [&] { eraseObject(paper, false); }, [&] { return tbAgain; },
         [&] { return std::vector{nested, paper, later}; }},
        {"the new block erased: an erased block keeps the references that name it",
         [&] { eraseObject(tbAgain); }, [&] { return tbAgain; }, [&] { return std::vector{nested, paper, later}; }},
    };
    for (const Step& step : steps) {
        step.change();
        EXPECT_EQ(referencesOf(step.block()), step.expected()) << step.what;
        if (step.block().isErased()) continue;
        for (AcDbObjectId ref : referencesOf(step.block())) EXPECT_EQ(referencedBlock(ref), step.block()) << step.what;
    }
    EXPECT_EQ(openObjectCount(&db), 0);
}

// A drawing of version acadver with block blockRaw (with an attribute definition) and one model
// space reference per name of refRaw: names as raw bytes of the file.
std::string drawingText(const ScratchDir& dir, const char* acadver, const std::string& blockRaw,
                        const std::vector<std::string>& refRaw) {
    {
        AcDbDatabase db(true, false);
        AcDbObjectId block = addBlock(&db, L"PLACEHOLDER", {L"A"});
        for (std::size_t i = 0; i < refRaw.size(); ++i) insert(modelSpace(&db), block, {});
        EXPECT_ES(Acad::eOk, db.saveAs((dir / "built.dxf").wstring().c_str(), false));
    }
    std::string text = readFile(dir / "built.dxf");
    auto replaceAll = [&](const std::string& from, const std::string& to) {
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    };
    const std::string eol = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    replaceAll(eol + "AC1032" + eol, eol + acadver + eol);
    replaceAll(eol + "PLACEHOLDER" + eol, eol + blockRaw + eol);
    const std::string marker = "AcDbBlockReference" + eol + "  2" + eol + blockRaw + eol;
    std::size_t at = 0;
    for (const std::string& name : refRaw) {
        at = text.find(marker, at);
        EXPECT_NE(at, std::string::npos);
        if (at == std::string::npos) break;
        const std::string named = "AcDbBlockReference" + eol + "  2" + eol + name + eol;
        text.replace(at, marker.size(), named);
        at += named.size();
    }
    return text;
}

TEST(ReopenTest, ReferencesMatchTheirBlockAsTheDrawingSpellsIt) {
    struct Case {
        const char* acadver;
        std::string block;
        const wchar_t* name;
        std::vector<std::string> same;    // names that resolve to the block
        std::vector<std::string> others;  // names that do not
    };
    const Case cases[] = {
        {"AC1032", "REV", L"rev", {"REV", "rev", "Rev", " REV\t"}, {"REV2", "RE", "REV|X"}},
        // UTF-8: letter case beyond ASCII, and the escaped form of a character.
        {"AC1032", "M\xC3\x84RKE", L"M\u00c4RKE", {"M\xC3\x84RKE", "m\xC3\xA4rke", "M\\U+00C4RKE"},
         {"MARKE", "M\xC3\xA4"}},
        // The code page of an R2000 drawing.
        {"AC1015", "M\xC4RKE", L"M\u00c4rke", {"M\xC4RKE", "m\xE4rke", "M\\U+00C4RKE"}, {"MARKE", "M\xC3\x84RKE"}},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        std::vector<std::string> names = c.same;
        names.insert(names.end(), c.others.begin(), c.others.end());
        writeFile(dir / "names.dxf", drawingText(dir, c.acadver, c.block, names));
        auto db = read(dir / "names.dxf");
        ASSERT_TRUE(db) << c.acadver << " " << c.block;
        AcDbObjectId block = blockId(db.get(), c.name);
        ASSERT_FALSE(block.isNull()) << c.acadver << " " << c.block;
        std::vector<AcDbObjectId> refs = referencesOf(block);
        EXPECT_EQ(refs.size(), c.same.size()) << c.acadver << " " << c.block;
        // The first references of model space are those of the names that match.
        std::vector<AcDbObjectId> inModel;
        forEachEntity(modelSpace(db.get()), [&](AcDbEntity* e) { inModel.push_back(e->objectId()); });
        ASSERT_EQ(inModel.size(), names.size());
        inModel.resize(c.same.size());
        EXPECT_EQ(refs, inModel) << c.acadver << " " << c.block;
        for (AcDbObjectId ref : refs) EXPECT_EQ(referencedBlock(ref), block) << c.acadver << " " << c.block;
    }
}

TEST(ReopenTest, WhatABlockIsFollowsItsDefinitionNameAndLayout) {
    AcDbDatabase db(true, false);
    AcDbObjectId plain = addBlock(&db, L"PLAIN", {}), anonymous = addBlock(&db, L"*U7", {L"A"});
    struct Facts {
        bool layout, anonymous, attdefs;
        bool operator==(const Facts&) const = default;
    };
    auto factsOf = [](AcDbObjectId id) {
        AcDbBlockTableRecord* rec = nullptr;
        EXPECT_ES(Acad::eOk, acdbOpenObject(rec, id, AcDb::kForRead));
        if (!rec) return Facts{};
        Facts f{rec->isLayout(), rec->isAnonymous(), rec->hasAttributeDefinitions()};
        rec->close();
        return f;
    };
    AcDbObjectId attdef;
    struct Step {
        const char* what;
        std::function<void()> change;
        AcDbObjectId block;
        Facts expected;
    };
    const Step steps[] = {
        {"as built", [] {}, plain, {false, false, false}},
        {"as built", [] {}, anonymous, {false, true, true}},
        {"an attribute definition added",
         [&] {
             AcDbBlockTableRecord* rec = nullptr;
             ASSERT_ES(Acad::eOk, acdbOpenObject(rec, plain, AcDb::kForWrite));
             auto* def = new AcDbAttributeDefinition(AcGePoint3d(0, 0, 0), L"", L"T", L"T");
             EXPECT_ES(Acad::eOk, rec->appendAcDbEntity(attdef, def));
             def->close();
             rec->close();
         },
         plain, {false, false, true}},
        {"the definition erased", [&] { eraseObject(attdef); }, plain, {false, false, false}},
        {"renamed to a paper space name", [&] { renameBlock(plain, L"*Paper_Space3"); }, plain, {true, false, false}},
        {"renamed back", [&] { renameBlock(plain, L"PLAIN"); }, plain, {false, false, false}},
        {"a layout's link to it", [&] {
             AcDbBlockTableRecord* rec = nullptr;
             ASSERT_ES(Acad::eOk, acdbOpenObject(rec, plain, AcDb::kForWrite));
             EXPECT_ES(Acad::eOk, rec->setLayoutId(layoutOf(modelSpace(&db))));
             rec->close();
         },
         plain, {true, false, false}},
    };
    for (const Step& step : steps) {
        step.change();
        EXPECT_EQ(factsOf(step.block), step.expected) << step.what;
    }
    EXPECT_EQ(openObjectCount(&db), 0);
}

}  // namespace
