// The companion file reader: which file is read, which elements and attributes become which
// fields, how text is converted, and that bad files read as "not managed".
#include "docdata/docdata.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "module/docdata/pdm_test_files.h"

namespace {

using pdmtest::TempDir;

using pdmtest::anyDatabase;

std::wstring prop(const PropertyMap& map, const std::wstring& name) {
    auto it = map.find(name);
    return it == map.end() ? L"<absent>" : it->second;
}

// Writes NAME.qdx with the given bytes and loads the drawing NAME.dwg.
struct Loaded {
    TempDir dir;
    CDocData data;
    int result;
    explicit Loaded(const std::string& qdx, const std::string& name = "a") {
        dir.write(name + ".qdx", qdx);
        result = data.load(anyDatabase(), pdmtest::wide(dir.path(name + ".dwg")).c_str(), 1, 1);
    }
};

TEST(CDocDataReaderTest, NullArgumentsChangeNothing) {
    CDocData data;
    EXPECT_EQ(data.load(nullptr, L"/x/a.dwg", 1, 1), 0);
    EXPECT_EQ(data.load(anyDatabase(), nullptr, 1, 1), 0);
    EXPECT_EQ(data.load(anyDatabase(), L"", 1, 1), 0);
    EXPECT_TRUE(data.getPath().IsEmpty());
    EXPECT_EQ(data.isManaged(), 0);
    // Applying a configuration needs a managed drawing and a node.
    EXPECT_EQ(data.applyConfig(nullptr), 0);
    Loaded l("<pdm/>");
    EXPECT_EQ(l.data.applyConfig(nullptr), 0);
}

TEST(CDocDataReaderTest, CompanionIsTheDrawingPathWithExtensionQdx) {
    struct {
        const char* drawing;
        const char* companion;
    } cases[] = {
        {"bracket.old.dwg", "bracket.old.qdx"},
        {"part", "part.qdx"},
        {"A-100.DWG", "A-100.qdx"},
        {"sub\\a.dwg", "sub/a.qdx"},  // backslash separators reach the file
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::filesystem::create_directories(dir.path("sub"));
        dir.write(c.companion, "<pdm/>");
        CDocData data;
        const std::wstring drawing = pdmtest::wide(dir.path(c.drawing));
        EXPECT_EQ(data.load(anyDatabase(), drawing.c_str(), 1, 1), 1);
        EXPECT_EQ(data.isManaged(), 1) << c.drawing;
        EXPECT_EQ(std::wstring(data.getPath().view()), drawing);
    }
}

TEST(CDocDataReaderTest, BadCompanionFilesReadAsNotManaged) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    std::string crowded = "<pdm><document";
    for (int i = 0; i < 200000; ++i) crowded += " a" + std::to_string(i) + "='v'";
    crowded += "/></pdm>";
    struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"declaration and comment only", "<?xml version=\"1.0\"?>\n<!-- nothing -->\n"},
        {"truncated", "<pdm><document dm_title=\"P\"><revisions><revision"},
        {"not closed", "<pdm><document dm_title=\"P\"/>"},
        {"binary", std::string("\x00\x01\xff\xfe<\x00>\x1a\x80", 9)},
        {"text only", "just some text"},
        {"duplicate attribute", "<pdm><document a=\"1\" a=\"2\"/></pdm>"},
        {"deeply nested", deep},
        {"element with too many attributes", crowded},
    };
    for (const auto& c : cases) {
        Loaded l(c.bytes);
        EXPECT_EQ(l.result, 1) << c.what;
        EXPECT_EQ(l.data.isManaged(), 0) << c.what;
        EXPECT_TRUE(l.data.document().properties.empty()) << c.what;
    }
    TempDir dir;
    CDocData data;
    EXPECT_EQ(data.load(anyDatabase(), pdmtest::wide(dir.path("missing.dwg")).c_str(), 1, 1), 1);
    EXPECT_EQ(data.isManaged(), 0);
}

TEST(CDocDataReaderTest, DeepButClosedNestingBelowTheLimitParses) {
    std::string xml = "<pdm><document dm_title=\"P\"/>";
    for (int i = 0; i < 500; ++i) xml += "<x a=\">\"><!-- <y> --><![CDATA[<z>]]>";
    for (int i = 0; i < 500; ++i) xml += "</x>";
    xml += "</pdm>";
    Loaded l(xml);
    EXPECT_EQ(l.data.isManaged(), 1);
    EXPECT_EQ(prop(l.data.document().properties, L"dm_title"), L"P");
}

TEST(CDocDataReaderTest, ElementSelectionRules) {
    Loaded l(
        "<?xml version=\"1.0\"?>\n<!-- PDM -->\n<anything>\n"
        "  <Settings autocad.multilayout=\"9\"/>\n"
        "  <settings autocad.revision.count=\"3\" a=\"1\" a2=\"x\"/>\n"
        "  <settings autocad.revision.count=\"5\"/>\n"
        "  <document dm_title=\"P-100\" z=\"last\" b=\"&amp;\">\n"
        "    <revisions><revision dm_revisionno=\"1\"/><other/>revision<revision "
        "dm_revisionno=\"2\" "
        "dm_comment=\"c\"/><revision/></revisions>\n"
        "    <revisions><revision dm_revisionno=\"99\"/></revisions>\n"
        "  </document>\n"
        "  <document dm_title=\"second\"/>\n"
        "  <relations>\n"
        "    <relation dm_title=\"R1\"><revisions><revision n=\"r1\"/></revisions></relation>\n"
        "    <note dm_title=\"not a relation\"/>\n"
        "    <relation dm_title=\"R2\"/>\n"
        "    <relation/>\n"
        "  </relations>\n"
        "  <relations><relation dm_title=\"ignored\"/></relations>\n"
        "  <bomtable><bomhead h=\"1\"/><bomhead h=\"2\"/>"
        "<positions><position p=\"1\"/><position p=\"2\"/></positions></bomtable>\n"
        "</anything>\n");
    ASSERT_EQ(l.data.isManaged(), 1);
    const PropertyMap& settings = l.data.settingsProperties();
    EXPECT_EQ(prop(settings, L"autocad.revision.count"), L"3");
    EXPECT_EQ(prop(settings, L"autocad.multilayout"), L"<absent>");
    EXPECT_EQ(settings.size(), 3u);

    const DocumentRecord& doc = l.data.document();
    EXPECT_EQ(prop(doc.properties, L"dm_title"), L"P-100");
    EXPECT_EQ(prop(doc.properties, L"b"), L"&");
    ASSERT_EQ(doc.revisions.size(), 3u);
    EXPECT_EQ(prop(doc.revisions[1], L"dm_revisionno"), L"2");
    EXPECT_TRUE(doc.revisions[2].empty());

    ASSERT_EQ(l.data.relations().size(), 3u);
    EXPECT_EQ(prop(l.data.relations()[0].properties, L"dm_title"), L"R1");
    EXPECT_EQ(l.data.relations()[0].revisions.size(), 1u);
    EXPECT_EQ(prop(l.data.relations()[1].properties, L"dm_title"), L"R2");
    EXPECT_TRUE(l.data.relations()[1].revisions.empty());
    EXPECT_TRUE(l.data.relations()[2].properties.empty());

    EXPECT_EQ(prop(l.data.bomHead(), L"h"), L"1");
    ASSERT_EQ(l.data.bomPositions().size(), 2u);
    EXPECT_EQ(prop(l.data.bomPositions()[1], L"p"), L"2");
}

TEST(CDocDataReaderTest, TextIsDecodedWithTheAnsiCodePage) {
    // Umlauts written as cp1252 bytes arrive as themselves; UTF-8 bytes arrive byte by byte.
    Loaded l("<pdm><document n=\"\xE4\xF6\xFC\" u=\"\xC3\xA4\" \xE4=\"key\"/></pdm>");
    ASSERT_EQ(l.data.isManaged(), 1);
    EXPECT_EQ(prop(l.data.document().properties, L"n"), L"\u00e4\u00f6\u00fc");
    EXPECT_EQ(prop(l.data.document().properties, L"u"), L"\u00c3\u00a4");
    EXPECT_EQ(prop(l.data.document().properties, L"\u00e4"), L"key");
}

TEST(CDocDataReaderTest, ConfigTextNamesTheSettingsFile) {
    TempDir dir;
    const std::string ini = dir.write("brakon.ini", "[TITLE_BLOCK]\n1=schriftfeld\n").string();
    struct {
        const char* what;
        std::string config;
        bool loaded;
    } cases[] = {
        {"own line, indented", "<config>\n     " + ini + "\n   </config>", true},
        {"comment first", "<config><!-- c -->" + ini + "</config>", false},
        {"element first", "<config><p/>" + ini + "</config>", false},
        {"empty", "<config/>", false},
        {"missing", "", false},
        {"second config ignored", "<config/><config>" + ini + "</config>", false},
    };
    for (const auto& c : cases) {
        Loaded l("<pdm>" + c.config + "<document dm_title=\"T\"/></pdm>");
        ASSERT_EQ(l.data.isManaged(), 1) << c.what;
        const CStringArray* names = l.data.getSettings().GetTitleBlockNames();
        ASSERT_EQ(names->GetSize(), 1) << c.what;
        EXPECT_EQ((*names)[0], c.loaded ? L"SCHRIFTFELD" : L"AMTITLE") << c.what;
        EXPECT_EQ(std::string(CStringA(l.data.configPath())), c.loaded ? ini : std::string())
            << c.what;
    }
}

TEST(CDocDataReaderTest, RepeatedLoadKeepsFirstValuesAndAppends) {
    TempDir dir;
    CDocData data;
    const std::wstring drawing = pdmtest::wide(dir.path("a.dwg"));
    dir.write("a.qdx",
              "<pdm><document v=\"1\"><revisions><revision/></revisions></document>"
              "<relations><relation/></relations></pdm>");
    data.load(anyDatabase(), drawing.c_str(), 1, 1);
    dir.write("a.qdx",
              "<pdm><document v=\"2\" w=\"new\"><revisions><revision/></revisions>"
              "</document><relations><relation/></relations></pdm>");
    data.load(anyDatabase(), drawing.c_str(), 1, 1);
    EXPECT_EQ(prop(data.document().properties, L"v"), L"1");
    EXPECT_EQ(prop(data.document().properties, L"w"), L"new");
    EXPECT_EQ(data.document().revisions.size(), 2u);
    EXPECT_EQ(data.relations().size(), 2u);
    // Once managed, always managed, even when the next companion file is gone.
    std::filesystem::remove(dir.path("a.qdx"));
    data.load(anyDatabase(), drawing.c_str(), 1, 1);
    EXPECT_EQ(data.isManaged(), 1);
}

TEST(CDocDataReaderTest, PathOverTheLimitOffersTheDrawingItself) {
    TempDir dir;
    std::filesystem::path deep = dir.root();
    while (deep.string().size() < 300) deep /= "folder_with_a_long_name";
    std::filesystem::create_directories(deep);
    const std::string xml = "<pdm><document dm_title=\"from the drawing\"/></pdm>";
    std::ofstream(deep / "a.qdx") << xml;
    CDocData data;
    EXPECT_EQ(data.load(anyDatabase(), (deep / "a.dwg").wstring().c_str(), 1, 1), 1);
    EXPECT_EQ(data.isManaged(), 0);
    // The drawing file is what the parser gets: shown with a drawing that happens to be XML.
    std::ofstream(deep / "a.dwg") << xml;
    data.load(anyDatabase(), (deep / "a.dwg").wstring().c_str(), 1, 1);
    EXPECT_EQ(data.isManaged(), 1);
    EXPECT_EQ(prop(data.document().properties, L"dm_title"), L"from the drawing");
}

TEST(CDocDataReaderTest, HugeCompanionFileLoads) {
    std::string xml = "<pdm><document dm_title=\"P\"><revisions>";
    for (int i = 0; i < 100000; ++i)
        xml += "<revision dm_revisionno=\"" + std::to_string(i) +
               "\" dm_comment=\"some comment text\"/>";
    xml += "</revisions></document><relations>";
    for (int i = 0; i < 100000; ++i)
        xml += "<relation dm_title=\"P/L" + std::to_string(i) + "\" x=\"" + std::string(100, 'x') +
               "\"/>";
    xml += "</relations></pdm>";
    Loaded l(xml);
    EXPECT_EQ(l.data.isManaged(), 1);
    EXPECT_EQ(l.data.document().revisions.size(), 100000u);
    DocumentRecord found;
    EXPECT_TRUE(l.data.findRelation(found, L"l99999"));
}

// Runs a block with the current folder set to dir (relative settings paths resolve there).
class CurrentFolder {
  public:
    explicit CurrentFolder(const std::filesystem::path& dir)
        : m_old(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~CurrentFolder() { std::filesystem::current_path(m_old); }

  private:
    std::filesystem::path m_old;
};

std::wstring fixtureDrawing(const std::string& name) {
    return pdmtest::wide(pdmtest::fixture(name + ".dwg"));
}

TEST(CDocDataReaderTest, Cp1252FixtureLoadsWithItsSettings) {
    CurrentFolder here(pdmtest::fixture(""));
    CDocData data;
    EXPECT_EQ(data.load(anyDatabase(), fixtureDrawing("companion_cp1252").c_str(), 1, 1), 1);
    ASSERT_EQ(data.isManaged(), 1);
    EXPECT_EQ(prop(data.document().properties, L"dm_title"), L"Geh\u00e4use");
    EXPECT_EQ(prop(data.document().properties, L"dm_comment"),
              L"Gr\u00f6\u00dfe gepr\u00fcft & frei");
    EXPECT_EQ(prop(data.document().revisions[1], L"dm_comment"), L"\u00e4\u00f6\u00fc");
    EXPECT_EQ(data.getSettingInt(L"autocad.revision.count", 4), 3);
    EXPECT_EQ(data.configPath(), L"settings_sample.ini");
    EXPECT_EQ(data.getSettings().GetTitleBlockNames()->GetSize(), 2);
    DocumentRecord layout;
    EXPECT_TRUE(data.findRelation(layout, L"LAYOUT1"));
    EXPECT_EQ(prop(layout.properties, L"dm_number"), L"A-100-1");
}

TEST(CDocDataReaderTest, NoPlainFileAndBrokenFixturesReadAsNotManaged) {
    TempDir dir;
    std::filesystem::create_directories(dir.path("a.qdx"));
    ASSERT_EQ(::mkfifo(dir.path("b.qdx").c_str(), 0600), 0);
    const std::wstring drawings[] = {
        pdmtest::wide(dir.path("a.dwg")), pdmtest::wide(dir.path("b.dwg")),
        fixtureDrawing("companion_declaration_only"), fixtureDrawing("companion_truncated")};
    for (const std::wstring& drawing : drawings) {
        CDocData data;
        EXPECT_EQ(data.load(anyDatabase(), drawing.c_str(), 1, 1), 1);
        EXPECT_EQ(data.isManaged(), 0) << CStringA(drawing.c_str());
    }
    // A settings path naming an endless device leaves the settings unloaded.
    Loaded l("<pdm><config>/dev/zero</config></pdm>");
    EXPECT_EQ(l.data.isManaged(), 1);
    EXPECT_EQ(l.data.configPath(), L"/dev/zero");
    EXPECT_EQ(l.data.getSettings().GetTitleBlockNames()->GetAt(0), L"AMTITLE");
}

}  // namespace
