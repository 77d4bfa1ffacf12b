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
        EXPECT_EQ(keywordAccepts(list.localWords()[0], c.input), c.accepted) << c.word << " / " << c.input;
    }
}

TEST(KeywordListTest, MatchReturnsTheGlobalWord) {
    const wchar_t* german = L"Nein Ja _No Yes";
    struct Case { const wchar_t* list; const wchar_t* input; const wchar_t* result; };  // null: no keyword
    const Case cases[] = {
        {german, L"Ja", L"Yes"},   {german, L"j", L"Yes"},    {german, L"NEIN", L"No"}, {german, L"n", L"No"},
        {german, L"_Yes", L"Yes"}, {german, L"_y", L"Yes"},   {german, L"_no", L"No"},  {german, L"Yes", nullptr},
        {german, L"No", nullptr},  {german, L"_Ja", nullptr}, {german, L"_", nullptr},  {german, L"Jaa", nullptr},
        {german, L"", nullptr},
        // A list without a global part is its own global list; the first match wins; an
        // unpaired local word returns itself.
        {L"Yes No", L"_yes", L"Yes"}, {L"Yes No _Yes No", L"N", L"No"},
        {L"Eins Zwei Drei _One Two", L"drei", L"Drei"}, {L"Eins Zwei Drei _One Two", L"zwei", L"Two"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeywordList::parse(c.list).match(c.input).value_or(L"<none>"), c.result ? c.result : L"<none>")
            << c.list << " / " << c.input;
}

}  // namespace
}  // namespace cadhost
