// Keyword lists and how typed input selects a keyword.
#include "arx/input_keywords.h"

#include <gtest/gtest.h>

#include <string>

namespace cadhost {
namespace {

TEST(KeywordListTest, SplitsLocalAndGlobalWords) {
    struct Case { const wchar_t* list; std::vector<std::wstring> local; std::vector<std::wstring> global; };
    const Case cases[] = {
        {L"Nein Ja _No Yes", {L"Nein", L"Ja"}, {L"No", L"Yes"}},
        {L"  Yes   No  ", {L"Yes", L"No"}, {}},
        {L"Ja Nein _ Yes No", {L"Ja", L"Nein"}, {L"Yes", L"No"}}, {L"_Yes No", {}, {L"Yes", L"No"}},
        {L"LTYPE,LT eXit", {L"LTYPE", L"eXit"}, {}}, {L"", {}, {}}, {L"   ", {}, {}},
    };
    for (const Case& c : cases) {
        const KeywordList list = KeywordList::parse(c.list);
        std::vector<std::wstring> local, global;
        for (const auto& s : list.localWords()) local.push_back(s.word);
        for (const auto& s : list.globalWords()) global.push_back(s.word);
        EXPECT_EQ(local, c.local) << c.list;
        EXPECT_EQ(global, c.global) << c.list;
    }
}

TEST(KeywordListTest, AbbreviationRules) {
    struct Case { const wchar_t* word; const wchar_t* input; bool accepted; };
    const Case cases[] = {
        // Capitals at the start: the capitals and any further letters of the word.
        {L"LType", L"LT", true}, {L"LType", L"lty", true}, {L"LType", L"LTYPE", true},
        {L"LType", L"L", false}, {L"LType", L"LTypes", false},
        // Capitals inside the word: from the capitals on, or the whole word.
        {L"eXit", L"x", true}, {L"eXit", L"XIT", true}, {L"eXit", L"exit", true},
        {L"eXit", L"e", false}, {L"eXit", L"ex", false}, {L"Yes", L"y", true},
        {L"Yes", L"YE", true}, {L"Yes", L"yess", false},
        // The comma method: the part after the comma is the required beginning.
        {L"LTYPE,LT", L"lt", true}, {L"LTYPE,LT", L"LTY", true}, {L"LTYPE,LT", L"L", false},
        {L"LTYPE,XY", L"X", false}, {L"LTYPE,XY", L"ltype", true},
        // No capitals, or no small letters: only the whole word.
        {L"ALL", L"A", false}, {L"ALL", L"all", true}, {L"none", L"n", false},
        {L"none", L"NONE", true},
        // Letter case also folds outside ASCII.
        {L"Ändern", L"ä", true}, {L"Ändern", L"ÄNDERN", true}, {L"Yes", L"", false},
    };
    for (const Case& c : cases) {
        const KeywordList list = KeywordList::parse(c.word);
        ASSERT_EQ(list.localWords().size(), 1u) << c.word;
        EXPECT_EQ(keywordAccepts(list.localWords()[0], c.input), c.accepted)
            << c.word << " / " << c.input;
    }
}

TEST(KeywordListTest, MatchReturnsTheGlobalWord) {
    const KeywordList list = KeywordList::parse(L"Nein Ja _No Yes");
    struct Case {
        const wchar_t* input;
        const wchar_t* result;  // null: not a keyword
    };
    const Case cases[] = {
        {L"Ja", L"Yes"}, {L"j", L"Yes"},    {L"NEIN", L"No"},  {L"n", L"No"},    {L"_Yes", L"Yes"},
        {L"_y", L"Yes"}, {L"_no", L"No"},   {L"Yes", nullptr}, {L"No", nullptr}, {L"_Ja", nullptr},
        {L"_", nullptr}, {L"Jaa", nullptr}, {L"", nullptr},
    };
    for (const Case& c : cases) {
        const std::optional<std::wstring> got = list.match(c.input);
        if (c.result == nullptr) {
            EXPECT_FALSE(got.has_value()) << c.input << " gave " << got.value_or(L"");
        } else {
            EXPECT_EQ(got.value_or(L"<none>"), c.result) << c.input;
        }
    }
}

TEST(KeywordListTest, OwnGlobalListFirstMatchWinsUnpairedLocalWordReturnsItself) {
    // A list without a global part is its own global list.
    EXPECT_EQ(KeywordList::parse(L"Yes No").match(L"_yes").value_or(L""), L"Yes");
    EXPECT_EQ(KeywordList::parse(L"Yes No _Yes No").match(L"N").value_or(L""), L"No");
    const KeywordList unpaired = KeywordList::parse(L"Eins Zwei Drei _One Two");
    EXPECT_EQ(unpaired.match(L"drei").value_or(L""), L"Drei");
    EXPECT_EQ(unpaired.match(L"zwei").value_or(L""), L"Two");
}

}  // namespace
}  // namespace cadhost
