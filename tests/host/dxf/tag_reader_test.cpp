// Tests of the tag reader: group code lines, value lines, line ends and broken input.
#include "dxf/tag_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cadhost::dxf {
namespace {

std::vector<RawTag> readAll(std::string_view text, std::string* error = nullptr) {
    TagReader reader(text);
    std::vector<RawTag> tags;
    RawTag tag;
    TagReader::Result r;
    while ((r = reader.next(tag)) == TagReader::kTag) tags.push_back(tag);
    if (error) *error = r == TagReader::kError ? reader.error() : "";
    return tags;
}

TEST(ParseGroupCodeTest, AcceptsPaddedCodesAndRejectsTheRest) {
    struct Case {
        const char* text;
        bool ok;
        int code;
    } cases[] = {
        {"0", true, 0},        {"  0", true, 0},     {" 10", true, 10},    {"1001", true, 1001},
        {"1071", true, 1071},  {"999 ", true, 999},  {"\t5", true, 5},     {"", false, 0},
        {"   ", false, 0},     {"1072", false, 0},   {"-1", false, 0},     {"1a", false, 0},
        {"SECTION", false, 0}, {"12345", false, 0},  {"0x1", false, 0},
    };
    for (const Case& c : cases) {
        int code = -1;
        EXPECT_EQ(parseGroupCode(c.text, code), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_EQ(code, c.code) << c.text;
        }
    }
}

TEST(TagReaderTest, ReadsPairsWithCrLfAndLfLineEnds) {
    auto tags = readAll("  0\r\nSECTION\r\n  2\nHEADER\n");
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].code, 0);
    EXPECT_EQ(tags[0].value, "SECTION");
    EXPECT_EQ(tags[0].codeText, "  0");
    EXPECT_EQ(tags[0].begin, 0u);
    EXPECT_EQ(tags[0].end, 14u);
    EXPECT_EQ(tags[1].line, 3u);
    EXPECT_EQ(tags[1].value, "HEADER");
}

TEST(TagReaderTest, ValuesThatLookLikeCodesStayValues) {
    auto tags = readAll("  1\n  0\n  2\n999\n");
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].code, 1);
    EXPECT_EQ(tags[0].value, "  0");
    EXPECT_EQ(tags[1].code, 2);
    EXPECT_EQ(tags[1].value, "999");
}

TEST(TagReaderTest, KeepsBlanksOfValuesAndTakesALastLineWithoutLineEnd) {
    auto tags = readAll(" 70\n     0\n  1\n text \n  0\nEOF");
    ASSERT_EQ(tags.size(), 3u);
    EXPECT_EQ(tags[0].value, "     0");
    EXPECT_EQ(tags[1].value, " text ");
    EXPECT_EQ(tags[2].value, "EOF");
}

TEST(TagReaderTest, ReportsBrokenInputWithTheLine) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"  0\nSECTION\nabc\nx\n", "invalid group code \"abc\" at line 3"},
        {"  0\nSECTION\n  2\n", "group code at line 3 has no value (file truncated)"},
        {"  0\nSECTION\n\nx\n", "invalid group code \"\" at line 3"},
        {"  0\r\nA\r\n5000\r\nx\r\n", "invalid group code \"5000\" at line 3"},
    };
    for (const Case& c : cases) {
        std::string error;
        readAll(c.text, &error);
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST(TagReaderTest, EmptyTextEndsAtOnce) {
    std::string error;
    EXPECT_TRUE(readAll("", &error).empty());
    EXPECT_EQ(error, "");
}

}  // namespace
}  // namespace cadhost::dxf
