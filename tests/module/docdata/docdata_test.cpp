// CDocData lookups and conversions over a loaded companion file, and the property order.
#include "docdata/docdata.h"

#include <gtest/gtest.h>

#include <string>

#include "module/docdata/pdm_test_files.h"

namespace {

using pdmtest::anyDatabase;

// A managed CDocData from companion XML.
struct Doc {
    pdmtest::TempDir dir;
    CDocData data;
    explicit Doc(const std::string& xml) {
        dir.write("d.qdx", xml);
        data.load(anyDatabase(), pdmtest::wide(dir.path("d.dwg")).c_str(), 1, 1);
        EXPECT_EQ(data.isManaged(), 1);
    }
};

std::string settingsWith(const std::string& attributes) {
    return "<pdm><settings " + attributes + "/></pdm>";
}

TEST(CDocDataTest, GetSettingIntConvertsLikeTheRuntime) {
    struct {
        const char* attributes;
        int expected;
    } cases[] = {
        {"", 4},
        {"autocad.revision.count=\"abc\"", 0},
        {"autocad.revision.count=\"7x\"", 7},
        {"autocad.revision.count=\"-2\"", -2},
        {"autocad.revision.count=\"\"", 0},
        {"autocad.revision.count=\"  12\"", 12},
        {"autocad.revision.count=\"99999999999\"", 2147483647},
        {"Autocad.Revision.Count=\"1\"", 4},
    };
    for (const auto& c : cases) {
        Doc d(settingsWith(c.attributes));
        EXPECT_EQ(d.data.getSettingInt(L"autocad.revision.count", 4), c.expected) << c.attributes;
        EXPECT_EQ(d.data.getSettingLong(L"autocad.revision.count", 4), c.expected) << c.attributes;
    }
}

TEST(CDocDataTest, GetSettingGivesPresentEmptyValuesAndDefaultsOtherwise) {
    Doc d(settingsWith("a=\"\" b=\"x\""));
    EXPECT_EQ(d.data.getSetting(L"a", L"def"), L"");
    EXPECT_EQ(d.data.getSetting(L"b", L"def"), L"x");
    EXPECT_EQ(d.data.getSetting(L"c", L"def"), L"def");
    EXPECT_EQ(d.data.getSetting(L"c", nullptr), L"");
}

TEST(CDocDataTest, VariantType) {
    struct {
        const char* value;
        int expected;
    } cases[] = {
        {nullptr, 0},     {"", 0},         {"dm_variant", 1}, {"DM_FLEXIBLE", 2},
        {"dm_layout", 3}, {"flexible", 0}, {"dm_layout ", 0},
    };
    for (const auto& c : cases) {
        std::string doc =
            c.value ? "<document dm_vartype=\"" + std::string(c.value) + "\"/>" : "<document/>";
        Doc d("<pdm>" + doc + "</pdm>");
        EXPECT_EQ(d.data.getVariantType(), c.expected) << (c.value ? c.value : "absent");
    }
}

TEST(CDocDataTest, MajorVersion) {
    struct {
        const char* attributes;
        bool expected;
    } cases[] = {
        {"dm_major=\"2\" dm_minor=\"0\"", true},
        {"dm_major=\"2\" dm_minor=\"1\"", false},
        {"dm_major=\"0\" dm_minor=\"0\"", false},
        {"dm_major=\"1\"", true},
        {"dm_minor=\"0\"", false},
        {"DM_MAJOR=\"3\" dm_minor=\"0\"", false},
    };
    for (const auto& c : cases) {
        Doc d("<pdm><document " + std::string(c.attributes) + "/></pdm>");
        EXPECT_EQ(d.data.isMajorVersion(), c.expected) << c.attributes;
    }
    EXPECT_FALSE(CDocData().isMajorVersion());
}

TEST(CDocDataTest, LookupIsExactAndEmptiesTheOutput) {
    Doc d("<pdm><document dm_title=\"P\"/></pdm>");
    CString value = L"old";
    EXPECT_FALSE(d.data.getDocProperty(L"DM_TITLE", value));
    EXPECT_TRUE(value.IsEmpty());
    EXPECT_TRUE(d.data.getDocProperty(L"dm_title", value));
    EXPECT_EQ(value, L"P");
    EXPECT_FALSE(d.data.lookup(d.data.document().properties, nullptr, value));
}

TEST(CDocDataTest, FindRelationByTitleSlashSuffixIgnoringCase) {
    Doc d(
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

    Doc untitled("<pdm><document/><relations><relation dm_title=\"/L\"/></relations></pdm>");
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
    EXPECT_EQ(order,
              L"5413"
              L"2");
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

}  // namespace
