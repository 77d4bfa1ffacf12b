// The wide C runtime helpers of tchar.h.
#include <gtest/gtest.h>
#include <tchar.h>

#include <cerrno>
#include <climits>
#include <string>

namespace {

TEST(WtoiTest, ParsesLikeTheMicrosoftRuntime) {
    struct Case { const wchar_t* text; int expected; };
    const Case cases[] = {
        {L"  -17xyz", -17},
        {L"\t\n\v\f\r +12.7", 12},
        {L"abc", 0},
        {L"", 0},
        {L"- 5", 0},
        {L"+-5", 0},
        {L"0x1A", 0},
        {L"\u0661\u0662", 0},  // Arabic-Indic digits are not digits here
        {L"2147483647", INT_MAX},
        {L"2147483648", INT_MAX},
        {L"-2147483649", INT_MIN},
        {L"-99999999999999999999999", INT_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, _wtoi(c.text)) << c.text;
        EXPECT_EQ(static_cast<long>(c.expected), _wtol(c.text)) << c.text;
    }
    EXPECT_EQ(0, _wtoi(nullptr));
}

TEST(ItowTest, WritesDigitsAsTheMicrosoftRuntime) {
    struct Case { int value; int radix; const wchar_t* expected; };
    const Case cases[] = {
        {0, 10, L"0"},         {-255, 10, L"-255"},   {INT_MIN, 10, L"-2147483648"},
        {-1, 16, L"ffffffff"}, {255, 2, L"11111111"}, {35, 36, L"z"},
    };
    for (const Case& c : cases) {
        wchar_t buffer[40];
        EXPECT_STREQ(c.expected, _itow(c.value, buffer, c.radix));
        EXPECT_STREQ(c.expected, _ltow(c.value, buffer, c.radix));
    }
}

TEST(CaseTest, IgnoresAndChangesCaseOfLatinLetters) {
    struct Case { const wchar_t* a; const wchar_t* b; int sign; };
    const Case cases[] = {
        {L"Größe", L"GRÖßE", 0}, {L"abc", L"ABD", -1}, {L"b", L"A", 1}, {L"ab", L"ABC", -1},
        {L"ä", L"b", 1},         {L"_", L"a", -1},  // compared in lower case, as the Microsoft
                                                    // runtime does
    };
    for (const Case& c : cases) {
        int r = _wcsicmp(c.a, c.b);
        EXPECT_EQ(c.sign, (r > 0) - (r < 0)) << c.a << L" vs " << c.b;
    }
    wchar_t text[] = L"straße ÿ äöü x1";
    EXPECT_EQ(text, _wcsupr(text));
    EXPECT_STREQ(L"STRAßE Ÿ ÄÖÜ X1", text);
}

TEST(SplitPathTest, SplitsDriveFolderNameAndExtension) {
    struct Case { const wchar_t *path, *drive, *dir, *name, *ext; };
    const Case cases[] = {
        {L"C:\\work\\a.b.dwg", L"C:", L"\\work\\", L"a.b", L".dwg"},
        {L"/srv/x/plan", L"", L"/srv/x/", L"plan", L""},
        {L"C:file.dwg", L"C:", L"", L"file", L".dwg"},
        {L"dir.d\\name", L"", L"dir.d\\", L"name", L""},
        {L".hidden", L"", L"", L"", L".hidden"},
        {L"a\\b/c.", L"", L"a\\b/", L"c", L"."},
        {L"", L"", L"", L"", L""},
    };
    for (const Case& c : cases) {
        wchar_t drive[_MAX_DRIVE], dir[_MAX_DIR], name[_MAX_FNAME], ext[_MAX_EXT];
        EXPECT_EQ(0, _wsplitpath_s(c.path, drive, _MAX_DRIVE, dir, _MAX_DIR, name, _MAX_FNAME, ext,
                                   _MAX_EXT));
        EXPECT_EQ(std::wstring(c.drive) + L"|" + c.dir + L"|" + c.name + L"|" + c.ext,
                  std::wstring(drive) + L"|" + dir + L"|" + name + L"|" + ext)
            << c.path;
    }
}

TEST(SplitPathTest, RefusesPartsThatDoNotFit) {
    wchar_t name[4] = L"zzz", ext[8] = L"zzzz";
    EXPECT_EQ(ERANGE, _wsplitpath_s(L"C:\\long-name.dwg", nullptr, 0, nullptr, 0, name, 4, ext, 8));
    EXPECT_STREQ(L"", name);
    EXPECT_STREQ(L"", ext);
    EXPECT_EQ(EINVAL, _wsplitpath_s(L"a.b", nullptr, 3, nullptr, 0, name, 4, ext, 8));
    EXPECT_EQ(EINVAL, _wsplitpath_s(nullptr, nullptr, 0, nullptr, 0, name, 4, ext, 8));
}

TEST(BoundedCopyTest, CopiesOnlyWhatFits) {
    wchar_t buffer[5];
    EXPECT_EQ(0, wcsncpy_s(buffer, L"abcdef", 3));
    EXPECT_STREQ(L"abc", buffer);
    EXPECT_EQ(ERANGE, wcsncpy_s(buffer, L"abcdef", 5));
    EXPECT_STREQ(L"", buffer);
    EXPECT_EQ(STRUNCATE, wcsncpy_s(buffer, L"abcdef", _TRUNCATE));
    EXPECT_STREQ(L"abcd", buffer);
}

}  // namespace
