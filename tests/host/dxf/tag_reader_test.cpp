// Tests of the tag reader: group code lines, value lines, line ends and broken input.
#include "dxf/tag_reader.h"

#include <gtest/gtest.h>

#include <random>
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
        // A code line seen before, then the same digits with a stray CR: not a code.
        {"123\r\nx\r\n123\r\r\nx\r\n", "invalid group code \"123?\" at line 3"},
        {" 10\n1.0\n 10 x\n1.0\n", "invalid group code \" 10 x\" at line 3"},
        {"  0\nSECTION\n  2", "group code at line 3 has no value (file truncated)"},
    };
    for (const Case& c : cases) {
        std::string error;
        readAll(c.text, &error);
        EXPECT_EQ(error, c.error) << c.text;
    }
}

// The reader finds line ends 64 bytes at a time: lines of every length, starting at every
// position of a block, must come out as a plain split by line feeds gives them.
TEST(TagReaderTest, SplitsLikeALineByLineReaderWhateverTheLineLengths) {
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        std::string text;
        std::vector<std::string> values;
        int tags = 1 + static_cast<int>(random() % 60);
        for (int i = 0; i < tags; ++i) {
            std::size_t length = round % 4 == 0 ? random() % 3 : random() % 150;
            std::string value(length, 'v');
            for (char& c : value) c = static_cast<char>('a' + random() % 26);
            if (length > 2 && random() % 5 == 0) value[length / 2] = '\r';  // a lone CR inside a line
            bool crlf = random() % 2 == 0;
            text += std::string(" 1") + (crlf ? "\r\n" : "\n") + value + (crlf ? "\r\n" : "\n");
            values.push_back(value);
        }
        bool lastWithoutEnd = round % 3 == 0 && !values.back().empty();
        if (lastWithoutEnd) text.erase(text.find_last_not_of("\r\n") + 1);
        // Also from an offset that is not a block start.
        std::size_t skip = text.find('\n') + 1;
        skip = text.find('\n', skip) + 1;
        TagReader reader(text, skip, 3);
        RawTag tag;
        std::size_t pos = skip;
        for (int i = 1; i < tags; ++i) {
            ASSERT_EQ(reader.next(tag), TagReader::kTag) << "round " << round << " tag " << i;
            EXPECT_EQ(tag.begin, pos);
            EXPECT_EQ(tag.line, static_cast<std::uint32_t>(1 + 2 * i));
            EXPECT_EQ(tag.code, 1);
            EXPECT_EQ(tag.value, values[static_cast<std::size_t>(i)]) << "round " << round << " tag " << i;
            pos = text.find('\n', text.find('\n', pos) + 1);
            pos = pos == std::string::npos ? text.size() : pos + 1;
            EXPECT_EQ(tag.end, pos);
        }
        EXPECT_EQ(reader.next(tag), TagReader::kEnd) << "round " << round;
        EXPECT_EQ(reader.line(), static_cast<std::uint32_t>(1 + 2 * tags));
    }
}

TEST(LineFeedMaskTest, BlockMaskMatchesBytewiseMask) {
    std::mt19937 random(11);
    char block[64];
    for (int round = 0; round < 200; ++round) {
        for (char& c : block) c = random() % 4 == 0 ? '\n' : static_cast<char>(random());
        std::uint64_t expected = 0;
        for (int i = 0; i < 64; ++i)
            if (block[i] == '\n') expected |= std::uint64_t{1} << i;
        EXPECT_EQ(lineFeedMask64(block), expected);
        EXPECT_EQ(lineFeedMaskPortable(block, 64), expected);
        EXPECT_EQ(lineFeedMaskPortable(block, 13), expected & ((std::uint64_t{1} << 13) - 1));
    }
}

TEST(TagReaderTest, EmptyTextEndsAtOnce) {
    std::string error;
    EXPECT_TRUE(readAll("", &error).empty());
    EXPECT_EQ(error, "");
}

}  // namespace
}  // namespace cadhost::dxf
