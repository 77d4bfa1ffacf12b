// Tests of the read-only tag look-ups: they must answer exactly as a split TagList does, on
// hand-made edge cases and on every object of every corpus drawing.
#include "dxf/tag_scan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dxf/dxf_file.h"
#include "dxf/tag_list.h"

namespace cadhost::dxf {
namespace {

// The TagList answer, as the look-up reports it.
bool listAnswer(std::string_view text, std::string_view marker, int code, std::string_view& value) {
    TagList t;
    t.parse(text);
    int i = t.findInSubclass(marker, code);
    if (i < 0) return false;
    value = t[i].value();
    return true;
}

// The reader's notes on a record (a group 60; where a reference's block name is) agree with
// what a split TagList finds.
bool readerNotesAgree(const DxfFile& f, const DbStub& r) {
    std::string_view text = f.objectText(r), value;
    if (listAnswer(text, "AcDbEntity", 60, value) && !(r.flags & DbStub::kHasCode60)) return false;
    if (r.nameAt == 0) return true;
    std::string_view noted = text.substr(r.nameAt);
    noted = noted.substr(0, noted.find('\n'));
    if (!noted.empty() && noted.back() == '\r') noted.remove_suffix(1);
    return listAnswer(text, "AcDbBlockReference", 2, value) && value == noted;
}

// TagList's answer against the walk over the text and the walk over its spots; "" when alike.
std::string differences(std::string_view text, std::string_view marker, int code) {
    std::string_view fromList, fromScan, fromSpots;
    const bool inList = listAnswer(text, marker, code, fromList);
    const bool inScan = findInSubclass(text, marker, code, fromScan);
    std::vector<TagSpot> spots;
    if (!spotTags(text, spots)) return "not spotted";
    const bool inSpots = findInSubclass(text, spots, marker, code, fromSpots);
    std::string why;
    if (inScan != inList || (inList && fromScan != fromList)) why += " walk";
    if (inSpots != inList || (inList && fromSpots != fromList)) why += " spots";
    TagList t;
    t.parse(text);
    const bool before = t.find(code, 0, t.xdataStart()) >= 0;
    if (hasBeforeXdata(text, code) != before || hasBeforeXdata(spots, code) != before) why += " before-xdata";
    return why.empty() ? why : std::string(marker) + " " + std::to_string(code) + ":" + why;
}

void expectSameAnswer(std::string_view text, std::string_view marker, int code) {
    EXPECT_EQ(differences(text, marker, code), "") << "in:\n" << text;
}

TEST(TagScanTest, AnswersAsTagListOnEdgeCases) {
    const char* texts[] = {
        // Fields in two subclasses, extended data after them.
        "  0\r\nATTRIB\r\n  5\r\n705\r\n100\r\nAcDbEntity\r\n  8\r\n0\r\n100\r\nAcDbText\r\n  1\r\nold\r\n"
        "100\r\nAcDbAttribute\r\n  2\r\nTAG\r\n1001\r\nAPP\r\n  2\r\nnot this\r\n",
        // No markers at all: one span after the 0 tag, up to the extended data.
        "  0\nINSERT\n  8\n0\n  2\nTB\n1001\nAPP\n  2\nnot this\n",
        // A symbol table record's fields run on through its second marker, but no further.
        "  0\nBLOCK_RECORD\n  5\n1F\n100\nAcDbSymbolTableRecord\n100\nAcDbBlockTableRecord\n  2\nTB\n340\n0\n"
        "100\nAcDbThird\n 70\n1\n",
        // A marker behind the extended data does not count; a last line without line end.
        "  0\nLINE\n  5\n1\n1001\nAPP\n100\nAcDbEntity\n  8\nX",
        // Padded markers, codes with blanks, an empty value, a code line at the very end.
        "  0\nTEXT\n100\n  AcDbEntity \n  8\n\n 62 \n7\n100\nAcDbText\n  1",
        "", "  0\nSEQEND\n",
    };
    const std::pair<const char*, int> questions[] = {
        {"AcDbEntity", 8},   {"AcDbText", 1},   {"AcDbAttribute", 2}, {"AcDbBlockReference", 2},
        {"AcDbEntity", 2},   {"AcDbEntity", 62}, {"AcDbSymbolTableRecord", 340}, {"AcDbSymbolTableRecord", 100},
        {"AcDbSymbolTableRecord", 70}, {"AcDbBlockTableRecord", 2}, {"AcDbText", 0}, {"AcDbEntity", 5},
    };
    for (const char* text : texts)
        for (auto [marker, code] : questions) expectSameAnswer(text, marker, code);
}

// Line ends are found 64 bytes at a time: every line must be found wherever it falls against
// those blocks, and the last bytes of a text are never read past (the sanitizer build sees it).
TEST(TagScanTest, AnswersAsTagListWhereverLinesMeetTheBlocks) {
    const std::pair<const char*, int> questions[] = {
        {"AcDbText", 1}, {"AcDbAttribute", 2}, {"AcDbAttribute", 70}, {"AcDbEntity", 8}, {"AcDbText", 101},
    };
    for (const char* eol : {"\n", "\r\n"}) {
        for (std::size_t pad = 0; pad < 80; ++pad) {
            std::string t = std::string("  0") + eol + "ATTRIB" + eol + "100" + eol + "AcDbEntity" + eol + "  8" + eol +
                            std::string(pad, 'L') + eol + "100" + eol + "AcDbText" + eol + "  1" + eol + "value" + eol +
                            "100" + eol + "AcDbAttribute" + eol + "  2" + eol + "TAG" + eol + " 70" + eol + "1";
            // The same text cut after each of its last bytes: a missing last line end, a code
            // line without its value.
            for (std::size_t cut = 0; cut < 12; ++cut) {
                const std::string text = t.substr(0, t.size() - cut);
                for (auto [marker, code] : questions) {
                    ASSERT_EQ(differences(text, marker, code), "") << "pad " << pad << " cut " << cut;
                }
            }
        }
    }
}

TEST(TagScanTest, SpotsPointAtEachValueWithoutItsLineEnd) {
    const std::string text = "  0\r\nATTRIB\r\n  1\r\n\r\n1001\r\nAPP\r\n1000\r\nx";
    std::vector<TagSpot> spots;
    ASSERT_TRUE(spotTags(text, spots));
    const std::vector<std::pair<int, std::string>> expected = {{0, "ATTRIB"}, {1, ""}, {1001, "APP"}, {1000, "x"}};
    ASSERT_EQ(spots.size(), expected.size());
    for (std::size_t i = 0; i < spots.size(); ++i) {
        EXPECT_EQ(spots[i].code, expected[i].first) << i;
        EXPECT_EQ(text.substr(spots[i].begin, spots[i].end - spots[i].begin), expected[i].second) << i;
    }
    EXPECT_TRUE(spotTags("", spots));
    EXPECT_TRUE(spots.empty());
}

TEST(TagScanTest, FindsTheCommonPartBeforeTheFirstMarker) {
    std::string_view v;
    const char* text = "  0\nINSERT\n  5\n2A\n102\n{ACAD_XDICTIONARY\n360\n2B\n102\n}\n100\nAcDbEntity\n360\n99\n";
    ASSERT_TRUE(findBeforeSubclasses(text, 360, v));
    EXPECT_EQ(v, "2B");
    EXPECT_FALSE(findBeforeSubclasses(text, 8, v));
    EXPECT_FALSE(findBeforeSubclasses(text, 0, v));  // the object's own 0 tag is not a field
}

TEST(TagScanTest, AnswersAsTagListOnEveryCorpusObject) {
    std::filesystem::path dir = BRAKON_CORPUS_DIR;
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
    const std::pair<const char*, int> questions[] = {
        {"AcDbEntity", 8},           {"AcDbEntity", 60},         {"AcDbBlockReference", 2},
        {"AcDbSymbolTableRecord", 2}, {"AcDbBlockTableRecord", 340}, {"AcDbLayout", 1},
        {"AcDbLayout", 330},         {"AcDbText", 1},            {"AcDbAttribute", 2},
        {"AcDbBlockBegin", 70},      {"AcDbText", 101},
    };
    int objects = 0, named = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".dxf") continue;
        LoadError error;
        std::string message;
        auto f = DxfFile::load(entry.path().string(), error, message);
        if (!f) continue;  // refused drawings are the scan's tests
        for (const DbStub& r : f->records()) {
            ++objects;
            if (!readerNotesAgree(*f, r)) {
                ADD_FAILURE() << entry.path() << " object " << r.handle << ": the reader's notes disagree";
                return;
            }
            named += r.nameAt != 0;
            for (auto [marker, code] : questions) {
                const std::string why = differences(f->objectText(r), marker, code);
                if (!why.empty()) {
                    ADD_FAILURE() << entry.path() << " object " << r.handle << ": " << why;
                    return;
                }
            }
        }
    }
    EXPECT_GT(objects, 0);
    EXPECT_GT(named, 0);
}

TEST(TagScanTest, ReaderNotesOnlyTheNameOfTheFirstReferenceSubclass) {
    const std::string head =
        "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  0\nENDSEC\n"
        "  0\nSECTION\n  2\nTABLES\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n";
    const std::string tail = "  0\nENDSEC\n  0\nEOF\n";
    const struct {
        const char* insert;
        bool noted;
    } cases[] = {
        {"  0\nINSERT\n  5\n10\n100\nAcDbEntity\n  8\n0\n 60\n1\n100\nAcDbBlockReference\n 66\n1\n  2\n TB \n", true},
        // A 2 before the subclass (in an application group) is not the name.
        {"  0\nINSERT\n  5\n11\n102\n{APP\n  2\nnot it\n102\n}\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockReference\n"
         "  2\nTB\n", true},
        // The first reference subclass has no name: a later one does not count.
        {"  0\nINSERT\n  5\n12\n100\nAcDbBlockReference\n 10\n0\n100\nAcDbBlockReference\n  2\nTB\n", false},
        // Without markers the name is looked up the long way.
        {"  0\nINSERT\n  5\n13\n  8\n0\n  2\nTB\n", false},
        // A name only in the extended data is none.
        {"  0\nINSERT\n  5\n14\n100\nAcDbBlockReference\n1001\nAPP\n  2\nTB\n", false},
    };
    for (const auto& c : cases) {
        LoadError error;
        std::string message;
        auto f = DxfFile::parse(head + c.insert + tail, "t.dxf", error, message);
        ASSERT_TRUE(f) << message;
        bool found = false;
        for (const DbStub& r : f->records()) {
            if (f->typeName(r.type) != "INSERT") continue;
            found = true;
            EXPECT_EQ(r.nameAt != 0, c.noted) << c.insert;
            EXPECT_TRUE(readerNotesAgree(*f, r)) << c.insert;
        }
        EXPECT_TRUE(found);
    }
}

}  // namespace
}  // namespace cadhost::dxf
