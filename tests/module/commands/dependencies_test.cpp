// collectDependencies over trees of drawings on disk: order, names or full paths, missing and
// unreadable drawings, cycles, and a host failure in one drawing of the tree.
#include <gtest/gtest.h>
#include <testing_db.h>
#include <testing_input.h>

#include <string>
#include <utility>
#include <vector>

#include "commands/commands.h"
#include "module/drawing/drawing_test_support.h"

namespace {

using namespace updatetest;
using pdmtest::strings;
using pdmtest::writeBytes;
using ScratchFolder = pdmtest::TempDir;
using Paths = std::vector<std::wstring>;

struct Collected {
    std::int64_t count;
    Paths list;
    std::wstring commandLine;
};

Collected collect(const std::wstring& top, bool fullPaths, bool traverse) {
    InputSession session;
    CStringArray list;
    const std::int64_t count = collectDependencies(list, top.c_str(), fullPaths, traverse);
    return {count, strings(list), session.commandLine()};
}

TEST(CollectDependenciesTest, FirstLevelGivesResolvedPathsOrFileNames) {
    ScratchFolder dir;
    // Stored paths as Windows writes them resolve against the drawing's own folder.
    writeDrawing(dir.wpath("asm/top.dwg"),
                 {L"left.dwg", L"..\\parts\\.\\right.dwg", L"/abs/x.dwg"});
    writeDrawing(dir.wpath("asm/left.dwg"), {L"deeper.dwg"});
    const Collected full = collect(dir.wpath("asm/top.dwg"), true, false);
    EXPECT_EQ(full.count, 3);
    EXPECT_EQ(full.list,
              (Paths{dir.wpath("asm/left.dwg"), dir.wpath("parts/right.dwg"), L"/abs/x.dwg"}));
    const Collected names = collect(dir.wpath("asm/top.dwg"), false, false);
    EXPECT_EQ(names.list, (Paths{L"left.dwg", L"right.dwg", L"x.dwg"}));
}

// Trees walked with names: each case writes its drawings into a fresh folder ("broken.dwg" gets
// bytes that are no drawing) and walks from top.dwg. cycleAt names the drawing whose second
// visit is reported, if any.
TEST(CollectDependenciesTest, TraversalOrderMissingDrawingsAndCycles) {
    const struct {
        const char* what;
        std::vector<std::pair<std::string, Paths>> drawings;
        Paths expected;
        const char* cycleAt = nullptr;
    } cases[] = {
        {"no references", {{"top.dwg", {}}}, {}},
        {"depth first, each drawing's references together",
         {{"top.dwg", {L"a.dwg", L"b.dwg"}},
          {"a.dwg", {L"c.dwg"}},
          {"c.dwg", {L"d.dwg"}},
          {"b.dwg", {L"e.dwg"}}},
         {L"a.dwg", L"b.dwg", L"c.dwg", L"d.dwg", L"e.dwg"}},
        {"a drawing shared by two branches is walked under each, no cycle",
         {{"top.dwg", {L"left.dwg", L"parts\\right.dwg"}},
          {"left.dwg", {L"parts\\base.dwg"}},
          {"parts/right.dwg", {L"base.dwg"}},
          {"parts/base.dwg", {L"leaf.dwg"}}},
         {L"left.dwg", L"right.dwg", L"base.dwg", L"leaf.dwg", L"base.dwg", L"leaf.dwg"}},
        {"missing and unreadable drawings are listed but add nothing",
         {{"top.dwg", {L"missing.dwg", L"broken.dwg", L"a.dwg"}}, {"a.dwg", {L"b.dwg"}}},
         {L"missing.dwg", L"broken.dwg", L"a.dwg", L"b.dwg"}},
        {"a cycle below the top is cut where it closes",
         {{"top.dwg", {L"a.dwg"}}, {"a.dwg", {L"b.dwg"}}, {"b.dwg", {L"a.dwg", L"c.dwg"}}},
         {L"a.dwg", L"b.dwg", L"a.dwg", L"c.dwg"},
         "a.dwg"},
        // A self reference is found whatever the spelling of its path.
        {"bare name", {{"top.dwg", {L"top.dwg"}}}, {L"top.dwg"}, "top.dwg"},
        {"dot folder", {{"top.dwg", {L".\\top.dwg"}}}, {L"top.dwg"}, "top.dwg"},
        {"through a sibling folder", {{"top.dwg", {L"..\\d\\top.dwg"}}}, {L"top.dwg"}, "top.dwg"},
        {"forward slashes", {{"top.dwg", {L"./sub/../top.dwg"}}}, {L"top.dwg"}, "top.dwg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder dir;
        for (const auto& [name, references] : c.drawings)
            writeDrawing(dir.wpath("d/" + name), references);
        writeBytes(dir.root() / "d" / "broken.dwg", "AC1032 this is no DXF file\r\n");
        const Collected got = collect(dir.wpath("d/top.dwg"), false, true);
        EXPECT_EQ(got.list, c.expected);
        EXPECT_EQ(got.count, static_cast<std::int64_t>(c.expected.size()));
        EXPECT_EQ(got.commandLine,
                  c.cycleAt == nullptr
                      ? std::wstring()
                      : L"\nCyclic reference skipped: " + dir.wpath(std::string("d/") + c.cycleAt));
    }
}

TEST(CollectDependenciesTest, UnreadableTopDrawingKeepsTheCountOfEarlierEntries) {
    ScratchFolder dir;
    writeBytes(dir.root() / "broken.dwg", std::string("\0\1\2binary", 9));
    writeDrawing(dir.wpath("top.dwg"), {L"a.dwg"});  // a drawing whose read fails below
    for (const std::wstring& top :
         {dir.wpath("missing.dwg"), dir.wpath("broken.dwg"), dir.wpath(""), dir.wpath("top.dwg")}) {
        DbFaultScope faults;
        if (top == dir.wpath("top.dwg")) failCall(DbCall::kReadDwgFile, Acad::eFileAccessErr);
        InputSession session;
        CStringArray list;
        list.Add(L"earlier");
        EXPECT_EQ(collectDependencies(list, top.c_str(), true, true), 1);
        EXPECT_EQ(strings(list), (Paths{L"earlier"}));
        EXPECT_EQ(session.commandLine(), L"");
    }
}

TEST(CollectDependenciesTest, WithoutTraversalACycleIsNeitherWalkedNorReported) {
    ScratchFolder dir;
    writeDrawing(dir.wpath("top.dwg"), {L"top.dwg"});
    const Collected got = collect(dir.wpath("top.dwg"), true, false);
    EXPECT_EQ(got.list, (Paths{dir.wpath("top.dwg")}));
    EXPECT_EQ(got.commandLine, L"");
}

TEST(CollectDependenciesTest, WalkBeyondTheLimitIsAbandonedAndItsEntriesRemoved) {
    ScratchFolder dir;
    // Each level references the next one twice: 2 + 4 + 8 + 16 entries, no cycle.
    for (int i = 0; i < 4; ++i) {
        // Built by appending: GCC 12 at -O3 warns falsely about "a" + std::to_string(b) + "c".
        std::wstring next = L"l";
        next.append(std::to_wstring(i + 1)).append(L".dwg");
        std::string self = "l";
        self.append(std::to_string(i)).append(".dwg");
        writeDrawing(dir.wpath(self), {next, next});
    }
    struct Case {
        std::int64_t limit;
        std::int64_t count;
        const wchar_t* message;
    };
    for (const Case c :
         {Case{30, 31, L""}, Case{29, 1, L"\nMore than 29 dependencies: nothing listed."},
          Case{1, 1, L"\nMore than 1 dependencies: nothing listed."}}) {
        SCOPED_TRACE(c.limit);
        InputSession session;
        CStringArray list;
        list.Add(L"earlier");
        EXPECT_EQ(collectDependencies(list, dir.wpath("l0.dwg").c_str(), false, true, c.limit),
                  c.count);
        EXPECT_EQ(session.commandLine(), c.message);
    }
}

TEST(CollectDependenciesTest, HostFailureInANestedDrawingDropsOnlyItsReferences) {
    ScratchFolder dir;
    writeDrawing(dir.wpath("top.dwg"), {L"a.dwg", L"b.dwg"});
    writeDrawing(dir.wpath("a.dwg"), {L"a1.dwg"});
    writeDrawing(dir.wpath("b.dwg"), {L"b1.dwg"});
    DbFaultScope faults;
    // The second block table opened is a.dwg's.
    failCall(DbCall::kGetSymbolTable, Acad::eOutOfMemory, 1);
    const Collected got = collect(dir.wpath("top.dwg"), false, true);
    EXPECT_EQ(got.list, (Paths{L"a.dwg", L"b.dwg", L"b1.dwg"}));
    EXPECT_EQ(got.commandLine.rfind(L"*ERROR*: [Acad::eOutOfMemory].\n[arxdatabase", 0), 0u)
        << got.commandLine;
}

}  // namespace
