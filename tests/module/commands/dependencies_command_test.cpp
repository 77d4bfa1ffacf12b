// The dependency listing command driven with scripted answers: the file it writes, when it
// writes none, and what it says when the file cannot be written.
#include <gtest/gtest.h>
#include <testing_input.h>

#include <filesystem>
#include <string>

#include "commands/commands.h"
#include "module/drawing/drawing_test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace updatetest;
using pdmtest::narrow;
using pdmtest::readBytes;
using pdmtest::writeBytes;

// asm/top.dwg -> left.dwg, ..\parts\right.dwg; left -> ..\parts\base.dwg; right -> base.dwg.
class GetDependenciesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        writeDrawing(m_dir.wpath("asm/top.dwg"), {L"left.dwg", L"..\\parts\\right.dwg"});
        writeDrawing(m_dir.wpath("asm/left.dwg"), {L"..\\parts\\base.dwg"});
        writeDrawing(m_dir.wpath("parts/right.dwg"), {L"base.dwg"});
        writeDrawing(m_dir.wpath("parts/base.dwg"), {});
    }

    // Runs the command with the answers; returns the command line.
    std::wstring run(std::initializer_list<std::wstring_view> answers) {
        InputSession session(answers);
        getDependenciesCommand();
        EXPECT_EQ(cadhost::testing::pendingAnswers(), 0u) << "every answer asked for";
        return session.commandLine();
    }
    std::wstring top() const { return m_dir.wpath("asm/top.dwg"); }
    std::wstring out() const { return m_dir.wpath("out.txt"); }
    std::string outBytes() const { return readBytes(m_dir.root() / "out.txt"); }

    pdmtest::TempDir m_dir;
};

TEST_F(GetDependenciesTest, AnswersChooseFullPathsAndTraversal) {
    const std::string fullFirstLevel = narrow(m_dir.wpath("asm/left.dwg")) + "\r\n" +
                                       narrow(m_dir.wpath("parts/right.dwg")) + "\r\n";
    const struct {
        const wchar_t* fullPath;
        const wchar_t* traverse;
        std::string expected;
    } cases[] = {
        {L"Yes", L"", fullFirstLevel},
        {L"", L"", fullFirstLevel},  // Enter: full paths, no traversal
        {L"No", L"Yes", "left.dwg\r\nright.dwg\r\nbase.dwg\r\nbase.dwg\r\n"},
        {L"No", L"No", "left.dwg\r\nright.dwg\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fullPath << "/" << c.traverse);
        // An existing, longer file is replaced.
        writeBytes(m_dir.root() / "out.txt", "old content that is longer than the new one\r\n");
        const std::wstring commandLine = run({top(), out(), c.fullPath, c.traverse});
        EXPECT_EQ(outBytes(), c.expected);
        EXPECT_TRUE(contains(commandLine, L"Traverse (Yes/No)<No>: "));
    }
}

TEST_F(GetDependenciesTest, NothingToListWritesNoFileAndLeavesAnExistingOne) {
    run({m_dir.wpath("parts/base.dwg"), out(), L"Yes", L"Yes"});
    EXPECT_FALSE(fs::exists(m_dir.root() / "out.txt"));
    writeBytes(m_dir.root() / "out.txt", "kept");
    run({m_dir.wpath("parts/base.dwg"), out(), L"Yes", L"Yes"});
    EXPECT_EQ(outBytes(), "kept");
}

TEST_F(GetDependenciesTest, CancelOrMissingInputEndsWithoutOutputOrMessage) {
    const struct {
        const char* name;
        std::wstring drawing, output, fullPath, traverse;
    } cases[] = {
        {"drawing cancelled", L"^C", out(), L"Yes", L"Yes"},
        {"output cancelled", top(), L"^C", L"Yes", L"Yes"},
        {"full paths cancelled", top(), out(), L"^C", L"Yes"},
        {"traversal cancelled", top(), out(), L"Yes", L"^C"},
        {"missing drawing", m_dir.wpath("asm/none.dwg"), out(), L"Yes", L"Yes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // All four questions are asked, even after a cancel.
        const std::wstring commandLine = run({c.drawing, c.output, c.fullPath, c.traverse});
        EXPECT_FALSE(fs::exists(m_dir.root() / "out.txt"));
        EXPECT_EQ(commandLine.find(L"\nThe dependency list"), std::wstring::npos);
    }
}

TEST_F(GetDependenciesTest, OutputInAMissingFolderIsReportedAndNothingWritten) {
    const std::wstring target = m_dir.wpath("no/such/folder/out.txt");
    const std::wstring commandLine = run({top(), target, L"Yes", L"No"});
    EXPECT_FALSE(fs::exists(m_dir.root() / "no"));
    EXPECT_TRUE(contains(commandLine, L"\nThe dependency list was not written. "));
    EXPECT_TRUE(contains(commandLine, target));
}

TEST_F(GetDependenciesTest, ReadOnlyOutputIsReportedAndKept) {
    writeBytes(m_dir.root() / "out.txt", "read-only");
    fs::permissions(m_dir.root() / "out.txt", fs::perms::owner_read | fs::perms::group_read);
    const std::wstring commandLine = run({top(), out(), L"Yes", L"No"});
    EXPECT_EQ(outBytes(), "read-only");
    EXPECT_TRUE(contains(commandLine, L"\nThe dependency list was not written. "));
    EXPECT_TRUE(contains(commandLine, L"access was denied"));
}

TEST_F(GetDependenciesTest, PathTheCodePageCannotHoldLeavesNoPartialFile) {
    // The second entry cannot be written in code page 1252: the first must not stay behind.
    writeDrawing(m_dir.wpath("asm/top.dwg"), {L"left.dwg", L"\u0416\u0443\u043a.dwg"});
    writeBytes(m_dir.root() / "out.txt", "previous");
    const std::wstring commandLine = run({top(), out(), L"No", L"No"});
    EXPECT_EQ(outBytes(), "previous");
    EXPECT_TRUE(contains(commandLine, L"\nThe dependency list was not written. "));
    EXPECT_TRUE(contains(commandLine, L"Entry: \u0416\u0443\u043a.dwg"));
    for (const auto& entry : fs::directory_iterator(m_dir.root())) {
        EXPECT_EQ(entry.path().filename().string().find("out.txt."), std::string::npos)
            << "temporary file left: " << entry.path();
    }
}

TEST_F(GetDependenciesTest, OverlongPathsAreRefusedWithAMessage) {
    const std::wstring longName = m_dir.wpath(std::string(300, 'x') + ".dwg");
    std::wstring commandLine = run({longName, out(), L"Yes", L"No"});
    EXPECT_TRUE(contains(commandLine, L"\nPath too long (more than 259 characters): " + longName));
    const std::wstring longOut = m_dir.wpath(std::string(300, 'o') + ".txt");
    commandLine = run({top(), longOut, L"Yes", L"No"});
    EXPECT_TRUE(contains(commandLine, L"\nPath too long"));
    EXPECT_FALSE(fs::exists(m_dir.root() / "out.txt"));
}

}  // namespace
