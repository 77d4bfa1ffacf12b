// CVoVurSettings: block name lists, formulas, attribute maps and general values from a file.
#include "settings/vovursettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/docdata/pdm_test_files.h"

namespace {

using pdmtest::Names;

Names toVector(const CStringArray* array) { return pdmtest::strings(*array); }

struct LoadedSettings {
    pdmtest::TempDir dir;
    CVoVurSettings settings;
    bool result = false;
    explicit LoadedSettings(const std::string& ini) {
        result = settings.Load(pdmtest::wide(dir.write("s.ini", ini)).c_str());
    }
};

TEST(CVoVurSettingsTest, TitleBlockNamesFromTheFile) {
    struct {
        const char* what;
        const char* file;
        std::vector<std::wstring> names;
    } cases[] = {
        {"no section keeps the default", "[OTHER]\na=1\n", {L"AMTITLE"}},
        {"upper-cased", "[TITLE_BLOCK]\n1=Schriftfeld\n2=amtitle\n", {L"SCHRIFTFELD", L"AMTITLE"}},
        {"comment-only section empties", "[TITLE_BLOCK]\n;1=X\n", {}},
        {"empty values skipped", "[TITLE_BLOCK]\nA=X\nB=\n", {L"X"}},
        {"duplicates kept", "[TITLE_BLOCK]\nA=X\nB=x\n", {L"X", L"X"}},
        {"empty section keeps the default", "[TITLE_BLOCK]\n\n[X]\n", {L"AMTITLE"}},
    };
    for (const auto& c : cases) {
        LoadedSettings s(c.file);
        EXPECT_EQ(toVector(s.settings.GetTitleBlockNames()), c.names) << c.what;
    }
}

TEST(CVoVurSettingsTest, ResultIsWhetherTheTitleMapHasAnAssociation) {
    LoadedSettings with("[ATTRIBUTE_MAP]\ndm_title=TITEL\n");
    EXPECT_TRUE(with.result);
    ASSERT_EQ(with.settings.GetAttributeMap()->GetCount(), 1);
    EXPECT_EQ(with.settings.GetAttributeMap()->GetAt(0)->GetName(), L"dm_title");
    EXPECT_EQ(with.settings.GetAttributeMap()->GetAt(0)->GetTag(0), L"TITEL");
    LoadedSettings without("[TITLE_BLOCK]\na=B\n[REVISION_BLOCK]\na=rev\n");
    EXPECT_FALSE(without.result);
    EXPECT_EQ(toVector(without.settings.GetRevisionBlockNames()), (Names{L"REV"}));
}

TEST(CVoVurSettingsTest, EverySectionIsLoaded) {
    LoadedSettings s(
        "[ATTRIBUTE_FORMULA]\nSum = a+b\n;x=1\n"
        "[BOMPOS_BLOCK]\n1=pos\n"
        "[BOMPOS_ATTRIBUTE_FORMULA]\nPF=p\n"
        "[BOMPOS_ATTRIBUTE_MAP]\ndm_pos=POS\n"
        "[REVISION_BLOCK]\n1=revtab\n"
        "[REVISION_ATTRIBUTE_FORMULA]\nRF=r\n"
        "[REVISION_ATTRIBUTE_MAP]\ndm_rev=REV1,REV2\n");
    CString value;
    EXPECT_TRUE(s.settings.GetAttributeFormulas()->Lookup(L"Sum", value));
    EXPECT_EQ(value, L"a+b");
    EXPECT_EQ(s.settings.GetAttributeFormulas()->GetCount(), 1);
    EXPECT_EQ(toVector(s.settings.GetBomPosBlockNames()), (Names{L"POS"}));
    EXPECT_TRUE(s.settings.GetBomPosAttributeFormulas()->Lookup(L"PF", value));
    EXPECT_EQ(s.settings.GetBomPosAttributeMap()->GetCount(), 1);
    EXPECT_EQ(toVector(s.settings.GetRevisionBlockNames()), (Names{L"REVTAB"}));
    EXPECT_TRUE(s.settings.GetRevisionAttributeFormulas()->Lookup(L"RF", value));
    ASSERT_EQ(s.settings.GetRevisionAttributeMap()->GetCount(), 1);
    EXPECT_EQ(s.settings.GetRevisionAttributeMap()->GetAt(0)->GetTagCount(), 2);
}

TEST(CVoVurSettingsTest, GeneralValuesAreUpperCasedUnderSectionDotKey) {
    LoadedSettings s(
        "[Misc]\npath=c:\\temp\n;hidden=1\n[A.B]\nC=first\n[A]\nB.C=second\n[a.b]\nc=third\n");
    EXPECT_EQ(s.settings.GetValue(L"Path", L"Misc", L"def"), L"C:\\TEMP");
    EXPECT_EQ(s.settings.GetValue(L"missing", L"Misc", L"def"), L"def");
    EXPECT_EQ(s.settings.GetValue(L";hidden", L"Misc", nullptr), L"");
    // "A.B" + "C" and "A" + "B.C" name the same entry; the later section wins, and the repeated
    // section [a.b] reads the first [A.B] again.
    EXPECT_EQ(s.settings.GetValue(L"c", L"a.b", L""), L"FIRST");
}

TEST(CVoVurSettingsTest, SecondLoadRefillsOnlySectionsItHas) {
    pdmtest::TempDir dir;
    CVoVurSettings settings;
    const auto load = [&](const std::string& name, const std::string& text) {
        return settings.Load(pdmtest::wide(dir.write(name, text)).c_str());
    };
    ASSERT_TRUE(
        load("1.ini",
             "[TITLE_BLOCK]\n1=one\n[REVISION_BLOCK]\n1=rev\n[ATTRIBUTE_MAP]\np=T\n[G]\nk=1\n"));
    EXPECT_FALSE(load("2.ini", "[TITLE_BLOCK]\n1=two\n[H]\nk=2\n"));
    EXPECT_EQ(toVector(settings.GetTitleBlockNames()), (Names{L"TWO"}));
    EXPECT_EQ(toVector(settings.GetRevisionBlockNames()), (Names{L"REV"}));
    EXPECT_EQ(settings.GetAttributeMap()->GetCount(), 1);
    EXPECT_EQ(settings.GetValue(L"k", L"G", L""), L"1");
    EXPECT_EQ(settings.GetValue(L"k", L"H", L""), L"2");
    // An unreadable file changes nothing.
    EXPECT_FALSE(settings.Load(pdmtest::wide(dir.path("missing.ini")).c_str()));
    EXPECT_EQ(toVector(settings.GetTitleBlockNames()), (Names{L"TWO"}));
}

TEST(CVoVurSettingsTest, ClearKeepsTheRevisionSet) {
    LoadedSettings s("[TITLE_BLOCK]\n1=T\n[REVISION_BLOCK]\n1=R\n[ATTRIBUTE_MAP]\np=X\n[G]\nk=v\n");
    s.settings.Clear();
    EXPECT_EQ(s.settings.GetTitleBlockNames()->GetSize(), 0);
    EXPECT_EQ(s.settings.GetAttributeMap()->GetCount(), 0);
    EXPECT_EQ(s.settings.GetValue(L"k", L"G", L"gone"), L"gone");
    EXPECT_EQ(toVector(s.settings.GetRevisionBlockNames()), (Names{L"R"}));
}

TEST(CVoVurSettingsTest, HugeSettingsFileLoads) {
    // Tens of megabytes with every kind of repetition: finishing at all is the test.
    std::string text = "[TITLE_BLOCK]\n";
    // Lines are built by appending: GCC 12 at -O3 warns falsely about "a" + std::to_string(b).
    for (int i = 0; i < 50000; ++i)
        text.append("b")
            .append(std::to_string(i))
            .append("=block")
            .append(std::to_string(i % 7))
            .append("\n");
    text += "[ATTRIBUTE_MAP]\n";
    for (int i = 0; i < 50000; ++i)
        text.append("dm_p")
            .append(std::to_string(i))
            .append("=T")
            .append(std::to_string(i))
            .append(",U*\n");
    for (int s = 0; s < 200000; ++s)
        text.append("[S")
            .append(std::to_string(s % 1000))
            .append("]\nkey=value ")
            .append(std::to_string(s))
            .append("\n");
    for (int s = 0; s < 200000; ++s) text += "[TITLE_BLOCK]\nx=y\n";
    text += std::string(4u << 20, 'x') + "\n";
    pdmtest::TempDir dir;
    CVoVurSettings settings;
    EXPECT_TRUE(settings.Load(pdmtest::wide(dir.write("huge.ini", text)).c_str()));
    EXPECT_EQ(settings.GetTitleBlockNames()->GetSize(), 50000);
    EXPECT_EQ(settings.GetAttributeMap()->GetCount(), 50000);
    EXPECT_EQ(settings.GetValue(L"key", L"s999", L""), L"VALUE 999");
}

TEST(CVoVurSettingsTest, SampleFixture) {
    CVoVurSettings settings;
    EXPECT_TRUE(settings.Load(pdmtest::wide(pdmtest::fixture("settings_sample.ini")).c_str()));
    EXPECT_EQ(toVector(settings.GetTitleBlockNames()), (Names{L"SCHRIFTFELD", L"AMTITLE"}));
    ASSERT_EQ(settings.GetAttributeMap()->GetCount(), 2);
    EXPECT_EQ(settings.GetAttributeMap()->GetAt(1)->GetTag(1), L"NR");
    EXPECT_EQ(toVector(settings.GetRevisionBlockNames()), (Names{L"AENDERUNG"}));
    CString formula;
    EXPECT_TRUE(settings.GetAttributeFormulas()->Lookup(L"Gewicht", formula));
    // A value that starts with a quote loses its first and its last character, whatever it is.
    EXPECT_EQ(formula, L"dm_weight\" k");
    EXPECT_EQ(settings.GetValue(L"firma", L"ALLGEMEIN", L""), L"M\u00dcLLER & S\u00d6HNE");
    EXPECT_EQ(settings.GetValue(L"PFAD", L"allgemein", L""), L"C:\\PDM\\VORLAGEN");
}

}  // namespace
