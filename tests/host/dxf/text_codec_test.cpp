// Tests of text decoding and encoding per file version and code page.
#include "dxf/text_codec.h"

#include <gtest/gtest.h>

namespace cadhost::dxf {
namespace {

TEST(TextCodecTest, DecodesUtf8FromR2007) {
    TextCodec codec(1032, "ANSI_1254");
    EXPECT_EQ(codec.decode("\xC3\x87" "elik \xC2\xB0"), L"\u00C7elik \u00B0");
    EXPECT_EQ(codec.decode("\xE5\xB8\x83\xE5\xB1\x80" "1"), L"\u5E03\u5C401");
}

TEST(TextCodecTest, DecodesTheCodePageBeforeR2007) {
    EXPECT_EQ(TextCodec(1015, "ANSI_1252").decode("Gr\xF6\xDF" "e \x80"), L"Gr\u00F6\u00DFe \u20AC");
    EXPECT_EQ(TextCodec(1018, "ANSI_1251").decode("\xC0"), L"\u0410");
    EXPECT_EQ(TextCodec(1015, "ANSI_936").decode("\xB2\xBC"), L"\u5E03");
}

TEST(TextCodecTest, DecodesEscapesInBothHexCasesInEveryVersion) {
    struct Case {
        int version;
        const char* raw;
        const wchar_t* wide;
    } cases[] = {
        {1015, "ausgef\\U+00fcllt", L"ausgef\u00FCllt"},
        {1015, "\\U+00C4rger", L"\u00C4rger"},
        {1032, "45\\U+00B0", L"45\u00B0"},
        {1032, "\\U+00G0", L"\\U+00G0"},
        {1032, "\\U+00", L"\\U+00"},
        {1032, "\\u+00B0", L"\\u+00B0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextCodec(c.version, "ANSI_1252").decode(c.raw), c.wide) << c.raw;
        // Getters decode into a buffer that still holds an earlier, longer text.
        std::wstring buffer = L"an earlier text, longer than any here";
        TextCodec(c.version, "ANSI_1252").decode(c.raw, buffer);
        EXPECT_EQ(buffer, c.wide) << c.raw;
    }
}

TEST(TextCodecTest, UnknownCodePagesFallBackTo1252) {
    EXPECT_EQ(TextCodec::iconvName("ASCII"), "CP1252");
    EXPECT_EQ(TextCodec::iconvName("MAC-ROMAN"), "CP1252");
    EXPECT_EQ(TextCodec::iconvName("ansi_1252"), "CP1252");
    EXPECT_EQ(TextCodec::iconvName("ANSI_1254"), "CP1254");
    EXPECT_EQ(TextCodec::iconvName("ANSI_936"), "GBK");
}

TEST(TextCodecTest, EncodesEditsForTheFileVersion) {
    EXPECT_EQ(TextCodec(1032, "ANSI_1252").encode(L"\u00C4 \u5E03"), "\xC3\x84 \xE5\xB8\x83");
    EXPECT_EQ(TextCodec(1015, "ANSI_1252").encode(L"\u00C4 \u5E03"), "\xC4 \\U+5E03");
    EXPECT_EQ(TextCodec(1018, "ANSI_1252").encode(L"\u20AC"), "\x80");
    EXPECT_EQ(TextCodec(1015, "ANSI_1252").encode(L"\U0001F600"), "\\U+D83D\\U+DE00");
}

TEST(TextCodecTest, EverythingEncodedReadsBackAsIt) {
    const wchar_t* texts[] = {L"plain", L"", L"plain, then \u00c4", L"\\U+0041 typed literally", L"end \\U+00", L"\U0001F600 smile",
                              L"\u00c4\u20ac\u5e03", L"back\\slash"};
    for (int version : {1015, 1018, 1021, 1032})
        for (const char* cp : {"ANSI_1252", "ANSI_936"}) {
            TextCodec codec(version, cp);
            for (const wchar_t* t : texts) {
                EXPECT_EQ(codec.decode(codec.encode(t)), t) << version << cp;
                std::wstring buffer = L"an earlier text";
                codec.decode(codec.encode(t), buffer);
                EXPECT_EQ(buffer, t) << version << cp;
            }
        }
    EXPECT_EQ(TextCodec(1032, "ANSI_1252").encode(L"\\U+0041"), "\\U+005CU+0041");
}

TEST(TextCodecTest, InvalidUtf8BytesReadAsLatin1) {
    EXPECT_EQ(TextCodec(1021, "ANSI_1252").decode("a\xFF" "b\xC3"), L"a\u00FFb\u00C3");
}

}  // namespace
}  // namespace cadhost::dxf
