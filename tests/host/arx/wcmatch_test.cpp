// The host's wildcard matcher: every wildcard character, escapes, alternatives, negation,
// sets, letter case, and patterns that would make a backtracking matcher run for ever.
#include <gtest/gtest.h>

#include <string>

#include "acutads.h"

namespace {

struct Case { const wchar_t* subject; const wchar_t* pattern; bool ignoreCase; bool matches; };

TEST(AcutWcMatchExTest, FollowsTheHostsWildcardLanguage) {
    const Case cases[] = {
        // Plain text matches itself, wholly.
        {L"TITLE", L"TITLE", false, true}, {L"TITLE", L"TITL", false, false},
        {L"TITLE", L"TITLES", false, false}, {L"", L"", false, true}, {L"x", L"", false, false},
        // # one digit
        {L"A1", L"A#", false, true}, {L"AB", L"A#", false, false}, {L"A12", L"A#", false, false},
        {L"A١", L"A#", false, false},  // only ASCII digits
        // @ one letter, also beyond ASCII
        {L"1A", L"#@", false, true}, {L"1ä", L"#@", false, true}, {L"12", L"#@", false, false},
        {L"1_", L"#@", false, false},
        // . one character that is neither letter nor digit
        {L"A-B", L"A.B", false, true}, {L"A B", L"A.B", false, true},
        {L"AxB", L"A.B", false, false}, {L"A5B", L"A.B", false, false},
        // ? any one character
        {L"AxB", L"A?B", false, true}, {L"AB", L"A?B", false, false},
        // * any run, also none, anywhere
        {L"TITLEBLOCK", L"TITLE*", false, true}, {L"TITLE", L"TITLE*", false, true},
        {L"MY_TITLE_A3", L"*TITLE*", false, true}, {L"", L"*", false, true},
        {L"ABC", L"A*C", false, true}, {L"ABCD", L"A*C", false, false},
        {L"AC", L"A**C", false, true},
        // ~ first: everything but the rest
        {L"ABC", L"~A*", false, false}, {L"XBC", L"~A*", false, true}, {L"", L"~", false, false},
        {L"x", L"~", false, true},
        {L"A~B", L"A~B", false, true},  // not first: a plain character
        // sets and ranges
        {L"B", L"[ABC]", false, true}, {L"D", L"[ABC]", false, false},
        {L"M", L"[A-Z]", false, true}, {L"m", L"[A-Z]", false, false},
        {L"7", L"[0-35-9]", false, true}, {L"4", L"[0-35-9]", false, false},
        {L"D", L"[~ABC]", false, true}, {L"A", L"[~ABC]", false, false},
        {L"-", L"[-A]", false, true},  // a dash at an end is a member
        {L"-", L"[A-]", false, true},
        {L"~", L"[~]", false, true},  // a lone tilde is a member
        {L"]", L"[]]", false, true},  // so is a bracket first in the set
        {L"[A", L"[A", false, true},  // an unclosed bracket stands for itself
        {L"AB", L"A[B", false, false},
        {L"A*", L"A[*]", false, true},  // wildcards in a set are plain
        {L"AB", L"A[*]", false, false},
        // ` takes the next character literally
        {L"A*B", L"A`*B", false, true}, {L"AxB", L"A`*B", false, false},
        {L"A#", L"A`#", false, true}, {L"A1", L"A`#", false, false}, {L"A,B", L"A`,B", false, true},
        {L"~A", L"`~A", false, true},
        {L"`", L"[`]", false, true},  // no escapes inside a set
        {L"A", L"[~`]", false, true},
        {L"A`", L"A`", false, true},  // a trailing backquote stands for itself
        // , separates alternatives; each may be negated on its own
        {L"REV", L"TITLE,REV*", false, true}, {L"TITLE", L"TITLE,REV*", false, true},
        {L"OTHER", L"TITLE,REV*", false, false}, {L"X", L"A,~B", false, true},
        {L"B", L"A,~B", false, false},
        {L"", L"A,", false, true},  // an empty alternative matches the empty text
        // letter case
        {L"titleblock", L"TITLE*", false, false}, {L"titleblock", L"TITLE*", true, true},
        {L"Ärger", L"ä*", true, true}, {L"ärger", L"Ä*", true, true},
        {L"ärger", L"Ä*", false, false}, {L"ÖL", L"öl", true, true}, {L"q", L"[A-Z]", true, true},
        {L"Ü", L"[ä-ü]", true, true}, {L"Q", L"[~a-z]", true, false}, {L"Ж", L"ж", true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.matches ? RTNORM : RTERROR, acutWcMatchEx(c.subject, c.pattern, c.ignoreCase))
            << "subject \"" << ::testing::PrintToString(std::wstring(c.subject)) << "\" pattern "
            << ::testing::PrintToString(std::wstring(c.pattern))
            << (c.ignoreCase ? " (case ignored)" : "");
    }
}

TEST(AcutWcMatchExTest, RefusesNullArguments) {
    EXPECT_EQ(RTERROR, acutWcMatchEx(nullptr, L"*", true));
    EXPECT_EQ(RTERROR, acutWcMatchEx(L"x", nullptr, true));
}

TEST(AcutWcMatchExTest, PathologicalPatternsFinish) {
    // A backtracking matcher needs about n^k steps for these; ours is linear in the subject.
    const std::wstring longA(20000, L'a');
    EXPECT_EQ(RTERROR, acutWcMatchEx(longA.c_str(), L"*a*a*a*a*a*a*a*a*b", false));
    EXPECT_EQ(RTNORM, acutWcMatchEx((longA + L"b").c_str(), L"*a*a*a*a*a*a*a*a*b", false));
    EXPECT_EQ(RTERROR, acutWcMatchEx(longA.c_str(), L"*?*?*?*?*?*?*?*?*?*?*c", true));
    const std::wstring manyStars = std::wstring(500, L'*') + L"a*" + std::wstring(500, L'?');
    EXPECT_EQ(RTNORM, acutWcMatchEx(longA.c_str(), manyStars.c_str(), false));
    std::wstring manyAlternatives;
    for (int i = 0; i < 200; ++i) manyAlternatives += L"*a*a*a*b,";
    manyAlternatives += L"*c";
    EXPECT_EQ(RTERROR, acutWcMatchEx(longA.c_str(), manyAlternatives.c_str(), false));
}

}  // namespace
