// The dependency listing command driven with scripted answers: the file it writes, when it
// writes none, and what it says when the file cannot be written.
#include <gtest/gtest.h>
#include <testing_app.h>
#include <testing_input.h>

#include <rxdefs.h>

#include <filesystem>
#include <string>

#include "commands/commands.h"
#include "frame/brakon_app.h"
#include "module/commands/command_test_support.h"

namespace {

namespace fs = std::filesystem;
using cadhost::testing::InputSession;
using commandtest::readBytes;
using commandtest::ScratchFolder;
using commandtest::writeBytes;
using commandtest::writeDrawing;

// asm/top.dwg -> left.dwg, ..\parts\right.dwg; left -> ..\parts\base.dwg; right -> base.dwg.
class GetDependenciesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        writeDrawing(m_dir.path("asm/top.dwg"), {L"left.dwg", L"..\\parts\\right.dwg"});
        writeDrawing(m_dir.path("asm/left.dwg"), {L"..\\parts\\base.dwg"});
        writeDrawing(m_dir.path("parts/right.dwg"), {L"base.dwg"});
        writeDrawing(m_dir.path("parts/base.dwg"), {});
    }

    // Runs the command with the answers; returns the command line.
    std::wstring run(std::initializer_list<std::wstring_view> answers) {
        InputSession session(answers);
        getDependenciesCommand();
        EXPECT_EQ(cadhost::testing::pendingAnswers(), 0u) << "every answer asked for";
        return session.commandLine();
    }
    std::wstring top() const { return m_dir.path("asm/top.dwg"); }
    std::wstring out() const { return m_dir.path("out.txt"); }
    std::string outBytes() const { return readBytes(m_dir.root() / "out.txt"); }
    static std::string narrow(const std::wstring& text) {
        return std::string(text.begin(), text.end());
    }

    ScratchFolder m_dir;
};

TEST_F(GetDependenciesTest, FullPathsFirstLevelWithCrLfLineEnds) {
    const std::wstring commandLine = run({top(), out(), L"Yes", L""});
    EXPECT_EQ(outBytes(), narrow(m_dir.path("asm/left.dwg")) + "\r\n" +
                              narrow(m_dir.path("parts/right.dwg")) + "\r\n");
    EXPECT_NE(commandLine.find(L"Traverse (Yes/No)<No>: "), std::wstring::npos) << commandLine;
}

TEST_F(GetDependenciesTest, NamesWithTraversal) {
    run({top(), out(), L"No", L"Yes"});
    EXPECT_EQ(outBytes(), "left.dwg\r\nright.dwg\r\nbase.dwg\r\nbase.dwg\r\n");
}

TEST_F(GetDependenciesTest, EnterTakesTheDefaultsFullPathsWithoutTraversal) {
    run({top(), out(), L"", L""});
    EXPECT_EQ(outBytes(), narrow(m_dir.path("asm/left.dwg")) + "\r\n" +
                              narrow(m_dir.path("parts/right.dwg")) + "\r\n");
}

TEST_F(GetDependenciesTest, AnExistingFileIsReplaced) {
    writeBytes(m_dir.root() / "out.txt", "old content that is longer than the new one\r\n");
    run({top(), out(), L"No", L"No"});
    EXPECT_EQ(outBytes(), "left.dwg\r\nright.dwg\r\n");
}

TEST_F(GetDependenciesTest, NothingToListWritesNoFileAndLeavesAnExistingOne) {
    run({m_dir.path("parts/base.dwg"), out(), L"Yes", L"Yes"});
    EXPECT_FALSE(fs::exists(m_dir.root() / "out.txt"));
    writeBytes(m_dir.root() / "out.txt", "kept");
    run({m_dir.path("parts/base.dwg"), out(), L"Yes", L"Yes"});
    EXPECT_EQ(outBytes(), "kept");
}

TEST_F(GetDependenciesTest, CancelOrMissingInputEndsWithoutOutputOrMessage) {
    struct Case {
        const char* name;
        std::wstring drawing, output, fullPath, traverse;
    };
    const Case cases[] = {
        {"drawing cancelled", L"^C", out(), L"Yes", L"Yes"},
        {"output cancelled", top(), L"^C", L"Yes", L"Yes"},
        {"full paths cancelled", top(), out(), L"^C", L"Yes"},
        {"traversal cancelled", top(), out(), L"Yes", L"^C"},
        {"keyword not in the list", top(), out(), L"Maybe", L"Yes"},
        {"missing drawing", m_dir.path("asm/none.dwg"), out(), L"Yes", L"Yes"},
        {"drawing that is no drawing", m_dir.path("parts"), out(), L"Yes", L"Yes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InputSession session({c.drawing, c.output, c.fullPath, c.traverse});
        getDependenciesCommand();
        EXPECT_FALSE(fs::exists(m_dir.root() / "out.txt"));
        EXPECT_EQ(session.commandLine().find(L"\nThe dependency list"), std::wstring::npos);
    }
}

TEST_F(GetDependenciesTest, AllFourQuestionsAreAskedEvenAfterACancel) {
    const std::wstring commandLine = run({L"^C", out(), L"Yes", L"No"});
    EXPECT_NE(commandLine.find(L"Traverse (Yes/No)<No>: "), std::wstring::npos) << commandLine;
}

TEST_F(GetDependenciesTest, CycleIsReportedAndTheListWritten) {
    writeDrawing(m_dir.path("parts/base.dwg"), {L"..\\asm\\top.dwg"});
    const std::wstring commandLine = run({top(), out(), L"No", L"Yes"});
    EXPECT_EQ(outBytes(),
              "left.dwg\r\nright.dwg\r\nbase.dwg\r\ntop.dwg\r\nbase.dwg\r\ntop.dwg\r\n");
    EXPECT_NE(commandLine.find(L"\nCyclic reference skipped: " + m_dir.path("asm/top.dwg")),
              std::wstring::npos)
        << commandLine;
}

// Output that cannot be written ----------------------------------------------------------------

TEST_F(GetDependenciesTest, OutputInAMissingFolderIsReportedAndNothingWritten) {
    const std::wstring target = m_dir.path("no/such/folder/out.txt");
    const std::wstring commandLine = run({top(), target, L"Yes", L"No"});
    EXPECT_FALSE(fs::exists(m_dir.root() / "no"));
    EXPECT_NE(commandLine.find(L"\nThe dependency list was not written. "), std::wstring::npos);
    EXPECT_NE(commandLine.find(target), std::wstring::npos) << commandLine;
}

TEST_F(GetDependenciesTest, ReadOnlyOutputIsReportedAndKept) {
    writeBytes(m_dir.root() / "out.txt", "read-only");
    fs::permissions(m_dir.root() / "out.txt", fs::perms::owner_read | fs::perms::group_read);
    const std::wstring commandLine = run({top(), out(), L"Yes", L"No"});
    EXPECT_EQ(outBytes(), "read-only");
    EXPECT_NE(commandLine.find(L"\nThe dependency list was not written. "), std::wstring::npos)
        << commandLine;
    EXPECT_NE(commandLine.find(L"access was denied"), std::wstring::npos) << commandLine;
}

TEST_F(GetDependenciesTest, PathTheCodePageCannotHoldLeavesNoPartialFile) {
    // The second entry cannot be written in code page 1252: the first must not stay behind.
    writeDrawing(m_dir.path("asm/top.dwg"), {L"left.dwg", L"\u0416\u0443\u043a.dwg"});
    writeBytes(m_dir.root() / "out.txt", "previous");
    const std::wstring commandLine = run({top(), out(), L"No", L"No"});
    EXPECT_EQ(outBytes(), "previous");
    EXPECT_NE(commandLine.find(L"\nThe dependency list was not written. "), std::wstring::npos);
    EXPECT_NE(commandLine.find(L"Entry: \u0416\u0443\u043a.dwg"), std::wstring::npos)
        << commandLine;
    for (const auto& entry : fs::directory_iterator(m_dir.root())) {
        EXPECT_EQ(entry.path().filename().string().find("out.txt."), std::string::npos)
            << "temporary file left: " << entry.path();
    }
}

TEST_F(GetDependenciesTest, OverlongPathsAreRefusedWithAMessage) {
    const std::wstring longName = m_dir.path(std::string(300, 'x') + ".dwg");
    std::wstring commandLine = run({longName, out(), L"Yes", L"No"});
    EXPECT_NE(commandLine.find(L"\nPath too long (more than 259 characters): " + longName),
              std::wstring::npos);
    const std::wstring longOut = m_dir.path(std::string(300, 'o') + ".txt");
    commandLine = run({top(), longOut, L"Yes", L"No"});
    EXPECT_NE(commandLine.find(L"\nPath too long"), std::wstring::npos);
    EXPECT_FALSE(fs::exists(m_dir.root() / "out.txt"));
}

// Both names -----------------------------------------------------------------------------------

TEST_F(GetDependenciesTest, TarvikNameRunsTheSameOperation) {
    int appId = 0;
    ASSERT_EQ(AcRx::kRetOK, acrxEntryPoint(AcRx::kInitAppMsg, &appId));
    std::wstring lines[2];
    std::string files[2];
    const wchar_t* const names[] = {L"vallo_get_dependencies", L"_TARVIK_GET_DEPENDENCIES"};
    for (int i = 0; i < 2; ++i) {
        InputSession session({top(), out(), L"No", L"Yes"});
        EXPECT_TRUE(cadhost::testing::invokeCommand(names[i]));
        lines[i] = session.commandLine();
        files[i] = outBytes();
        fs::remove(m_dir.root() / "out.txt");
    }
    acrxEntryPoint(AcRx::kUnloadAppMsg, &appId);
    EXPECT_EQ(files[0], "left.dwg\r\nright.dwg\r\nbase.dwg\r\nbase.dwg\r\n");
    EXPECT_EQ(files[1], files[0]);
    EXPECT_EQ(lines[1], lines[0]);
}

}  // namespace
