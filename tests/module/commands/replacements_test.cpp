// readReplacements on replacements files of every shape, and the choice findReplacement makes
// for one reference.
#include "commands/replacements.h"

#include <gtest/gtest.h>
#include <testing_input.h>

#include <string>
#include <utility>
#include <vector>

#include "module/docdata/pdm_test_files.h"

namespace {

using cadhost::testing::InputSession;
using ScratchFolder = pdmtest::TempDir;
using Entries = std::vector<std::pair<std::wstring, std::wstring>>;

Entries entriesOf(const CReplacementTable& table) { return Entries(table.begin(), table.end()); }

Entries readFile(const std::string& bytes) {
    ScratchFolder dir;
    pdmtest::writeBytes(dir.root() / "r.txt", bytes);
    CReplacementTable table;
    const std::size_t count = readReplacements(table, dir.wpath("r.txt").c_str());
    EXPECT_EQ(count, table.size());
    return entriesOf(table);
}

TEST(ReadReplacementsTest, LinesBecomeEntriesInKeyOrder) {
    const struct {
        const char* name;
        std::string bytes;
        Entries entries;
    } cases[] = {
        {"CR LF", "C:\\o\\a=C:\\n\\a\r\nb=c\r\n", {{L"C:\\o\\a", L"C:\\n\\a"}, {L"b", L"c"}}},
        {"LF, no line end at the end", "b=c\nA=d", {{L"A", L"d"}, {L"b", L"c"}}},
        {"blank lines give one empty entry", "\r\n\r\nb=c\r\n\r\n", {{L"", L""}, {L"b", L"c"}}},
        // A line without = is an empty key with the line as value; later ones are dropped.
        {"no =", "first line\r\nb=c\r\nsecond line\r\n\r\n", {{L"", L"first line"}, {L"b", L"c"}}},
        {"first key wins", "k=1\r\nk=2\r\n", {{L"k", L"1"}}},
        {"case sensitive keys", "k=lower\r\nK=upper\r\n", {{L"K", L"upper"}, {L"k", L"lower"}}},
        {"cut at the first =", "a==b=c\r\n", {{L"a", L"=b=c"}}},
        {"nothing trimmed", " a.dwg = b.dwg \t\r\n", {{L" a.dwg ", L" b.dwg \t"}}},
        {"empty value", "a.dwg=\r\n", {{L"a.dwg", L""}}},
        {"a lone CR stays in the text", "a=b\rc=d\r\n", {{L"a", L"b\rc=d"}}},
        {"code page 1252", "M\xfc.dwg=\x80\xdf.dwg\r\n", {{L"M\u00fc.dwg", L"\u20ac\u00df.dwg"}}},
        {"Ctrl-Z ends a text file", "a=b\r\n\x1az=d\r\n", {{L"a", L"b"}}},
        {"empty file", "", {}},
        {"binary bytes kept as characters, NUL included",
         std::string("k\0ey=va\0lue\r\n", 13) + "\x01\x02\x7f=\xff\xfe\r\n",
         {{L"\x01\x02\x7f", L"\u00ff\u00fe"},
          {std::wstring(L"k\0ey", 4), std::wstring(L"va\0lue", 6)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readFile(c.bytes), c.entries);
    }
}

TEST(ReadReplacementsTest, HugeLinesAreReadWhole) {
    const std::string key(300000, 'k');
    const std::string value(700000, 'v');
    const Entries got = readFile(key + "=" + value + "\r\nb=c\r\n");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].first.size(), key.size());
    EXPECT_EQ(got[1].second.size(), value.size());
}

TEST(ReadReplacementsTest, AddsToAFilledTableAndReturnsItsSize) {
    ScratchFolder dir;
    pdmtest::writeBytes(dir.root() / "r.txt", "a=new\r\nb=c\r\n");
    CReplacementTable table{{L"a", L"kept"}};
    EXPECT_EQ(readReplacements(table, dir.wpath("r.txt").c_str()), 2u);
    EXPECT_EQ(entriesOf(table), (Entries{{L"a", L"kept"}, {L"b", L"c"}}));
}

TEST(ReadReplacementsTest, FileThatCannotBeOpenedAddsNothingQuietly) {
    ScratchFolder dir;
    std::filesystem::create_directories(dir.root() / "folder");
    for (const std::wstring& path :
         {dir.wpath("missing.txt"), dir.wpath("folder"), std::wstring()}) {
        InputSession session;
        CReplacementTable table;
        EXPECT_EQ(readReplacements(table, path.c_str()), 0u);
        EXPECT_EQ(session.commandLine(), L"");
    }
    CReplacementTable table;
    EXPECT_EQ(readReplacements(table, nullptr), 0u);
}

TEST(FindReplacementTest, Table) {
    const std::wstring drawing = L"/p/asm/top.dwg";
    const CReplacementTable simple{{L"/old/a.dwg", L"/new/a.dwg"}};
    const std::wstring none, nulKey(L"a.dwg\0x", 7);  // matches only whole
    const struct {
        const char* name;
        CReplacementTable table;
        bool fullPaths;
        std::wstring reference;
        std::wstring newPath;  // empty: no replacement
    } cases[] = {
        {"full path matches", simple, true, L"/old/a.dwg", L"/new/a.dwg"},
        {"full path, other letter case", simple, true, L"/OLD/A.DWG", L"/new/a.dwg"},
        {"full path, other folder", simple, true, L"/other/a.dwg", none},
        {"separators as written", {{L"\\old\\a.dwg", L"/new/a.dwg"}}, true, L"/old/a.dwg", none},
        {"names: any folder", simple, false, L"/other/a.dwg", L"/new/a.dwg"},
        {"names: letter case ignored", simple, false, L"/other/A.DWG", L"/new/a.dwg"},
        {"names: other name", simple, false, L"/old/b.dwg", none},
        {"no bracket number", {{L"/old/a[1].dwg", L"/new/a.dwg"}}, false, L"/x/a.dwg", none},
        {"key is value", {{L"/old/a.dwg", L"/OLD/A.dwg"}}, true, L"/old/a.dwg", none},
        {"equal key and value skipped, next key used",
         {{L"/old/A.dwg", L"/OLD/a.dwg"}, {L"/old/a.dwg", L"/new/a.dwg"}},
         true,
         L"/old/a.dwg",
         L"/new/a.dwg"},
        {"key is drawing", {{L"/p/asm/TOP.dwg", L"/new/top.dwg"}}, true, L"/p/asm/top.dwg", none},
        {"drawing by name", {{L"/p/asm/top.dwg", L"/new/top.dwg"}}, false, L"/q/top.dwg", none},
        {"bare name", {{L"top.dwg", L"/new/top.dwg"}}, false, L"/q/top.dwg", L"/new/top.dwg"},
        {"first key by code units: upper case before lower case",
         {{L"/old/a.dwg", L"/new/lower.dwg"}, {L"/old/A.dwg", L"/new/upper.dwg"}},
         true,
         L"/old/a.dwg",
         L"/new/upper.dwg"},
        {"names: already pointing at the full value", simple, false, L"/new/a.dwg", none},
        {"already bare value", {{L"/old/a.dwg", L"A.dwg"}}, false, L"/x/a.dwg", none},
        {"empty key never matches", {{L"", L"/new/a.dwg"}}, false, L"/p/dir/", none},
        {"empty table", {}, true, L"/old/a.dwg", none},
        {"key with NUL, full paths", {{nulKey, L"/new/b.dwg"}}, true, L"a.dwg", none},
        {"key with NUL, names", {{nulKey, L"/new/b.dwg"}}, false, L"/q/a.dwg", none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring newPath;
        EXPECT_EQ(findReplacement(drawing, c.table, c.fullPaths, c.reference, newPath),
                  !c.newPath.empty());
        if (!c.newPath.empty()) {
            EXPECT_EQ(newPath, c.newPath);
        }
    }
}

}  // namespace
