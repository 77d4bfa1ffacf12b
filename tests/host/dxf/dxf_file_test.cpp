// Tests of the file structure scan: what is refused and why, the header values it picks up,
// and writing back byte for byte (also for every drawing of the shared corpus).
#include "dxf/dxf_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace cadhost::dxf {
namespace {

std::string minimal(const std::string& version = "AC1015", const std::string& eol = "\n") {
    std::string s = "  0|SECTION|  2|HEADER|  9|$ACADVER|  1|" + version +
                    "|  9|$HANDSEED|  5|2A|  9|$TILEMODE| 70|     0|  0|ENDSEC|"
                    "  0|SECTION|  2|TABLES|  0|TABLE|  2|APPID|  5|9|330|0|100|AcDbSymbolTable| 70|1|"
                    "  0|APPID|  5|12|330|9|100|AcDbSymbolTableRecord|100|AcDbRegAppTableRecord|  2|ACAD| 70|0|"
                    "  0|ENDTAB|  0|ENDSEC|  0|SECTION|  2|ENTITIES|"
                    "  0|LINE|  5|1F|102|{ACAD_REACTORS|330|99|102|}|330|1F0|100|AcDbEntity|  8|0|1001|APP|1000|x|"
                    "  0|ENDSEC|  0|EOF|";
    std::string out;
    for (char c : s) {
        if (c == '|') out += eol;
        else out += c;
    }
    return out;
}

std::unique_ptr<DxfFile> parseText(const std::string& text, LoadError& error, std::string& message) {
    return DxfFile::parse(text, "t.dxf", error, message);
}

std::string written(const DxfFile& f) {
    std::string out;
    f.write([&](std::string_view s) { out.append(s); });
    return out;
}

TEST(ParseHandleTest, AcceptsHexWithBlanksAroundAndRejectsTheRest) {
    struct Case {
        const char* text;
        bool ok;
        std::uint64_t value;
    } cases[] = {
        {"1F", true, 0x1F},           {"  1f ", true, 0x1F},       {"0", true, 0},
        {"aBcDeF09", true, 0xABCDEF09}, {"FFFFFFFFFFFFFFFF", true, 0xFFFFFFFFFFFFFFFFull},
        {"", false, 0},               {"   ", false, 0},           {"1G", false, 0},
        {"-1", false, 0},             {"1 2", false, 0},           {"\t1", false, 0},
        {"10000000000000000", false, 0}, {"0x1", false, 0},         {"1F\xC3\xA4", false, 0},
        {"/", false, 0},              {":", false, 0},             {"@", false, 0},
        {"`", false, 0},              {"g", false, 0},             {"\x80", false, 0},
    };
    for (const Case& c : cases) {
        std::uint64_t value = 7;
        EXPECT_EQ(parseHandle(c.text, value), c.ok) << '"' << c.text << '"';
        EXPECT_EQ(value, c.ok ? c.value : 7u) << '"' << c.text << "\" leaves the value alone when refused";
    }
}

TEST(DxfFileTest, ScansHeaderValuesAndObjectRecords) {
    LoadError error;
    std::string message;
    auto f = parseText(minimal(), error, message);
    ASSERT_TRUE(f) << message;
    EXPECT_EQ(f->versionNumber(), 1015);
    EXPECT_EQ(f->handseed(), 0x2Au);
    EXPECT_FALSE(f->tilemode());
    EXPECT_EQ(f->maxHandle(), 0x1Fu);
    DbStub* line = f->findHandle(0x1F);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(f->typeName(line->type), "LINE");
    EXPECT_EQ(line->owner, 0x1F0u) << "the owner is the 330 outside the reactor group";
    EXPECT_EQ(line->section, static_cast<std::uint8_t>(Section::kEntities));
    EXPECT_EQ(f->objectText(*line).substr(line->xdata, 9), "1001\nAPP\n");
    EXPECT_EQ(f->findHandle(0x12)->owner, 9u);
    EXPECT_EQ(f->findHandle(0x99), nullptr);
    EXPECT_FALSE(f->format().padCodes == false);
    EXPECT_EQ(f->format().eol, "\n");
}

TEST(DxfFileTest, DetectsLineEndsAndCodePadding) {
    LoadError error;
    std::string message;
    auto crlf = parseText(minimal("AC1032", "\r\n"), error, message);
    ASSERT_TRUE(crlf) << message;
    EXPECT_EQ(crlf->format().eol, "\r\n");
    std::string unpadded = minimal();
    for (std::size_t p; (p = unpadded.find("  0\n")) != std::string::npos;) unpadded.replace(p, 4, "0\n");
    auto f = parseText(unpadded, error, message);
    ASSERT_TRUE(f) << message;
    EXPECT_FALSE(f->format().padCodes);
}

TEST(DxfFileTest, RefusesWhatIsNotAsciiDxfR2000ToR2018) {
    std::string good = minimal();
    struct Case {
        std::string text;
        LoadError error;
        std::string message;
    } cases[] = {
        {"", LoadError::kBad, "t.dxf: empty file, not a DXF file"},
        {std::string("AutoCAD Binary DXF\r\n\x1a\0", 22) + "xx", LoadError::kBinaryDxf,
         "t.dxf: binary DXF is not supported (only ASCII DXF R2000 to R2018)"},
        {std::string("AC1032\0\0\0\x1f", 10), LoadError::kDwg,
         "t.dxf: a binary DWG drawing, not a DXF file (only ASCII DXF R2000 to R2018 is supported)"},
        {minimal("AC1009"), LoadError::kObsolete, "t.dxf: DXF version AC1009 is older than R2000 (AC1015) and not supported"},
        {minimal("AC1012"), LoadError::kObsolete, "t.dxf: DXF version AC1012 is older than R2000 (AC1015) and not supported"},
        {minimal("AC1040"), LoadError::kUnsupported, "t.dxf: DXF version \"AC1040\" is not supported (only R2000 AC1015 to R2018 AC1032)"},
        {minimal("AC1019"), LoadError::kUnsupported, "t.dxf: DXF version \"AC1019\" is not supported (only R2000 AC1015 to R2018 AC1032)"},
        {good.substr(0, good.size() - 8), LoadError::kBad, "t.dxf: no EOF at the end (file truncated)"},
        {good.substr(0, good.size() - 4), LoadError::kBad, "t.dxf: group code at line 79 has no value (file truncated)"},
        {"hello world\nthis is text\n", LoadError::kBad, "t.dxf: invalid group code \"hello world\" at line 1"},
        {"  1\nx\n", LoadError::kBad, "t.dxf: expected group code 0 at line 1, not a DXF file"},
        {"  0\nSECTION\n  2\nHEADER\n  0\nSECTION\n  2\nTABLES\n", LoadError::kBad,
         "t.dxf: SECTION at line 5 inside another section (missing ENDSEC)"},
        {"  0\nENDSEC\n", LoadError::kBad, "t.dxf: ENDSEC without SECTION at line 1"},
        {"  0\nLINE\n", LoadError::kBad, "t.dxf: \"LINE\" outside any section at line 1"},
        {"  0\nSECTION\n  0\nENDSEC\n", LoadError::kBad, "t.dxf: SECTION without a name at line 3"},
        {"  0\nSECTION\n  2\nHEADER\n  0\nEOF\n", LoadError::kBad, "t.dxf: EOF at line 5 inside a section (missing ENDSEC)"},
        {"  0\nEOF\n", LoadError::kObsolete, "t.dxf: no $ACADVER in the header: DXF older than R2000 is not supported"},
        {std::string("  0\nSECTION\n  2\nHE\0DER\n", 24), LoadError::kBad, "t.dxf: binary data, not an ASCII DXF file"},
    };
    for (const Case& c : cases) {
        LoadError error = LoadError::kNone;
        std::string message;
        EXPECT_EQ(parseText(c.text, error, message), nullptr) << c.message;
        EXPECT_EQ(error, c.error) << c.message;
        EXPECT_EQ(message, c.message);
    }
}

TEST(DxfFileTest, RefusesBadHandles) {
    std::string text = minimal();
    text.replace(text.find("  5\n1F\n"), 7, "  5\nZZ\n");
    LoadError error;
    std::string message;
    EXPECT_EQ(parseText(text, error, message), nullptr);
    EXPECT_EQ(message, "t.dxf: invalid handle \"ZZ\" at line 59");
}

TEST(DxfFileTest, ARepeatedHandleFindsTheFirstObject) {
    std::string text = minimal();
    std::size_t at = text.find("  0\nENDSEC\n  0\nEOF");
    text.insert(at, "  0\nPOINT\n  5\n1F\n  0\nPOINT\n  5\n1\n");
    LoadError error;
    std::string message;
    auto f = parseText(text, error, message);
    ASSERT_TRUE(f) << message;
    EXPECT_EQ(f->typeName(f->findHandle(0x1F)->type), "LINE");
    EXPECT_EQ(f->typeName(f->findHandle(0x1)->type), "POINT");
    EXPECT_EQ(written(*f), text) << "kept as read, not repaired";
}

// Lookups by handle must find exactly the first object of each handle, however the file orders
// them: runs of ascending handles, handles dense from 1 or spread far apart, repeats.
TEST(DxfFileTest, FindsEveryHandleWhateverTheOrderAndSpread) {
    struct Case {
        const char* name;
        std::vector<std::uint64_t> handles;
    } cases[] = {
        {"runs", {0x40, 0x41, 0x42, 0x30, 0x31, 0x50, 0x20, 0x43, 0x44, 0x21}},
        {"descending", {0x49, 0x48, 0x47, 0x46, 0x45, 0x44, 0x43, 0x42}},
        {"repeats", {0x30, 0x31, 0x30, 0x1F, 0x31, 0x32, 0x12}},
        {"sparse", {0xFFFFFFFF00, 0x30, 0xFFFFFFFFFF, 0x7000000000, 0x30, 0x31, 0x1F}},
    };
    for (const Case& c : cases) {
        std::string text = minimal();
        std::string objects;
        for (std::uint64_t h : c.handles) {
            char hex[24];
            std::snprintf(hex, sizeof hex, "%llX", static_cast<unsigned long long>(h));
            objects += std::string("  0\nPOINT\n  5\n") + hex + "\n";
        }
        text.insert(text.find("  0\nENDSEC\n  0\nEOF"), objects);
        LoadError error;
        std::string message;
        auto f = parseText(text, error, message);
        ASSERT_TRUE(f) << c.name << ": " << message;
        for (std::uint64_t h : c.handles) {
            const DbStub* first = nullptr;
            for (const DbStub& r : f->records())
                if (r.handle == h) {
                    first = &r;
                    break;
                }
            EXPECT_EQ(f->findHandle(h), first) << c.name << " " << std::hex << h;
        }
        EXPECT_EQ(f->findHandle(0x33), nullptr) << c.name;
        EXPECT_EQ(f->findHandle(0xFFFFFFFFFE), nullptr) << c.name;
        DbStub& added = f->insertBefore(*f->findHandle(0x1F), "  0\nPOINT\n", f->internType("POINT"), Section::kEntities);
        added.handle = f->maxHandle() + 1;
        f->addHandle(added);
        EXPECT_EQ(f->findHandle(added.handle), &added) << c.name;
        EXPECT_EQ(f->maxHandle(), added.handle) << c.name;
    }
}

TEST(DxfFileTest, LoadNamesAMissingFile) {
    LoadError error;
    std::string message;
    EXPECT_EQ(DxfFile::load("/nonexistent/dir/a.dxf", error, message), nullptr);
    EXPECT_EQ(error, LoadError::kNotFound);
    EXPECT_EQ(message, "/nonexistent/dir/a.dxf: No such file or directory");
    EXPECT_EQ(DxfFile::load("/tmp", error, message), nullptr);
    EXPECT_EQ(error, LoadError::kAccess);
}

TEST(DxfFileTest, LargeFilesReadWholeFromDisk) {
    // Large files are read in parts at once: every byte must land where it belongs, also with an
    // odd size and a record across the middle.
    std::string text = minimal();
    const std::string line = "  0|LINE|  5|%X|330|1F0|100|AcDbEntity|  8|0|100|AcDbLine| 10|1.5| 20|2.5| 30|0.0|";
    std::string body;
    char buffer[200];
    for (unsigned handle = 0x100; body.size() < (17u << 20); ++handle) {
        std::snprintf(buffer, sizeof buffer, line.c_str(), handle);
        for (const char* c = buffer; *c; ++c) body += *c == '|' ? '\n' : *c;
    }
    body += "999\nodd\n";
    const std::size_t at = text.find("  0\nENDSEC\n  0\nEOF");
    text.insert(at, body);
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "dxf_file_test_large.dxf";
    std::ofstream(path, std::ios::binary) << text;
    LoadError error;
    std::string message;
    auto f = DxfFile::load(path.string(), error, message);
    std::filesystem::remove(path);
    ASSERT_TRUE(f) << message;
    EXPECT_TRUE(f->text() == text);
    EXPECT_GT(f->records().size(), 200000u);
}

TEST(DxfFileTest, WritesBackByteForByteKeepingCommentsAndTrailingData) {
    for (std::string text : {minimal(), minimal("AC1032", "\r\n"), "999\ndxfrw 0.6.3\n" + minimal(),
                             "\xEF\xBB\xBF" + minimal(), minimal() + "trailing junk\n", minimal().substr(0, minimal().size() - 1)}) {
        LoadError error;
        std::string message;
        auto f = parseText(text, error, message);
        ASSERT_TRUE(f) << message;
        EXPECT_EQ(written(*f), text);
    }
}

TEST(DxfFileTest, EditedAndNewObjectsAreWrittenInPlace) {
    LoadError error;
    std::string message;
    auto f = parseText(minimal(), error, message);
    ASSERT_TRUE(f) << message;
    DbStub* line = f->findHandle(0x1F);
    f->setObjectText(*line, "  0\nLINE\n  5\n1F\n");
    EXPECT_EQ(line->xdata, 0u);
    DbStub& added = f->insertBefore(*line, "  0\nPOINT\n  5\n2A\n", f->internType("POINT"), Section::kEntities);
    added.handle = 0x2A;
    f->addHandle(added);
    EXPECT_EQ(f->findHandle(0x2A), &added);
    std::string expected = minimal();
    std::size_t at = expected.find("  0\nLINE");
    std::size_t end = expected.find("  0\nENDSEC", at);
    expected.replace(at, end - at, "  0\nPOINT\n  5\n2A\n  0\nLINE\n  5\n1F\n");
    EXPECT_EQ(written(*f), expected);
    EXPECT_TRUE(f->modified());
    line->flags |= DbStub::kErased;
    expected.erase(expected.find("  0\nLINE\n  5\n1F\n"), 16);
    EXPECT_EQ(written(*f), expected);
}

TEST(DxfFileCorpusTest, EveryCorpusDrawingRoundTripsByteForByte) {
    std::filesystem::path dir = BRAKON_CORPUS_DIR;
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".dxf") continue;
        ++files;
        LoadError error;
        std::string message;
        auto f = DxfFile::load(entry.path().string(), error, message);
        ASSERT_TRUE(f) << message;
        std::string out = written(*f);
        if (out != f->text()) {
            std::size_t i = 0;
            while (i < out.size() && i < f->text().size() && out[i] == f->text()[i]) ++i;
            ADD_FAILURE() << entry.path() << " differs from byte " << i;
        }
    }
    EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace cadhost::dxf
