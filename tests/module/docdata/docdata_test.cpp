// CDocData over a loaded companion file: lookups and conversions, the property order, and the
// value maps of the update runs (title block values, revision table rows).
#include "docdata/docdata.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "module/docdata/pdm_test_files.h"

namespace {

using pdmtest::LoadedDoc;

std::map<std::wstring, std::wstring> contents(const CMapStringToString& values) {
    std::map<std::wstring, std::wstring> out;
    CString key, value;
    for (POSITION pos = values.GetStartPosition(); pos != nullptr;) {
        values.GetNextAssoc(pos, key, value);
        out[std::wstring(key.view())] = std::wstring(value.view());
    }
    return out;
}

TEST(CDocDataTest, GetSettingIntConvertsLikeTheRuntime) {
    const std::pair<const char*, int> cases[] = {
        {"", 4},
        {"autocad.revision.count=\"abc\"", 0},
        {"autocad.revision.count=\"7x\"", 7},
        {"autocad.revision.count=\"-2\"", -2},
        {"autocad.revision.count=\"\"", 0},
        {"autocad.revision.count=\"  12\"", 12},
        {"autocad.revision.count=\"99999999999\"", 2147483647},
        {"Autocad.Revision.Count=\"1\"", 4},
    };
    for (const auto& [attributes, expected] : cases) {
        SCOPED_TRACE(attributes);
        LoadedDoc d("<pdm><settings " + std::string(attributes) + "/></pdm>");
        EXPECT_EQ(d.data.getSettingInt(L"autocad.revision.count", 4), expected);
        EXPECT_EQ(d.data.getSettingLong(L"autocad.revision.count", 4), expected);
    }
    LoadedDoc d("<pdm><settings a=\"\" b=\"x\"/></pdm>");
    EXPECT_EQ(d.data.getSetting(L"a", L"def"), L"");
    EXPECT_EQ(d.data.getSetting(L"b", L"def"), L"x");
    EXPECT_EQ(d.data.getSetting(L"c", L"def"), L"def");
    EXPECT_EQ(d.data.getSetting(L"c", nullptr), L"");
}

TEST(CDocDataTest, VariantTypeAndMajorVersion) {
    const auto loaded = [](const std::string& document) {
        return LoadedDoc("<pdm>" + document + "</pdm>");
    };
    const std::pair<const char*, int> variants[] = {
        {"<document/>", 0},
        {"<document dm_vartype=\"\"/>", 0},
        {"<document dm_vartype=\"dm_variant\"/>", 1},
        {"<document dm_vartype=\"DM_FLEXIBLE\"/>", 2},
        {"<document dm_vartype=\"dm_layout\"/>", 3},
        {"<document dm_vartype=\"flexible\"/>", 0},
        {"<document dm_vartype=\"dm_layout \"/>", 0},
    };
    for (const auto& [document, expected] : variants)
        EXPECT_EQ(loaded(document).data.getVariantType(), expected) << document;
    const std::pair<const char*, bool> versions[] = {
        {"<document dm_major=\"2\" dm_minor=\"0\"/>", true},
        {"<document dm_major=\"2\" dm_minor=\"1\"/>", false},
        {"<document dm_major=\"0\" dm_minor=\"0\"/>", false},
        {"<document dm_major=\"1\"/>", true},
        {"<document dm_minor=\"0\"/>", false},
        {"<document DM_MAJOR=\"3\" dm_minor=\"0\"/>", false},
    };
    for (const auto& [document, expected] : versions)
        EXPECT_EQ(loaded(document).data.isMajorVersion(), expected) << document;
    EXPECT_FALSE(CDocData().isMajorVersion());
}

TEST(CDocDataTest, LookupIsExactAndEmptiesTheOutput) {
    LoadedDoc d("<pdm><document dm_title=\"P\"/></pdm>");
    CString value = L"old";
    EXPECT_FALSE(d.data.getDocProperty(L"DM_TITLE", value));
    EXPECT_TRUE(value.IsEmpty());
    EXPECT_TRUE(d.data.getDocProperty(L"dm_title", value));
    EXPECT_EQ(value, L"P");
    EXPECT_FALSE(d.data.lookup(d.data.document().properties, nullptr, value));
}

TEST(CDocDataTest, FindRelationByTitleSlashSuffixIgnoringCase) {
    LoadedDoc d(
        "<pdm><document dm_title=\"P-100\"/><relations>"
        "<relation dm_title=\"P-100/Other\"/>"
        "<relation dm_title=\"p-100/LAYOUT1\" n=\"first\"><revisions><revision "
        "r=\"1\"/></revisions></relation>"
        "<relation dm_title=\"P-100/Layout1\" n=\"second\"/>"
        "</relations></pdm>");
    DocumentRecord record;
    ASSERT_TRUE(d.data.findRelation(record, L"Layout1"));
    EXPECT_EQ(record.properties.at(L"n"), L"first");
    EXPECT_EQ(record.revisions.size(), 1u);
    DocumentRecord untouched;
    untouched.properties.emplace(L"keep", L"me");
    EXPECT_FALSE(d.data.findRelation(untouched, L"Layout2"));
    EXPECT_EQ(untouched.properties.size(), 1u);
    LoadedDoc untitled("<pdm><document/><relations><relation dm_title=\"/L\"/></relations></pdm>");
    EXPECT_FALSE(untitled.data.findRelation(record, L"L"));
}

TEST(PropertyMapTest, OrdersByUtf16CodeUnitsAndKeepsFirstValue) {
    PropertyMap map;
    map.emplace(L"b", L"1");
    map.emplace(L"\uFFFD", L"2");
    map.emplace(L"\U0001F600", L"3");  // a surrogate pair sorts below U+E000
    map.emplace(L"a", L"4");
    map.emplace(L"B", L"5");
    map.emplace(L"b", L"ignored");
    std::wstring order;
    for (const auto& [name, value] : map) order += value;
    EXPECT_EQ(order, L"54132");
    EXPECT_EQ(map.at(L"b"), L"1");
    Utf16Less less;
    EXPECT_TRUE(less(L"ab", L"abc"));
    EXPECT_FALSE(less(L"abc", L"ab"));
    EXPECT_FALSE(less(L"x", L"x"));
    EXPECT_TRUE(less(L"\U00010000", L"\U00010001"));
    EXPECT_TRUE(less(L"\U0001F600", L"\uE000"));
    EXPECT_FALSE(less(L"\uE000", L"\U0001F600"));
    EXPECT_TRUE(less(L"\uD7FF", L"\U00010000"));
}

TEST(CDocDataValuesTest, TitleBlockValuesFromPropertiesAndAssociations) {
    pdmtest::TempDir dir;
    const std::string ini = dir.write("s.ini",
                                      "[ATTRIBUTE_MAP]\n"
                                      "dm_title = TITEL, BENENNUNG*, dm_title_copy, NR\n"
                                      "dm_missing = NOWHERE\n"
                                      "dm_number = NR ; DM_TITLE\n"
                                      "dm_empty = ,\n")
                                .string();
    LoadedDoc d("<pdm><config>" + ini +
                "</config><document dm_title=\"Bracket\" dm_number=\"A-1\" PAGE=\"own\"/></pdm>");
    CMapStringToString values;
    EXPECT_EQ(
        d.data.buildTitleBlockValues(d.data.document().properties, values, d.data.getSettings()),
        8);
    EXPECT_EQ(contents(values), (std::map<std::wstring, std::wstring>{
                                    {L"dm_title", L"Bracket"},
                                    {L"dm_number", L"A-1"},
                                    {L"PAGE", L"own"},
                                    {L"TITEL", L"Bracket"},
                                    {L"BENENNUNG*", L"Bracket"},
                                    {L"DM_TITLE_COPY", L"Bracket"},
                                    // The later association wins a tag.
                                    {L"NR", L"A-1"},
                                    // A tag is a key of its own beside the property name.
                                    {L"DM_TITLE", L"A-1"},
                                }));
}

// A document with revisions numbered 1..count (labels L1...) and the current revision current.
std::string revisions(const std::string& settings, int count, const char* current) {
    std::string xml = "<pdm><settings " + settings + "/><document";
    if (current != nullptr) xml += " dm_revisionno=\"" + std::string(current) + "\"";
    xml += "><revisions>";
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        xml += "<revision dm_revisionno=\"" + n + "\" dm_revlabel=\"L" + n + "\" dm_comment=\"C" +
               n + "\" dm_statusat=\"D" + n + "\" dm_statusby=\"U" + n + "\"/>";
    }
    return xml + "</revisions></document></pdm>";
}

TEST(CDocDataValuesTest, RevisionRows) {
    const struct {
        const char* what;
        std::string settings;
        int count;
        const char* current;
        int entries;
        const wchar_t* rows;  // labels of rows 0..3; "-" set to empty text, "?" not set
    } cases[] = {
        {"last four, oldest first", "", 6, "6", 16, L"L3 L4 L5 L6 "},
        {"short list blanks the rest", "", 2, "2", 16, L"L1 L2 - - "},
        {"newer revision stops the rows", "", 6, "4", 8, L"L3 L4 ? ? "},
        {"first moves the window", "autocad.revision.first=\"5\"", 6, "6", 16, L"L6 - - - "},
        {"negative first counts as 0", "autocad.revision.first=\"-3\"", 2, "2", 16, L"L1 L2 - - "},
        {"count 0 writes nothing", "autocad.revision.count=\"0\"", 6, "6", 0, L"? ? ? ? "},
        {"count 2", "autocad.revision.count=\"2\"", 6, "6", 8, L"L5 L6 ? ? "},
        {"no current revision", "", 2, nullptr, 0, L"? ? ? ? "},
        {"no revisions at all", "", 0, "0", 16, L"- - - - "},
        {"absurd count is bounded", "autocad.revision.count=\"2147483647\"", 2, "2", 4000,
         L"L1 L2 - - "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LoadedDoc d(revisions(c.settings, c.count, c.current));
        CMapStringToString map;
        EXPECT_EQ(d.data.buildRevisionValues(d.data.document(), map), c.entries);
        const auto values = contents(map);
        std::wstring rows;
        for (int r = 0; r < 4; ++r) {
            auto it = values.find(L"dm_rev_label_" + std::to_wstring(r));
            rows += (it == values.end() ? L"?" : it->second.empty() ? L"-" : it->second) + L" ";
        }
        EXPECT_EQ(rows, c.rows);
    }
}

TEST(CDocDataValuesTest, RevisionRowCarriesItsFourValues) {
    LoadedDoc d(revisions("", 1, "1"));
    CMapStringToString values;
    d.data.buildRevisionValues(d.data.document(), values);
    auto v = contents(values);
    EXPECT_EQ(v[L"dm_rev_label_0"], L"L1");
    EXPECT_EQ(v[L"dm_rev_comment_0"], L"C1");
    EXPECT_EQ(v[L"dm_rev_date_0"], L"D1");
    EXPECT_EQ(v[L"dm_rev_user_0"], L"U1");
    EXPECT_EQ(v[L"dm_rev_comment_3"], L"");
    // A shown revision without a number leaves the whole table unwritten; one without a
    // comment gets empty text for it.
    LoadedDoc gap(
        "<pdm><document dm_revisionno=\"5\"><revisions><revision dm_revisionno=\"1\"/>"
        "<revision dm_revlabel=\"x\"/></revisions></document></pdm>");
    CMapStringToString none;
    EXPECT_EQ(gap.data.buildRevisionValues(gap.data.document(), none), 0);
    LoadedDoc partial(
        "<pdm><document dm_revisionno=\"1\"><revisions><revision dm_revisionno=\"1\" "
        "dm_revlabel=\"A\"/></revisions></document></pdm>");
    CMapStringToString rows;
    EXPECT_EQ(partial.data.buildRevisionValues(partial.data.document(), rows), 16);
    EXPECT_EQ(contents(rows)[L"dm_rev_comment_0"], L"");
}

}  // namespace
