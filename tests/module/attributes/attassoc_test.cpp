// Attribute associations: tag matching with patterns, and lists loaded from map sections.
#include "attributes/attassoc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/docdata/pdm_test_files.h"

namespace {

using pdmtest::Names;

Names tagsOf(const CAttAssoc& assoc) {
    Names tags;
    for (int i = 0; i < assoc.GetTagCount(); ++i) tags.emplace_back(assoc.GetTag(i).view());
    return tags;
}

struct LoadedList {
    pdmtest::TempDir dir;
    CAttAssocList list;
    bool result;
    LoadedList(const std::string& ini, const wchar_t* section) {
        result = list.Load(pdmtest::wide(dir.write("s.ini", ini)).c_str(), section);
    }
};

TEST(CAttAssocTest, MatchesEqualTagsAndStarPatterns) {
    CAttAssoc assoc(L"dm_number");
    assoc.AddTag(L"ZEICH*");
    assoc.AddTag(L"ZEICH?NR");
    assoc.AddTag(L"TITEL");
    struct {
        const wchar_t* tag;
        bool matches;
    } cases[] = {
        {L"ZEICHNUNGSNR", true}, {L"zeichen", true}, {L"titel", true}, {L"ZEICH?NR", true},
        {L"ZEIC", false},        {L"TITEL2", false}, {nullptr, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(assoc.Matches(c.tag), c.matches)
            << (c.tag ? CStringA(c.tag).GetString() : "null");
    // Without "*" the matcher's wildcard characters are plain text.
    CAttAssoc plain(L"x");
    plain.AddTag(L"ZEICH?NR");
    EXPECT_FALSE(plain.Matches(L"ZEICHXNR"));
    EXPECT_FALSE(CAttAssoc(L"none").Matches(nullptr));
}

TEST(CAttAssocTest, AddTagSkipsTagsAlreadyAccepted) {
    CAttAssoc assoc(L"p");
    assoc.AddTag(L"BEN*");
    assoc.AddTag(L"BENENNUNG");
    assoc.AddTag(L"ben*");
    assoc.AddTag(L"TITEL");
    EXPECT_EQ(tagsOf(assoc), (Names{L"BEN*", L"TITEL"}));
    EXPECT_TRUE(assoc.GetTag(-1).IsEmpty());
    EXPECT_TRUE(assoc.GetTag(2).IsEmpty());
}

TEST(CAttAssocTest, EqualityIsByNameWithLetterCase) {
    CAttAssoc a(L"dm_title"), b(L"dm_title"), c(L"DM_TITLE");
    EXPECT_TRUE(a.IsEqual(b));
    EXPECT_FALSE(a.IsEqual(c));
}

TEST(CAttAssocListTest, LoadSplitsValuesIntoUpperCaseTags) {
    LoadedList l(
        "[ATTRIBUTE_MAP]\n"
        "dm_title = titel;benennung\n"
        ";dm_comment=KOMMENTAR\n"
        "dm_number = zeich* ,, ;  nr nr\n"
        "dm_empty = , ;\n"
        "Dm_Mixed=\tA\t\n",
        L"ATTRIBUTE_MAP");
    EXPECT_TRUE(l.result);
    ASSERT_EQ(l.list.GetCount(), 4);
    EXPECT_EQ(l.list[0]->GetName(), L"dm_title");
    EXPECT_EQ(tagsOf(*l.list[0]), (Names{L"TITEL", L"BENENNUNG"}));
    EXPECT_EQ(tagsOf(*l.list[1]), (Names{L"ZEICH*", L"NR", L"NR"}));
    EXPECT_EQ(l.list[2]->GetName(), L"dm_empty");
    EXPECT_EQ(l.list[2]->GetTagCount(), 0);
    EXPECT_EQ(l.list[3]->GetName(), L"Dm_Mixed");
    EXPECT_EQ(tagsOf(*l.list[3]), (Names{L"A"}));
}

TEST(CAttAssocListTest, RepeatedPropertyReadsItsFirstValueTwice) {
    LoadedList l("[MAP]\ndm_title=A\ndm_title=B\n", L"MAP");
    ASSERT_EQ(l.list.GetCount(), 2);
    EXPECT_EQ(tagsOf(*l.list[0]), (Names{L"A"}));
    EXPECT_EQ(tagsOf(*l.list[1]), (Names{L"A"}));
    EXPECT_EQ(l.list.CountEqual(l.list[0]), 2);
}

TEST(CAttAssocListTest, EmptyOrMissingSectionsKeepOrEmptyTheList) {
    pdmtest::TempDir dir;
    const std::wstring good = pdmtest::wide(dir.write("good.ini", "[MAP]\np=T\n"));
    const std::wstring comments = pdmtest::wide(dir.write("c.ini", "[MAP]\n;p=T\n"));
    CAttAssocList list;
    ASSERT_TRUE(list.Load(good.c_str(), L"MAP"));
    // Missing file, missing section, empty section: false and the list unchanged.
    EXPECT_FALSE(list.Load(pdmtest::wide(dir.path("none.ini")).c_str(), L"MAP"));
    EXPECT_FALSE(list.Load(good.c_str(), L"OTHER"));
    EXPECT_EQ(list.GetCount(), 1);
    // A section of comment lines has lines: the list is emptied, and the result is false.
    EXPECT_FALSE(list.Load(comments.c_str(), L"MAP"));
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(CAttAssocListTest, FindByNameIgnoresCaseAndFindByTagUsesPatterns) {
    LoadedList l("[MAP]\ndm_title=TITEL\ndm_number=ZEICH*\n", L"MAP");
    EXPECT_EQ(l.list.FindByName(L"DM_NUMBER"), l.list[1]);
    EXPECT_EQ(l.list.FindByName(L"dm_none"), nullptr);
    EXPECT_EQ(l.list.FindByTag(L"zeichnr"), l.list[1]);
    EXPECT_EQ(l.list.FindByTag(L"TITEL"), l.list[0]);
    EXPECT_EQ(l.list.FindByTag(L"OTHER"), nullptr);
}

TEST(CAttAssocListTest, LongValuesAreCutAtTheWorkBuffer) {
    std::string value(1020, 'A');
    value += " BCDEFG";
    LoadedList l("[MAP]\np=" + value + "\n", L"MAP");
    ASSERT_EQ(l.list.GetCount(), 1);
    // 1023 characters survive: 1020 A, the blank, then "BC".
    EXPECT_EQ(tagsOf(*l.list[0]), (Names{std::wstring(1020, L'A'), L"BC"}));
}

}  // namespace
