// Tests of object tag lists: subclass lookup and edits that keep every other byte.
#include "dxf/tag_list.h"

#include <gtest/gtest.h>

namespace cadhost::dxf {
namespace {

const char kAttrib[] =
    "  0\r\nATTRIB\r\n  5\r\n705\r\n330\r\n704\r\n100\r\nAcDbEntity\r\n  8\r\n0\r\n"
    "100\r\nAcDbText\r\n 10\r\n1.5\r\n  1\r\nold\r\n100\r\nAcDbAttribute\r\n280\r\n0\r\n"
    "  2\r\nTAG\r\n 70\r\n0\r\n280\r\n1\r\n1001\r\nAPP\r\n1000\r\nx\r\n";

TEST(TagListTest, FindsTagsInsideTheirSubclass) {
    TagList tags;
    tags.parse(kAttrib);
    EXPECT_EQ(tags.size(), 15);
    EXPECT_EQ(tags[tags.findInSubclass("AcDbText", 1)].value(), "old");
    EXPECT_EQ(tags[tags.findInSubclass("AcDbAttribute", 2)].value(), "TAG");
    EXPECT_EQ(tags.findInSubclass("AcDbAttribute", 1), -1);
    EXPECT_EQ(tags.findInSubclass("AcDbMText", 1), -1);
    EXPECT_EQ(tags.xdataStart(), 13);
    EXPECT_EQ(tags[tags.xdataStart()].value(), "APP");
}

TEST(TagListTest, ObjectsWithoutSubclassMarkersHaveOneSpan) {
    TagList tags;
    tags.parse("  0\nINSERT\n  8\n0\n  2\nTB\n1001\nAPP\n  2\nnot this\n");
    EXPECT_EQ(tags[tags.findInSubclass("AcDbBlockReference", 2)].value(), "TB");
    EXPECT_EQ(tags.subclassSpan("AcDbEntity"), std::make_pair(1, 3));
    TagList marked;
    marked.parse(kAttrib);
    EXPECT_EQ(marked.subclassSpan("AcDbBlockReference"), std::make_pair(-1, -1));
}

TEST(TagListTest, UnchangedTagsGiveTheSameBytes) {
    TagList tags;
    tags.parse(kAttrib);
    EXPECT_EQ(tags.text(), kAttrib);
    EXPECT_FALSE(tags.changed());
}

TEST(TagListTest, SetValueReplacesOnlyThatValue) {
    TagList tags;
    tags.parse(kAttrib);
    tags.setValue(tags.findInSubclass("AcDbText", 1), "new value");
    std::string expected = kAttrib;
    expected.replace(expected.find("old"), 3, "new value");
    EXPECT_EQ(tags.text(), expected);
    EXPECT_TRUE(tags.changed());
}

// Saving an edited object tells the file where its extended data now starts.
TEST(TagListTest, JoinedTextTellsWhereTheExtendedDataStarts) {
    const struct {
        const char* newValue;  // of the 1 in AcDbText; null: a tag is erased before the data
        bool withData;
    } cases[] = {{"", true}, {"o", true}, {"a much longer value", true}, {nullptr, true}, {"x", false}};
    for (const auto& c : cases) {
        std::string text = kAttrib;
        if (!c.withData) text.erase(text.find("1001\r\n"));
        TagList tags;
        tags.parse(text);
        if (c.newValue) tags.setValue(tags.findInSubclass("AcDbText", 1), c.newValue);
        else tags.erase(tags.findInSubclass("AcDbAttribute", 70));
        std::uint32_t xdata = 7;
        const std::string joined = tags.text(xdata);
        EXPECT_EQ(joined, tags.text());
        const std::size_t expected = c.withData ? joined.find("1001\r\nAPP") : 0;
        EXPECT_EQ(xdata, expected) << (c.newValue ? c.newValue : "erased");
    }
}

TEST(TagListTest, InsertedTagsFollowTheFileFormat) {
    TagList tags;
    tags.parse("0\nINSERT\n8\nL\n");
    tags.insert(1, 60, "1", TagFormat{false, true, "\n"});
    tags.insert(2, 1001, "APP", TagFormat{false, true, "\n"});
    EXPECT_EQ(tags.text(), "0\nINSERT\n60\n1\n1001\nAPP\n8\nL\n");
    TagList padded;
    padded.parse("  0\r\nX\r\n");
    padded.insert(1, 8, "0", TagFormat{true, true, "\r\n"});
    EXPECT_EQ(padded.text(), "  0\r\nX\r\n  8\r\n0\r\n");
}

TEST(TagListTest, InsertAfterALastLineWithoutLineEndAddsOne) {
    TagList tags;
    tags.parse("  0\nEOF");
    tags.insert(1, 999, "c", TagFormat{true, true, "\n"});
    EXPECT_EQ(tags.text(), "  0\nEOF\n999\nc\n");
}

}  // namespace
}  // namespace cadhost::dxf
