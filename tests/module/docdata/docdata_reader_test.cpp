// The companion file reader: which file is read, which elements and attributes become which
// fields, how text is converted, and that bad files read as "not managed" without the parser
// reading past the end of the text.
#include "docdata/docdata.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "module/docdata/pdm_test_files.h"

namespace {

using pdmtest::anyDatabase;
using pdmtest::LoadedDoc;
using pdmtest::prop;
using pdmtest::TempDir;

TEST(CDocDataReaderTest, NullArgumentsChangeNothing) {
    CDocData data;
    EXPECT_EQ(data.load(nullptr, L"/x/a.dwg", 1, 1), 0);
    EXPECT_EQ(data.load(anyDatabase(), nullptr, 1, 1), 0);
    EXPECT_EQ(data.load(anyDatabase(), L"", 1, 1), 0);
    EXPECT_TRUE(data.getPath().IsEmpty());
    EXPECT_EQ(data.isManaged(), 0);
    // Applying a configuration needs a managed drawing and a node.
    EXPECT_EQ(data.applyConfig(nullptr), 0);
    EXPECT_EQ(LoadedDoc("<pdm/>").data.applyConfig(nullptr), 0);
}

TEST(CDocDataReaderTest, CompanionIsTheDrawingPathWithExtensionQdx) {
    const std::pair<const char*, const char*> cases[] = {
        {"bracket.old.dwg", "bracket.old.qdx"},
        {"part", "part.qdx"},
        {"A-100.DWG", "A-100.qdx"},
        {"sub\\a.dwg", "sub/a.qdx"},  // backslash separators reach the file
    };
    for (const auto& [drawingName, companion] : cases) {
        SCOPED_TRACE(drawingName);
        TempDir dir;
        dir.write(companion, "<pdm/>");
        CDocData data;
        const std::wstring drawing = dir.wpath(drawingName);
        EXPECT_EQ(data.load(anyDatabase(), drawing.c_str(), 1, 1), 1);
        EXPECT_EQ(data.isManaged(), 1);
        EXPECT_EQ(std::wstring(data.getPath().view()), drawing);
    }
}

// Whether the parser takes the text: bad files of every kind, text cut at the first NUL byte,
// and files ending in (or inside) a multi-byte UTF-8 sequence, in the parser's UTF-8 mode (no
// encoding declared) and in its automatic mode.
TEST(CDocDataReaderTest, ParsedTextDecidesWhetherTheDrawingIsManaged) {
    std::string deep, closed = "<pdm><document dm_title=\"A\"/>";
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    for (int i = 0; i < 500; ++i) closed += "<x a=\">\"><!-- <y> --><![CDATA[<z>]]>";
    for (int i = 0; i < 500; ++i) closed += "</x>";
    const std::string nul(1, '\0');
    std::string crowded = "<pdm><document";
    for (int i = 0; i < 200000; ++i) crowded += " a" + std::to_string(i) + "='v'";
    const struct {
        const char* what;
        std::string bytes;
        bool managed;
    } cases[] = {
        {"empty", "", false},
        {"declaration and comment only", "<?xml version=\"1.0\"?>\n<!-- nothing -->\n", false},
        {"truncated", "<pdm><document dm_title=\"P\"><revisions><revision", false},
        {"not closed", "<pdm><document dm_title=\"P\"/>", false},
        {"binary", std::string("\x00\x01\xff\xfe<\x00>\x1a\x80", 9), false},
        {"text only", "just some text", false},
        {"duplicate attribute", "<pdm><document a=\"1\" a=\"2\"/></pdm>", false},
        {"deeply nested", deep, false},
        {"element with too many attributes", crowded + "/></pdm>", false},
        {"deep but closed nesting below the limit", closed + "</pdm>", true},
        {"NUL after the root", "<pdm><document dm_title=\"A\"/></pdm>" + nul + "<<<broken", true},
        {"NUL inside a value", "<pdm><document dm_title=\"A" + nul + "B\"/></pdm>", false},
        {"NUL first", nul + "<pdm/>", false},
        {"UTF-8 lead after the root",
         "<?xml version=\"1.0\"?><pdm><document dm_title=\"A\"/></pdm>\xef", true},
        {"four-byte lead after the root", "<pdm><document dm_title=\"A\"/></pdm>\xf4\x8f", true},
        {"lead in a name", "<?xml version=\"1.0\"?><pdm><doc\xef", false},
        {"lead in text", "<?xml version=\"1.0\"?><pdm><config>x\xf0", false},
        {"lead in a value", "<?xml version=\"1.0\"?><pdm><document dm_title=\"\xe2\x82", false},
        {"lead in a declaration", "<?xml version=\"1\xef", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LoadedDoc l(c.bytes);
        EXPECT_EQ(l.result, 1);
        EXPECT_EQ(l.data.isManaged() != 0, c.managed);
        EXPECT_EQ(l.doc(L"dm_title"), c.managed ? L"A" : L"<absent>");
    }
}

// The input with which fuzzing found the parser reading past the end of the text.
TEST(CDocDataReaderTest, FuzzFindingReadsAsNotManaged) {
    const std::string bytes = pdmtest::readBytes(
        std::string(BRAKON_SOURCE_DIR) +
        "/tests/fuzz_regressions/docdata_reader_fuzzer/utf8_lead_byte_at_end.qdx");
    ASSERT_FALSE(bytes.empty());
    LoadedDoc l(bytes);
    EXPECT_EQ(l.result, 1);
    EXPECT_FALSE(l.data.isManaged());
}

TEST(CDocDataReaderTest, FilesThatAreNoPlainFilesOrBrokenFixturesReadAsNotManaged) {
    TempDir dir;
    std::filesystem::create_directories(dir.path("a.qdx"));
    ASSERT_EQ(::mkfifo(dir.path("b.qdx").c_str(), 0600), 0);
    for (const std::wstring& drawing :
         {dir.wpath("a.dwg"), dir.wpath("b.dwg"), dir.wpath("missing.dwg"),
          pdmtest::fixture("companion_declaration_only.dwg").wstring(),
          pdmtest::fixture("companion_truncated.dwg").wstring()}) {
        CDocData data;
        EXPECT_EQ(data.load(anyDatabase(), drawing.c_str(), 1, 1), 1);
        EXPECT_EQ(data.isManaged(), 0) << pdmtest::narrow(drawing);
    }
    // A settings path naming an endless device leaves the settings unloaded.
    LoadedDoc l("<pdm><config>/dev/zero</config></pdm>");
    EXPECT_EQ(l.data.isManaged(), 1);
    EXPECT_EQ(l.data.configPath(), L"/dev/zero");
    EXPECT_EQ(l.data.getSettings().GetTitleBlockNames()->GetAt(0), L"AMTITLE");
}

TEST(CDocDataReaderTest, LineEndsOfEveryKindReadAlike) {
    const std::pair<const char*, std::string> cases[] = {
        {"LF", "<pdm>\n<config>\n  s.ini\n</config>\n<document dm_title=\"A\nB\"/>\n</pdm>\n"},
        {"CR LF",
         "<pdm>\r\n<config>\r\n  s.ini\r\n</config>\r\n<document dm_title=\"A\r\nB\"/></pdm>\r\n"},
        {"CR", "<pdm>\r<config>\r  s.ini\r</config>\r<document dm_title=\"A\rB\"/>\r</pdm>\r"},
        {"CR CR LF",
         "<pdm>\r\r\n<config>\r\r\n  s.ini\r\r\n</config><document dm_title=\"A\r\nB\"/></pdm>"},
    };
    for (const auto& [name, qdx] : cases) {
        SCOPED_TRACE(name);
        LoadedDoc l(qdx);
        EXPECT_TRUE(l.data.isManaged());
        EXPECT_EQ(std::wstring(l.data.configPath().view()), L"s.ini");
        // Every kind of line end inside an attribute value arrives as LF.
        EXPECT_EQ(l.doc(L"dm_title"), L"A\nB");
    }
}

TEST(CDocDataReaderTest, ElementSelectionRules) {
    LoadedDoc l(
        "<?xml version=\"1.0\"?>\n<!-- PDM -->\n<anything>\n"
        "  <Settings autocad.multilayout=\"9\"/>\n"
        "  <settings autocad.revision.count=\"3\" a=\"1\" a2=\"x\"/>\n"
        "  <settings autocad.revision.count=\"5\"/>\n"
        "  <document dm_title=\"P-100\" z=\"last\" b=\"&amp;\">\n"
        "    <revisions><revision dm_revisionno=\"1\"/><other/>revision<revision "
        "dm_revisionno=\"2\" dm_comment=\"c\"/><revision/></revisions>\n"
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
    EXPECT_EQ(l.doc(L"dm_title"), L"P-100");
    EXPECT_EQ(l.doc(L"b"), L"&");
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
    LoadedDoc l("<pdm><document n=\"\xE4\xF6\xFC\" u=\"\xC3\xA4\" \xE4=\"key\"/></pdm>");
    EXPECT_EQ(l.doc(L"n"), L"\u00e4\u00f6\u00fc");
    EXPECT_EQ(l.doc(L"u"), L"\u00c3\u00a4");
    EXPECT_EQ(l.doc(L"\u00e4"), L"key");
}

TEST(CDocDataReaderTest, ConfigTextNamesTheSettingsFile) {
    TempDir dir;
    const std::string ini = dir.write("brakon.ini", "[TITLE_BLOCK]\n1=schriftfeld\n").string();
    const struct {
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
        SCOPED_TRACE(c.what);
        LoadedDoc l("<pdm>" + c.config + "<document dm_title=\"T\"/></pdm>");
        ASSERT_EQ(l.data.isManaged(), 1);
        const CStringArray* names = l.data.getSettings().GetTitleBlockNames();
        ASSERT_EQ(names->GetSize(), 1);
        EXPECT_EQ((*names)[0], c.loaded ? L"SCHRIFTFELD" : L"AMTITLE");
        EXPECT_EQ(std::string(CStringA(l.data.configPath())), c.loaded ? ini : std::string());
    }
}

TEST(CDocDataReaderTest, RepeatedLoadKeepsFirstValuesAndAppends) {
    LoadedDoc l(
        "<pdm><document v=\"1\"><revisions><revision/></revisions></document>"
        "<relations><relation/></relations></pdm>");
    const std::wstring drawing = l.dir.wpath("a.dwg");
    l.dir.write("a.qdx",
                "<pdm><document v=\"2\" w=\"new\"><revisions><revision/></revisions>"
                "</document><relations><relation/></relations></pdm>");
    l.data.load(anyDatabase(), drawing.c_str(), 1, 1);
    EXPECT_EQ(l.doc(L"v"), L"1");
    EXPECT_EQ(l.doc(L"w"), L"new");
    EXPECT_EQ(l.data.document().revisions.size(), 2u);
    EXPECT_EQ(l.data.relations().size(), 2u);
    // Once managed, always managed, even when the next companion file is gone.
    std::filesystem::remove(l.dir.path("a.qdx"));
    l.data.load(anyDatabase(), drawing.c_str(), 1, 1);
    EXPECT_EQ(l.data.isManaged(), 1);
}

TEST(CDocDataReaderTest, PathOverTheLimitOffersTheDrawingItself) {
    TempDir dir;
    std::string deep;
    while (deep.size() < 300) deep += "folder_with_a_long_name/";
    const std::string xml = "<pdm><document dm_title=\"from the drawing\"/></pdm>";
    dir.write(deep + "a.qdx", xml);
    CDocData data;
    const std::wstring drawing = dir.wpath(deep + "a.dwg");
    EXPECT_EQ(data.load(anyDatabase(), drawing.c_str(), 1, 1), 1);
    EXPECT_EQ(data.isManaged(), 0);
    // The drawing file is what the parser gets: shown with a drawing that happens to be XML.
    dir.write(deep + "a.dwg", xml);
    data.load(anyDatabase(), drawing.c_str(), 1, 1);
    EXPECT_EQ(prop(data.document().properties, L"dm_title"), L"from the drawing");
}

TEST(CDocDataReaderTest, HugeCompanionFileLoads) {
    std::string xml = "<pdm><document dm_title=\"P\"><revisions>";
    for (int i = 0; i < 100000; ++i)
        xml += "<revision dm_revisionno=\"" + std::to_string(i) + "\" dm_comment=\"text\"/>";
    xml += "</revisions></document><relations>";
    for (int i = 0; i < 100000; ++i)
        xml += "<relation dm_title=\"P/L" + std::to_string(i) + "\" x=\"" + std::string(100, 'x') +
               "\"/>";
    LoadedDoc l(xml + "</relations></pdm>");
    EXPECT_EQ(l.data.document().revisions.size(), 100000u);
    DocumentRecord found;
    EXPECT_TRUE(l.data.findRelation(found, L"l99999"));
}

TEST(CDocDataReaderTest, Cp1252FixtureLoadsWithItsSettings) {
    // The fixture names its settings file relative to the current folder.
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(pdmtest::fixture(""));
    CDocData data;
    EXPECT_EQ(
        data.load(anyDatabase(), pdmtest::fixture("companion_cp1252.dwg").wstring().c_str(), 1, 1),
        1);
    std::filesystem::current_path(old);
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

}  // namespace
