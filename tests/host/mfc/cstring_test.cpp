// CString as the module uses it: construction, clamped extraction, searching, trimming,
// editing, formatting.
#include <afx.h>
#include <gtest/gtest.h>

#include <string>

namespace {

// Runs f and reports whether it threw CInvalidArgException* (deleting it).
template <typename F>
bool throwsInvalidArg(F f) {
    try { f(); } catch (CInvalidArgException* e) { return e->Delete(), true; }
    return false;
}

TEST(CStringTest, ConstructsFromWideNarrowAndRepeatedChars) {
    EXPECT_EQ(L"Größe", CString("Gr\xF6\xDF\x65"));  // ANSI code page 1252
    EXPECT_EQ(L"Gr", CString("Gr\xF6\xDF", 2));
    EXPECT_EQ(L"ab", CString(L"abc", 2));
    EXPECT_EQ(L"---", CString(L'-', 3));
    EXPECT_EQ(L"", CString(L'-', 0));
    EXPECT_EQ(L"", CString(static_cast<const wchar_t*>(nullptr)));
    EXPECT_EQ(L"", CString(static_cast<const char*>(nullptr)));
    EXPECT_TRUE(throwsInvalidArg([] { CString(L"abc", -1); }));
    CString s;
    s = "\x80";
    EXPECT_EQ(L"€", s);
    EXPECT_EQ(1, s.GetLength());
}

TEST(CStringTest, ExtractionClampsToTheTextAndTrimmingTakesWhiteSpaceOrASet) {
    const CString s(L"abcdef");
    struct Case { CString actual; const wchar_t* expected; };
    const Case cases[] = {
        {s.Mid(2), L"cdef"},      {s.Mid(2, 3), L"cde"}, {s.Mid(-3, 2), L"ab"},
        {s.Mid(4, 100), L"ef"},   {s.Mid(99), L""},      {s.Mid(99, 2), L""},
        {s.Mid(1, -1), L""},      {s.Left(2), L"ab"},    {s.Left(-1), L""},
        {s.Left(100), L"abcdef"},
        {CString(L" \t a b \r\n").Trim(), L"a b"},
        {CString(L" \t a b \r\n").TrimLeft(), L"a b \r\n"},
        {CString(L" \t a b \r\n").TrimRight(), L" \t a b"},
        {CString(L"[(a)]").Trim(L"[]()"), L"a"},
        {CString(L"   ").Trim(), L""},
        {CString(L"\u00A0a").Trim(), L"\u00A0a"},  // no-break space is not trimmed
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, c.actual) << c.expected;
}

TEST(CStringTest, FindsCharsAndSubstrings) {
    const CString s(L"a.b.c");
    struct Case { int actual; int expected; };
    const Case cases[] = {
        {s.Find(L'.'), 1},          {s.Find(L'.', 2), 3},   {s.Find(L'.', 4), -1},
        {s.Find(L'.', -1), -1},     {s.Find(L'.', 99), -1}, {s.Find(L"b.c"), 2},
        {s.Find(L"b.c", 3), -1},    {s.Find(L"", 5), 5},    {s.Find(L"x", 6), -1},
        {CString().Find(L'a'), -1},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].expected, cases[i].actual) << "case " << i;
}

TEST(CStringTest, ChangesCaseOfUmlautsWithoutALocale) {
    CString s(L"Straße äöü ÿ é Ł x1");
    EXPECT_EQ(L"STRAßE ÄÖÜ Ÿ É Ł X1", CString(s).MakeUpper());
    EXPECT_EQ(L"straße äöü ÿ é ł x1", CString(s).MakeLower());
    EXPECT_EQ(0, CString(L"Größe").CompareNoCase(L"GRÖßE"));
    EXPECT_GT(CString(L"b").Compare(L"B"), 0);
    EXPECT_LT(CString(L"a").CompareNoCase(L"B"), 0);
}

TEST(CStringTest, EditsReturnCountsAndLengths) {
    CString s(L"a-b-c");
    EXPECT_EQ(2, s.Replace(L'-', L'+'));
    EXPECT_EQ(L"a+b+c", s);
    EXPECT_EQ(0, s.Replace(L'+', L'+'));
    EXPECT_EQ(2, s.Replace(L"+", L"::"));
    EXPECT_EQ(L"a::b::c", s);
    EXPECT_EQ(2, s.Replace(L"::", nullptr));
    EXPECT_EQ(L"abc", s);
    EXPECT_EQ(0, s.Replace(L"", L"x"));
    CString overlapping(L"aaa");
    EXPECT_EQ(1, overlapping.Replace(L"aa", L"b"));
    EXPECT_EQ(L"ba", overlapping);
    CString t(L"ace");
    EXPECT_EQ(4, t.Insert(1, L'b'));
    EXPECT_EQ(6, t.Insert(99, L"fg"));
    EXPECT_EQ(7, t.Insert(-5, L'_'));
    EXPECT_EQ(L"_abcefg", t);
    EXPECT_EQ(5, t.Delete(0, 2));
    EXPECT_EQ(L"bcefg", t);
    EXPECT_EQ(3, t.Delete(3, 99));
    EXPECT_EQ(3, t.Delete(99, 1));
    EXPECT_EQ(3, t.Delete(1, -2));
    EXPECT_EQ(L"bce", t);
}

TEST(CStringTest, TokenizeWalksTokensAndEnds) {
    CString s(L";;a;bb;;c;");
    std::vector<std::wstring> tokens;
    int pos = 0;
    for (CString token = s.Tokenize(L";", pos); pos != -1; token = s.Tokenize(L";", pos)) {
        tokens.emplace_back(token.GetString());
    }
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"bb", L"c"}), tokens);
    // Empty delimiters give the rest once, then end (MFC would never end).
    pos = 2;
    EXPECT_EQ(L"a;bb;;c;", s.Tokenize(L"", pos));
    EXPECT_EQ(L"", s.Tokenize(L"", pos));
    EXPECT_EQ(-1, pos);
    EXPECT_TRUE(throwsInvalidArg([&] {
        int bad = -1;
        s.Tokenize(L";", bad);
    }));
}

TEST(CStringTest, GuardsElementAccess) {
    CString s(L"ab");
    EXPECT_EQ(L'b', s[1]);
    EXPECT_EQ(L'b', s[size_t{1}]);
    EXPECT_EQ(L'\0', s.GetAt(2));  // the terminator may be read
    EXPECT_TRUE(throwsInvalidArg([&] { s.GetAt(3); }));
    EXPECT_TRUE(throwsInvalidArg([&] { s.GetAt(-1); }));
    EXPECT_TRUE(throwsInvalidArg([&] { s.SetAt(2, L'x'); }));
    s.SetAt(0, L'x');
    EXPECT_EQ(L"xb", s);
}

TEST(CStringTest, FormatUsesWideSemanticsAndTakesCStrings) {
    CString name(L"Plan");
    CString s;
    s.Format(L"%s/%hs/%d/%5.1f", name, "Gr\xF6\xDF\x65", 42, 2.25);
    EXPECT_EQ(L"Plan/Größe/42/  2.2", s);
    s.Format(L"%%");
    EXPECT_EQ(L"%", s);
    EXPECT_TRUE(throwsInvalidArg([&] { s.Format(static_cast<const wchar_t*>(nullptr)); }));
}

TEST(CStringTest, OperatorsCompareAndConcatenate) {
    CString a(L"abc");
    const wchar_t* literal = L"abc";
    EXPECT_TRUE(a == literal);
    EXPECT_TRUE(literal == a);
    EXPECT_TRUE(a != L"abd");
    EXPECT_TRUE(a < L"abd");
    EXPECT_TRUE(L"abb" < a);
    EXPECT_EQ(L"abc-def!", a + L"-" + CString(L"def") + L'!');
    EXPECT_EQ(L"Größe", CString(L"Gr") + "\xF6\xDF\x65");
    EXPECT_STREQ(L"abc", static_cast<const wchar_t*>(a));
}

TEST(CStringATest, ConvertsWithTheAnsiCodePage) {
    CStringA narrow(CString(L"Größe€Ł"));
    EXPECT_STREQ("Gr\xF6\xDF\x65\x80?", narrow.GetString());
    EXPECT_EQ(L"Größe", CString(CStringA("Gr\xF6\xDF\x65").GetString()));
}

}  // namespace
