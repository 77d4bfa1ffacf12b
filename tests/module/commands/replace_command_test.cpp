// The referenced-document replacement command driven with scripted answers: what it stores,
// when it saves, and that every failure leaves the drawing as it was.
#include <gtest/gtest.h>
#include <testing_db.h>
#include <testing_input.h>

#include <filesystem>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "module/drawing/drawing_test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace updatetest;
using pdmtest::narrow;
using pdmtest::readBytes;
using pdmtest::writeBytes;
using Paths = std::vector<std::wstring>;

// proj/asm/top.dwg references ..\..\old\a.dwg, sub\b.dwg and c.dwg.
class ReplaceReferencedDocumentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        writeDrawing(drawingFile(), {L"..\\..\\old\\a.dwg", L"sub\\b.dwg", L"c.dwg"});
        m_before = readBytes(drawingFile());
    }

    fs::path drawingFile() const { return m_dir.root() / "proj" / "asm" / "top.dwg"; }
    fs::path backupFile() const { return m_dir.root() / "proj" / "asm" / "top.bak"; }
    std::wstring drawing() const { return drawingFile().wstring(); }
    std::wstring path(const std::string& name) const { return m_dir.wpath(name); }

    // Writes the replacements file (CR LF lines) and runs the command; returns the command line.
    std::wstring run(const std::vector<std::string>& lines, const std::wstring& fullPaths) {
        std::string text;
        for (const std::string& line : lines) text += line + "\r\n";
        writeBytes(m_dir.root() / "r.txt", text);
        InputSession session({drawing(), path("r.txt"), fullPaths});
        replaceReferencedDocumentCommand();
        EXPECT_EQ(cadhost::testing::pendingAnswers(), 0u);
        return session.commandLine();
    }
    bool unchanged() const {
        return readBytes(drawingFile()) == m_before && !fs::exists(backupFile());
    }
    // The command line of a run that printed nothing but its prompts.
    std::wstring promptsOnly(const std::wstring& fullPaths) const {
        return L"[Select drawing file] " + drawing() + L"\n[Select replacements file] " +
               path("r.txt") + L"\nFullpath (Yes/No) [Y]:<Yes>: " + fullPaths + L"\n";
    }

    pdmtest::TempDir m_dir;
    std::string m_before;
};

TEST_F(ReplaceReferencedDocumentTest, FullPathIsStoredRelativeAndTheOldFileKeptAsBackup) {
    run({narrow(path("old/a.dwg")) + "=" + narrow(path("new/a.dwg"))}, L"Yes");
    EXPECT_EQ(storedPaths(drawingFile()), (Paths{L"../../new/a.dwg", L"sub\\b.dwg", L"c.dwg"}));
    ASSERT_TRUE(fs::exists(backupFile()));
    EXPECT_EQ(readBytes(backupFile()), m_before);
}

TEST_F(ReplaceReferencedDocumentTest, WithoutFullPathsAnyFolderOfTheNameIsRedirected) {
    run({"/elsewhere/B.DWG=" + narrow(path("proj/lib/b2.dwg")),
         "/x/c.dwg=" + narrow(path("proj/asm/c.dwg"))},
        L"No");
    // c.dwg already is proj/asm/c.dwg: not set again.
    EXPECT_EQ(storedPaths(drawingFile()),
              (Paths{L"..\\..\\old\\a.dwg", L"../lib/b2.dwg", L"c.dwg"}));
    EXPECT_TRUE(fs::exists(backupFile()));
}

TEST_F(ReplaceReferencedDocumentTest, EnterMeansFullPaths) {
    run({"/elsewhere/c.dwg=" + narrow(path("new/c.dwg"))}, L"");
    EXPECT_TRUE(unchanged()) << "with full paths the folder must match too";
    run({narrow(path("proj/asm/c.dwg")) + "=" + narrow(path("new/c.dwg"))}, L"");
    EXPECT_EQ(storedPaths(drawingFile())[2], L"../../new/c.dwg");
}

TEST_F(ReplaceReferencedDocumentTest, NothingToChangeLeavesTheFileUntouched) {
    const struct {
        const char* name;
        std::vector<std::string> lines;
        std::wstring fullPaths;
    } cases[] = {
        {"no matching key", {"/nowhere/z.dwg=/new/z.dwg"}, L"Yes"},
        {"lines without = and blank lines", {"c.dwg", "", "just text"}, L"No"},
        {"empty file", {}, L"Yes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run(c.lines, c.fullPaths), promptsOnly(c.fullPaths));
        EXPECT_TRUE(unchanged());
    }
}

TEST_F(ReplaceReferencedDocumentTest, NoRelativePathKeepsTheReferenceAndSaysSo) {
    // A value that is not a full path has no relative path from the drawing's folder.
    const std::wstring commandLine =
        run({"c.dwg=relative/new.dwg", "b.dwg=" + narrow(path("new/b.dwg"))}, L"No");
    EXPECT_TRUE(contains(commandLine, L"\nNo relative path from " + path("proj/asm") +
                                          L" to relative/new.dwg; reference " +
                                          path("proj/asm/c.dwg") + L" left unchanged."));
    EXPECT_EQ(storedPaths(drawingFile()),
              (Paths{L"..\\..\\old\\a.dwg", L"../../new/b.dwg", L"c.dwg"}));
}

TEST_F(ReplaceReferencedDocumentTest, ValueWithANulCharacterIsNoPath) {
    const std::wstring commandLine =
        run({"c.dwg=" + narrow(path("new/c.dwg")) + std::string("\0tail", 5)}, L"No");
    EXPECT_TRUE(contains(commandLine, L"\nNo relative path from "));
    EXPECT_TRUE(unchanged());
}

TEST_F(ReplaceReferencedDocumentTest, OverlongPathsAreRefusedWithAMessage) {
    const std::string longValue = "/new/" + std::string(300, 'v') + ".dwg";
    std::wstring commandLine = run({"c.dwg=" + longValue}, L"No");
    EXPECT_TRUE(contains(commandLine, L"\nPath too long (more than 259 characters): /new/vvv"));
    EXPECT_TRUE(unchanged());
    const std::wstring longReference = L"..\\" + std::wstring(300, L'r') + L".dwg";
    writeDrawing(drawingFile(), {longReference});
    m_before = readBytes(drawingFile());
    commandLine = run({"r.dwg=/new/r.dwg"}, L"No");
    EXPECT_TRUE(
        contains(commandLine, L"\nPath too long (more than 259 characters): " + longReference));
    EXPECT_TRUE(unchanged());
}

TEST_F(ReplaceReferencedDocumentTest, UnreadableOrReadOnlyDrawingIsLeftAlone) {
    const std::vector<std::string> lines = {"c.dwg=" + narrow(path("new/c.dwg"))};
    writeBytes(drawingFile(), "0\r\nSECTION\r\n2\r\nHEADER\r\n");  // cut short
    m_before = readBytes(drawingFile());
    EXPECT_EQ(run(lines, L"No"), promptsOnly(L"No"));
    EXPECT_TRUE(unchanged());
    writeDrawing(drawingFile(), {L"c.dwg"});
    m_before = readBytes(drawingFile());
    fs::permissions(drawingFile(), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(run(lines, L"No"), promptsOnly(L"No"));
    EXPECT_TRUE(unchanged());
}

TEST_F(ReplaceReferencedDocumentTest, HostFailuresPrintNothingAndSaveNothing) {
    const struct {
        const char* name;
        DbCall call;
    } cases[] = {
        {"block table", DbCall::kGetSymbolTable},
        {"iterator", DbCall::kNewIterator},
        {"reference path", DbCall::kPathName},
        {"save", DbCall::kSaveAs},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DbFaultScope faults;
        failCall(c.call, Acad::eOutOfMemory);
        EXPECT_EQ(run({"c.dwg=" + narrow(path("new/c.dwg"))}, L"No"), promptsOnly(L"No"));
        EXPECT_TRUE(unchanged());
    }
}

TEST_F(ReplaceReferencedDocumentTest, RecordsThatRefuseAChangeAreNotCounted) {
    const std::vector<std::string> lines = {"c.dwg=" + narrow(path("new/c.dwg"))};
    for (DbCall call : {DbCall::kUpgradeOpen, DbCall::kSetPathName, DbCall::kOpenObject}) {
        DbFaultScope faults;
        failCall(call, Acad::eWasOpenForRead, 0, -1);
        run(lines, L"No");
        EXPECT_TRUE(unchanged());
    }
    // One refusal among two changes: the other is saved.
    DbFaultScope faults;
    failCall(DbCall::kSetPathName, Acad::eInvalidInput);
    run({"b.dwg=" + narrow(path("new/b.dwg")), "c.dwg=" + narrow(path("new/c.dwg"))}, L"No");
    EXPECT_EQ(storedPaths(drawingFile()),
              (Paths{L"..\\..\\old\\a.dwg", L"sub\\b.dwg", L"../../new/c.dwg"}));
}

TEST_F(ReplaceReferencedDocumentTest, CancelOrMissingFilesChangeNothing) {
    writeBytes(m_dir.root() / "r.txt", "c.dwg=" + narrow(path("new/c.dwg")) + "\r\n");
    const std::wstring r = path("r.txt");
    const struct {
        const char* name;
        std::wstring drawing, replacements, fullPaths;
    } cases[] = {
        {"drawing cancelled", L"^C", r, L"No"},
        {"replacements cancelled", drawing(), L"^C", L"No"},
        {"option cancelled", drawing(), r, L"^C"},
        {"missing drawing", path("proj/asm/none.dwg"), r, L"No"},
        {"missing replacements file", drawing(), path("none.txt"), L"No"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InputSession session({c.drawing, c.replacements, c.fullPaths});
        replaceReferencedDocumentCommand();
        EXPECT_TRUE(unchanged());
        EXPECT_EQ(session.commandLine().find(L"\nNo relative"), std::wstring::npos);
    }
}

}  // namespace
