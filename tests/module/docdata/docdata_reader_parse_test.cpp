// The companion file reader hands the parser the file's text itself: the text must read as the
// parser's own file loader would read it (line ends, a NUL byte, an empty file), and a file
// that ends inside a UTF-8 sequence must not lead the parser past the end of its text.
#include "docdata/docdata.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "module/docdata/pdm_test_files.h"

namespace {

using pdmtest::TempDir;

struct Loaded {
    TempDir dir;
    CDocData data;
    int result;
    explicit Loaded(const std::string& qdx) {
        dir.write("a.qdx", qdx);
        result = data.load(pdmtest::anyDatabase(), pdmtest::wide(dir.path("a.dwg")).c_str(), 0, 0);
    }
    std::wstring title() const {
        auto it = data.document().properties.find(L"dm_title");
        return it == data.document().properties.end() ? L"<absent>" : it->second;
    }
};

TEST(CDocDataReaderParseTest, LineEndsOfEveryKindReadAlike) {
    const struct {
        const char* name;
        std::string qdx;
    } cases[] = {
        {"LF", "<pdm>\n<config>\n  s.ini\n</config>\n<document dm_title=\"A\nB\"/>\n</pdm>\n"},
        {"CR LF",
         "<pdm>\r\n<config>\r\n  s.ini\r\n</config>\r\n<document "
         "dm_title=\"A\r\nB\"/>\r\n</pdm>\r\n"},
        {"CR", "<pdm>\r<config>\r  s.ini\r</config>\r<document dm_title=\"A\rB\"/>\r</pdm>\r"},
        {"CR CR LF",
         "<pdm>\r\r\n<config>\r\r\n  s.ini\r\r\n</config><document dm_title=\"A\r\nB\"/></pdm>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded loaded(c.qdx);
        EXPECT_EQ(loaded.result, 1);
        EXPECT_TRUE(loaded.data.isManaged());
        EXPECT_EQ(std::wstring(loaded.data.configPath().view()), L"s.ini");
        // Every kind of line end inside an attribute value arrives as LF.
        EXPECT_EQ(loaded.title(), L"A\nB");
    }
}

TEST(CDocDataReaderParseTest, TextEndsAtTheFirstNulByte) {
    Loaded cut(std::string("<pdm><document dm_title=\"A\"/></pdm>\0<<<broken", 45));
    EXPECT_TRUE(cut.data.isManaged());
    EXPECT_EQ(cut.title(), L"A");

    Loaded inside(std::string("<pdm><document dm_title=\"A\0B\"/></pdm>", 37));
    EXPECT_FALSE(inside.data.isManaged());

    Loaded first(std::string("\0<pdm/>", 7));
    EXPECT_EQ(first.result, 1);
    EXPECT_FALSE(first.data.isManaged());
}

TEST(CDocDataReaderParseTest, EmptyFileIsNotManaged) {
    Loaded empty("");
    EXPECT_EQ(empty.result, 1);
    EXPECT_FALSE(empty.data.isManaged());
}

// Each ends in (or inside) a lead byte of a multi-byte sequence, in the parser's UTF-8 mode (no
// encoding declared) and in its automatic mode.
TEST(CDocDataReaderParseTest, FileEndingInsideAUtf8SequenceStopsThere) {
    const struct {
        const char* name;
        std::string qdx;
        bool managed;
    } cases[] = {
        {"after the root", "<?xml version=\"1.0\"?><pdm><document dm_title=\"A\"/></pdm>\xef",
         true},
        {"four-byte lead after the root", "<pdm><document dm_title=\"A\"/></pdm>\xf4\x8f", true},
        {"in a name", "<?xml version=\"1.0\"?><pdm><doc\xef", false},
        {"in text", "<?xml version=\"1.0\"?><pdm><config>x\xf0", false},
        {"in a value", "<?xml version=\"1.0\"?><pdm><document dm_title=\"\xe2\x82", false},
        {"in a declaration", "<?xml version=\"1\xef", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded loaded(c.qdx);
        EXPECT_EQ(loaded.result, 1);
        EXPECT_EQ(loaded.data.isManaged() != 0, c.managed);
        if (c.managed) {
            EXPECT_EQ(loaded.title(), L"A");
        }
    }
}

// The input with which fuzzing found the parser reading past the end of the text.
TEST(CDocDataReaderParseTest, FuzzFindingReadsAsNotManaged) {
    std::ifstream in(std::string(BRAKON_SOURCE_DIR) +
                         "/tests/fuzz_regressions/docdata_reader_fuzzer/utf8_lead_byte_at_end.qdx",
                     std::ios::binary);
    ASSERT_TRUE(in);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Loaded loaded(bytes);
    EXPECT_EQ(loaded.result, 1);
    EXPECT_FALSE(loaded.data.isManaged());
}

}  // namespace
