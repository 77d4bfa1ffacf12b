// Tests of texts as drawings hold them: attribute values read and written per file version and
// code page, multi-line attributes, and edits that change only their own value.
#include "db_test_util.h"

using namespace dbtest;
namespace fs = std::filesystem;

namespace {

// The first attribute with that tag anywhere in the drawing (any tag when null).
AcDbObjectId findAttribute(AcDbDatabase* db, const wchar_t* tag) {
    for (AcDbObjectId id : allAttributes(db)) {
        AcDbAttribute* a = nullptr;
        if (acdbOpenObject(a, id, AcDb::kForRead) != Acad::eOk) continue;
        const bool match = !tag || std::wstring(a->tagConst()) == tag;
        a->close();
        if (match) return id;
    }
    return AcDbObjectId::kNull;
}

std::string onlyChange(std::string original, const std::string& from, const std::string& to) {
    std::size_t at = original.find(from);
    if (at == std::string::npos) return "pattern not found: " + from;
    original.replace(at, from.size(), to);
    return original;
}

TEST(AttributeTextTest, MultiLineAttributesKeepTheirTextInTheEmbeddedObject) {
    if (!haveCorpus()) GTEST_SKIP();
    ScratchDir dir;
    fs::path p = dir / "m.dxf";
    copyWritable(corpus("acadsharp_sample_AC1032_ascii.dxf"), p);
    auto db = read(p);
    ASSERT_TRUE(db);
    AcDbObjectId id = findAttribute(db.get(), L"MULTI_LINE_ATT");
    ASSERT_FALSE(id.isNull());
    AcDbAttribute* a = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(a, id, AcDb::kForWrite));
    EXPECT_TRUE(a->isMTextAttribute());
    EXPECT_STREQ(a->textStringConst(), L"my multi line text for the attrrib");
    EXPECT_ES(Acad::eOk, a->setTextString(L"PDM text"));
    EXPECT_STREQ(a->textStringConst(), L"PDM text");
    a->close();
    ASSERT_ES(Acad::eOk, db->saveAs(p.wstring().c_str(), false));
    std::string expected = onlyChange(readFile(corpus("acadsharp_sample_AC1032_ascii.dxf")),
                                      "\n  1\nmy multi line text for the attrrib\n", "\n  1\nPDM text\n");
    EXPECT_EQ(firstDifference(readFile(p), expected), "");
}

TEST(AttributeTextTest, R2000ValuesUseTheCodePageAndEscapes) {
    if (!haveCorpus()) GTEST_SKIP();
    ScratchDir dir;
    fs::path p = dir / "r2000.dxf";
    copyWritable(corpus("libredwg_TS1_2000.dxf"), p);
    auto db = read(p);
    ASSERT_TRUE(db);
    AcDbObjectId attrId = findAttribute(db.get(), nullptr);
    ASSERT_FALSE(attrId.isNull());
    AcDbAttribute* a = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(a, attrId, AcDb::kForWrite));
    EXPECT_ES(Acad::eInvalidInput, a->setTextString(L"two\nlines"));
    EXPECT_ES(Acad::eOk, a->setTextString(L"\u00c4nderung \u2300 5"));
    a->close();
    ASSERT_ES(Acad::eOk, db->saveAs(p.wstring().c_str(), false));
    auto again = read(p);
    ASSERT_TRUE(again);
    AcDbObjectId again2;
    ASSERT_ES(Acad::eOk, again->getAcDbObjectId(again2, false, attrId.handle()));
    ASSERT_ES(Acad::eOk, acdbOpenObject(a, again2, AcDb::kForRead));
    EXPECT_STREQ(a->textStringConst(), L"\u00c4nderung \u2300 5");
    a->close();
    std::string saved = readFile(p);
    EXPECT_NE(saved.find("\xC4nderung \\U+2300 5"), std::string::npos) << "cp1252 byte and an escape for the rest";
}

TEST(AttributeTextTest, LowerCaseEscapesOfOtherWritersAreDecoded) {
    if (!haveCorpus()) GTEST_SKIP();
    auto db = read(corpus("qcad_din6771-1_quer_A3_de.dxf"));
    ASSERT_TRUE(db);
    AcDbLayerTable* layers = nullptr;
    ASSERT_ES(Acad::eOk, db->getLayerTable(layers, AcDb::kForRead));
    EXPECT_TRUE(layers->has(L"Plankopf ausgef\u00fcllt"));
    EXPECT_TRUE(layers->has(L"PLANKOPF AUSGEF\u00dcLLT"));
    layers->close();
}

// Regression (found by fuzzing): an attribute whose text subclass is missing took a new text
// with eOk and lost it on saving.
TEST(AttributeTextTest, AnAttributeWithoutItsTextSubclassRefusesNewText) {
    std::string text = readFile(fs::path(BRAKON_FIXTURES_DIR) / "dxf" / "ezdxf_attrib_owner_block_record.dxf");
    std::size_t attrib = text.find("ATTRIB\n");
    std::size_t marker = text.find("100\nAcDbText\n", attrib);
    ASSERT_NE(marker, std::string::npos);
    text.erase(marker, 13);
    ScratchDir dir;
    fs::path p = dir / "damaged.dxf";
    writeFile(p, text);
    auto db = read(p);
    ASSERT_TRUE(db);
    AcDbObjectId id = findAttribute(db.get(), L"TITLE");
    ASSERT_FALSE(id.isNull());
    AcDbAttribute* a = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(a, id, AcDb::kForWrite));
    EXPECT_STREQ(a->textStringConst(), L"");
    EXPECT_ES(Acad::eMissingDxfField, a->setTextString(L"new"));
    EXPECT_ES(Acad::eMissingDxfField, a->setPosition(AcGePoint3d(1, 1, 1)));
    a->close();
    ASSERT_ES(Acad::eOk, db->saveAs(p.wstring().c_str(), false));
    EXPECT_EQ(firstDifference(readFile(p), text), "") << "nothing changed";
}

}  // namespace
