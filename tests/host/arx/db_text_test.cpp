// Tests of texts as drawings hold them: attribute values read and written per file version and
// code page, multi-line attributes, and edits that change only their own value.
#include "acutbuild.h"
#include "db_test_util.h"
#include "dxf/tag_scan.h"

using namespace dbtest;
namespace fs = std::filesystem;
namespace dxf = cadhost::dxf;

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

// ---- values changed in the record's own text ----
//
// An attribute read from a file changes its value in a copy of its record's text; only a split
// object is joined from its tags. These drive that path against everything around the value.

const fs::path kAttribFixture = fs::path(BRAKON_FIXTURES_DIR) / "dxf" / "ezdxf_attrib_owner_block_record.dxf";

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The fixture drawing (one ATTRIB, TITLE = hello) with extended data after the attribute's
// fields and a second 1 in its text subclass that no change may touch.
std::string attribDrawing(const std::string& eol) {
    std::string text = readFile(kAttribFixture);
    const std::size_t attrib = text.find("\nATTRIB\n");
    text.insert(text.find("100\nAcDbAttribute\n", attrib), "  1\nsecond\n");
    text.insert(text.find("  0\nSEQEND\n", attrib), "1001\nACAD\n1000\nkeep me\n1070\n     7\n");
    return eol == "\n" ? text : replaceAll(text, "\n", eol);
}

// text with the first value of a code after the ATTRIB replaced.
std::string withValue(std::string text, const std::string& eol, const std::string& codeLine, const std::string& from,
                      const std::string& to) {
    const std::string old = codeLine + eol + from + eol;
    const std::size_t at = text.find(old, text.find("ATTRIB" + eol));
    if (at == std::string::npos) return "not found: " + old;
    return text.replace(at, old.size(), codeLine + eol + to + eol);
}

std::wstring describeXdata(const AcDbObject* obj) {
    resbuf* rb = obj->xData(L"ACAD");
    std::wstring out;
    for (const resbuf* r = rb; r; r = r->rbnext) {
        out += std::to_wstring(r->restype) + L":";
        out += r->restype == 1070 ? std::to_wstring(r->resval.rint) : std::wstring(r->resval.rstring);
        out += L" ";
    }
    acutRelRb(rb);
    return out;
}

const std::wstring kXdata = L"1001:ACAD 1000:keep me 1070:7 ";

class AttributeWriteTest : public testing::Test {
protected:
    // Writes text as the drawing and reads it; the id of its attribute.
    AcDbObjectId load(const std::string& text) {
        writeFile(dir / "in.dxf", text);
        db = read(dir / "in.dxf");
        if (!db) return AcDbObjectId::kNull;
        std::vector<AcDbObjectId> ids = allAttributes(db.get());
        EXPECT_EQ(ids.size(), 1u);
        return ids.empty() ? AcDbObjectId::kNull : ids[0];
    }
    std::string saved() {
        EXPECT_ES(Acad::eOk, db->saveAs((dir / "out.dxf").wstring().c_str(), false));
        return readFile(dir / "out.dxf");
    }
    ScratchDir dir;
    std::unique_ptr<AcDbDatabase> db;
};

TEST_F(AttributeWriteTest, ChangesOnlyItsValueWhateverItsLength) {
    const struct {
        const wchar_t* value;
        const char* bytes;  // as the R2018 file holds it
    } values[] = {{L"", ""}, {L"h", "h"}, {L"hello", "hello"},
                  {L"a value much longer than the one it replaces", "a value much longer than the one it replaces"},
                  {L"\u00c4rger \u2300 5", "\xC3\x84rger \xE2\x8C\x80 5"}};
    for (const std::string eol : {"\n", "\r\n"}) {
        for (const auto& [value, bytes] : values) {
            SCOPED_TRACE(testing::Message() << (eol == "\n" ? "LF " : "CRLF ") << bytes);
            const std::string original = attribDrawing(eol);
            AcDbObjectId id = load(original);
            ASSERT_FALSE(id.isNull());
            AcDbAttribute* a = nullptr;
            ASSERT_ES(Acad::eOk, acdbOpenObject(a, id, AcDb::kForWrite));
            EXPECT_STREQ(a->tagConst(), L"TITLE");
            EXPECT_ES(Acad::eOk, a->setTextString(value));
            EXPECT_STREQ(a->textStringConst(), value);
            EXPECT_STREQ(a->tagConst(), L"TITLE");
            a->close();
            // Read again from the record, as the next open finds it (extended data asked only
            // now: asking splits an object).
            ASSERT_ES(Acad::eOk, acdbOpenObject(a, id, AcDb::kForRead));
            EXPECT_STREQ(a->textStringConst(), value);
            EXPECT_FALSE(a->isMTextAttribute());
            EXPECT_EQ(a->position().y, 2.0);
            EXPECT_EQ(describeXdata(a), kXdata);
            a->close();
            const std::string expected = withValue(original, eol, "  1", "hello", bytes);
            EXPECT_EQ(firstDifference(saved(), expected), "");
        }
    }
}

// Each change moves what follows it; later questions and changes must find their values anew.
TEST_F(AttributeWriteTest, SeveralChangesBeforeCloseLandWhereTheyBelong) {
    const std::string original = attribDrawing("\n");
    AcDbObjectId id = load(original);
    ASSERT_FALSE(id.isNull());
    AcDbAttribute* a = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(a, id, AcDb::kForWrite));
    EXPECT_STREQ(a->tagConst(), L"TITLE");
    EXPECT_ES(Acad::eOk, a->setTextString(L"a first value, longer than the last"));
    EXPECT_ES(Acad::eOk, a->setHeight(12.25));  // before the text value, longer than before
    EXPECT_ES(Acad::eOk, a->setTextString(L"last"));
    EXPECT_ES(Acad::eOk, a->setTag(L"T"));      // after it, shorter
    EXPECT_STREQ(a->textStringConst(), L"last");
    EXPECT_EQ(a->height(), 12.25);
    EXPECT_STREQ(a->tagConst(), L"T");
    EXPECT_EQ(describeXdata(a), kXdata);
    a->close();
    std::string expected = withValue(original, "\n", "  1", "hello", "last");
    expected = withValue(expected, "\n", " 40", "2.5", "12.25");
    expected = withValue(expected, "\n", "  2", "TITLE", "T");
    EXPECT_EQ(firstDifference(saved(), expected), "");
}

// A change that adds a tag splits the object; the values changed before stay changed.
TEST_F(AttributeWriteTest, AChangeThatAddsATagKeepsTheEarlierChanges) {
    const std::string original = attribDrawing("\r\n");
    AcDbObjectId id = load(original);
    ASSERT_FALSE(id.isNull());
    AcDbAttribute* a = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(a, id, AcDb::kForWrite));
    EXPECT_ES(Acad::eOk, a->setTextString(L"before the split"));
    EXPECT_ES(Acad::eOk, a->setVisibility(AcDb::kInvisible));
    EXPECT_STREQ(a->textStringConst(), L"before the split");
    EXPECT_ES(Acad::eOk, a->setTag(L"AFTER"));
    a->close();
    std::string expected = withValue(original, "\r\n", "  1", "hello", "before the split");
    expected = withValue(expected, "\r\n", "  2", "TITLE", "AFTER");
    // The new 60 tag follows the layer; the rest is the file as it was, but for the values.
    std::string out = saved();
    const std::size_t layer = out.find("  8\r\n0\r\n", out.find("ATTRIB\r\n"));
    ASSERT_NE(layer, std::string::npos);
    const std::size_t sixty = layer + 8;
    ASSERT_EQ(out.substr(sixty, 5), " 60\r\n");
    const std::size_t valueEnd = out.find("\r\n", sixty + 5);
    EXPECT_EQ(dxf::trimBlanks(std::string_view(out).substr(sixty + 5, valueEnd - sixty - 5)), "1");
    out.erase(sixty, valueEnd + 2 - sixty);
    EXPECT_EQ(firstDifference(out, expected), "");
}

// Changes reach the record when the writer closes, downgrades or the drawing is saved while it
// is open; the object goes on from there.
TEST_F(AttributeWriteTest, ChangesReachTheRecordAtEveryWriteBack) {
    const std::string original = attribDrawing("\n");
    AcDbObjectId id = load(original);
    ASSERT_FALSE(id.isNull());
    AcDbAttribute* a = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(a, id, AcDb::kForWrite));
    EXPECT_ES(Acad::eOk, a->setTextString(L"one"));
    EXPECT_ES(Acad::eOk, a->downgradeOpen());
    EXPECT_STREQ(a->textStringConst(), L"one");
    AcDbAttribute* reader = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(reader, id, AcDb::kForRead));
    reader->close();
    ASSERT_ES(Acad::eOk, a->upgradeOpen());
    EXPECT_ES(Acad::eOk, a->setTextString(L"two, saved while open"));
    EXPECT_EQ(firstDifference(saved(), withValue(original, "\n", "  1", "hello", "two, saved while open")), "");
    EXPECT_ES(Acad::eOk, a->setTextString(L"three"));
    EXPECT_EQ(describeXdata(a), kXdata);
    a->close();
    EXPECT_EQ(firstDifference(saved(), withValue(original, "\n", "  1", "hello", "three")), "");
}

// Closed attributes wait for the next attribute to open; what one of them read or changed must
// not show through another.
TEST_F(AttributeWriteTest, ReusedAttributesAnswerForTheirNewRecord) {
    AcDbDatabase built;
    AcDbObjectId block = addBlock(&built, L"TB", {L"TITLE", L"NUMBER", L"DATE"});
    insert(blockId(&built, L"*Model_Space"), block, {{L"TITLE", L"t"}, {L"NUMBER", L"1234"}, {L"DATE", L"d"}});
    ASSERT_ES(Acad::eOk, built.saveAs((dir / "built.dxf").wstring().c_str(), false));
    db = read(dir / "built.dxf");
    ASSERT_TRUE(db);
    std::vector<AcDbObjectId> ids = allAttributes(db.get());
    ASSERT_EQ(ids.size(), 3u);
    // Written, only read for write, written again: each open must see its own record.
    const wchar_t* tags[] = {L"TITLE", L"NUMBER", L"DATE"};
    const wchar_t* newValues[] = {L"a much longer title", nullptr, L"D"};
    for (std::size_t i = 0; i < ids.size(); ++i) {
        AcDbAttribute* a = nullptr;
        ASSERT_ES(Acad::eOk, acdbOpenObject(a, ids[i], AcDb::kForWrite));
        EXPECT_STREQ(a->tagConst(), tags[i]);
        if (newValues[i]) {
            EXPECT_ES(Acad::eOk, a->setTextString(newValues[i]));
        }
        a->close();
    }
    AcDbObjectId ref;
    forEachEntity(blockId(db.get(), L"*Model_Space"), [&](AcDbEntity* e) {
        if (AcDbBlockReference::cast(e)) ref = e->objectId();
    });
    EXPECT_EQ(attributeTexts(ref),
              (std::vector<std::wstring>{L"TITLE=a much longer title", L"NUMBER=1234", L"DATE=D"}));
}

}  // namespace
