// The value maps of the update runs: title block values and revision table rows.
#include "docdata/docdata.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "module/docdata/pdm_test_files.h"

namespace {

using pdmtest::anyDatabase;

std::map<std::wstring, std::wstring> contents(const CMapStringToString& values) {
    std::map<std::wstring, std::wstring> out;
    CString key, value;
    for (POSITION pos = values.GetStartPosition(); pos != nullptr;) {
        values.GetNextAssoc(pos, key, value);
        out[std::wstring(key.view())] = std::wstring(value.view());
    }
    return out;
}

// Companion file with the given settings attributes and document XML; optional settings file.
struct Doc {
    pdmtest::TempDir dir;
    CDocData data;
    Doc(const std::string& settings, const std::string& document, const std::string& ini = "") {
        std::string config;
        if (!ini.empty()) config = "<config>" + dir.write("s.ini", ini).string() + "</config>";
        dir.write("d.qdx", "<pdm>" + config + "<settings " + settings + "/>" + document + "</pdm>");
        data.load(anyDatabase(), pdmtest::wide(dir.path("d.dwg")).c_str(), 1, 1);
    }
};

// A document with revisions numbered 1..count and the current revision current.
std::string revisions(int count, int current, const std::string& extra = "") {
    std::string xml = "<document dm_revisionno=\"" + std::to_string(current) + "\"><revisions>";
    for (int i = 1; i <= count; ++i) {
        std::string n = std::to_string(i);
        xml += "<revision dm_revisionno=\"" + n + "\" dm_revlabel=\"L" + n + "\" dm_comment=\"C" +
               n + "\" dm_statusat=\"D" + n + "\" dm_statusby=\"U" + n + "\"" +
               (i == count ? extra : "") + "/>";
    }
    return xml + "</revisions></document>";
}

// Row labels "L3 L4 ..." ("-" for a row set to empty text, "?" for a row not set).
std::wstring labels(const std::map<std::wstring, std::wstring>& values, int rows) {
    std::wstring out;
    for (int r = 0; r < rows; ++r) {
        auto it = values.find(L"dm_rev_label_" + std::to_wstring(r));
        out += it == values.end() ? L"?" : it->second.empty() ? L"-" : it->second;
        out += L" ";
    }
    return out;
}

TEST(CDocDataValuesTest, RevisionRows) {
    struct {
        const char* what;
        std::string settings;
        int count, current;
        int entries;
        const wchar_t* rows;
    } cases[] = {
        {"last four, oldest first", "", 6, 6, 16, L"L3 L4 L5 L6 "},
        {"short list blanks the rest", "", 2, 2, 16, L"L1 L2 - - "},
        {"newer revision stops the rows", "", 6, 4, 8, L"L3 L4 ? ? "},
        {"first moves the window", "autocad.revision.first=\"5\"", 6, 6, 16, L"L6 - - - "},
        {"negative first counts as 0", "autocad.revision.first=\"-3\"", 2, 2, 16, L"L1 L2 - - "},
        {"count 0 writes nothing", "autocad.revision.count=\"0\"", 6, 6, 0, L"? ? ? ? "},
        {"count 2", "autocad.revision.count=\"2\"", 6, 6, 8, L"L5 L6 ? ? "},
    };
    for (const auto& c : cases) {
        Doc d(c.settings, revisions(c.count, c.current));
        CMapStringToString values;
        EXPECT_EQ(d.data.buildRevisionValues(d.data.document(), values), c.entries) << c.what;
        EXPECT_EQ(labels(contents(values), 4), c.rows) << c.what;
    }
}

TEST(CDocDataValuesTest, RevisionRowCarriesItsFourValues) {
    Doc d("", revisions(1, 1));
    CMapStringToString values;
    d.data.buildRevisionValues(d.data.document(), values);
    auto v = contents(values);
    EXPECT_EQ(v[L"dm_rev_label_0"], L"L1");
    EXPECT_EQ(v[L"dm_rev_comment_0"], L"C1");
    EXPECT_EQ(v[L"dm_rev_date_0"], L"D1");
    EXPECT_EQ(v[L"dm_rev_user_0"], L"U1");
    EXPECT_EQ(v[L"dm_rev_comment_3"], L"");
}

TEST(CDocDataValuesTest, MissingRevisionNumbersWriteNothing) {
    Doc noCurrent("",
                  "<document><revisions><revision dm_revisionno=\"1\"/></revisions></document>");
    CMapStringToString values;
    EXPECT_EQ(noCurrent.data.buildRevisionValues(noCurrent.data.document(), values), 0);

    Doc gap("",
            "<document dm_revisionno=\"5\"><revisions><revision dm_revisionno=\"1\"/>"
            "<revision dm_revlabel=\"x\"/></revisions></document>");
    EXPECT_EQ(gap.data.buildRevisionValues(gap.data.document(), values), 0);

    // A revision without a comment gets empty text for it.
    Doc partial("",
                "<document dm_revisionno=\"1\"><revisions><revision dm_revisionno=\"1\" "
                "dm_revlabel=\"A\"/></revisions></document>");
    CMapStringToString rows;
    EXPECT_EQ(partial.data.buildRevisionValues(partial.data.document(), rows), 16);
    EXPECT_EQ(contents(rows)[L"dm_rev_comment_0"], L"");
}

TEST(CDocDataValuesTest, AbsurdRowCountsAreBounded) {
    Doc d("autocad.revision.count=\"2147483647\"", revisions(2, 2));
    CMapStringToString values;
    EXPECT_EQ(d.data.buildRevisionValues(d.data.document(), values), 4000);
}

TEST(CDocDataValuesTest, TitleBlockValuesFromPropertiesAndAssociations) {
    Doc d("", "<document dm_title=\"Bracket\" dm_number=\"A-1\" PAGE=\"own\"/>",
          "[ATTRIBUTE_MAP]\n"
          "dm_title = TITEL, BENENNUNG*, dm_title_copy\n"
          "dm_missing = NOWHERE\n"
          "dm_number = NR ; DM_TITLE\n"
          "dm_empty = ,\n");
    CMapStringToString values;
    EXPECT_EQ(
        d.data.buildTitleBlockValues(d.data.document().properties, values, d.data.getSettings()),
        8);
    auto v = contents(values);
    EXPECT_EQ(v[L"dm_title"], L"Bracket");
    EXPECT_EQ(v[L"PAGE"], L"own");
    EXPECT_EQ(v[L"TITEL"], L"Bracket");
    EXPECT_EQ(v[L"BENENNUNG*"], L"Bracket");
    EXPECT_EQ(v[L"DM_TITLE_COPY"], L"Bracket");
    EXPECT_EQ(v[L"NR"], L"A-1");
    // The tag DM_TITLE is a key of its own; the later association gave it the number.
    EXPECT_EQ(v[L"DM_TITLE"], L"A-1");
    EXPECT_EQ(v.count(L"NOWHERE"), 0u);
}

TEST(CDocDataValuesTest, LaterAssociationWinsForTheSameTag) {
    Doc d("", "<document a=\"1\" b=\"2\"/>", "[ATTRIBUTE_MAP]\na=T\nb=T\n");
    CMapStringToString values;
    d.data.buildTitleBlockValues(d.data.document().properties, values, d.data.getSettings());
    EXPECT_EQ(contents(values)[L"T"], L"2");
}

}  // namespace
