// CStdioFile: Windows text mode, the ANSI code page, and what a failed write leaves behind.
#include <afx.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class StdioFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::path(::testing::TempDir()) /
                ("stdio_file_test_" + std::to_string(getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string path(const std::string& name) const { return (m_dir / name).string(); }
    CString widePath(const std::string& name) const { return CString(path(name).c_str()); }
    void writeBytes(const std::string& name, const std::string& bytes) {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }
    std::string readBytes(const std::string& name) {
        std::ifstream in(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_dir)) names.push_back(e.path().filename());
        return names;
    }
    std::vector<std::wstring> readLines(const std::string& name) {
        CStdioFile file;
        EXPECT_TRUE(file.Open(widePath(name), CFile::modeRead | CFile::typeText));
        std::vector<std::wstring> lines;
        CString line;
        while (file.ReadString(line)) lines.emplace_back(line.GetString());
        EXPECT_TRUE(line.IsEmpty());
        file.Close();
        return lines;
    }
    fs::path m_dir;
};

using Lines = std::vector<std::wstring>;

TEST_F(StdioFileTest, ReadsCrLfAndLfAsLineEnds) {
    struct Case { std::string bytes; Lines lines; };
    const Case cases[] = {
        {"a\r\nb\r\n", {L"a", L"b"}},
        {"a\nb\n", {L"a", L"b"}},
        {"x\r\ny\nz", {L"x", L"y", L"z"}},
        {"\n\r\n", {L"", L""}},
        {"lone\rcr\n", {L"lone\rcr"}},
        {"", {}},
        {"Gr\xF6\xDF\x65\r\n", {L"Größe"}},
        {"before\x1A" "after\n", {L"before"}},  // Ctrl-Z ends a text file
    };
    for (const Case& c : cases) {
        writeBytes("in.txt", c.bytes);
        EXPECT_EQ(c.lines, readLines("in.txt")) << c.bytes;
    }
}

TEST_F(StdioFileTest, WritesCrLfInTheAnsiCodePage) {
    CStdioFile file;
    ASSERT_TRUE(file.Open(widePath("out.txt"), 0x5001));  // create | write | text
    file.WriteString(L"first\n");
    file.WriteString(L"Größe €");
    file.WriteString(L"\n");
    file.Close();
    EXPECT_EQ("first\r\nGr\xF6\xDF\x65 \x80\r\n", readBytes("out.txt"));
    EXPECT_EQ((std::vector<std::string>{"out.txt"}), entries());
}

TEST_F(StdioFileTest, CreateReplacesAnExistingFileOnlyWhenClosed) {
    writeBytes("out.txt", "old contents\r\n");
    {
        CStdioFile file(widePath("out.txt"), 0x5001);
        file.WriteString(L"new\n");
        EXPECT_EQ("old contents\r\n", readBytes("out.txt"));
    }  // the destructor closes, as in MFC
    EXPECT_EQ("new\r\n", readBytes("out.txt"));
}

TEST_F(StdioFileTest, UnrepresentableCharacterFailsAndLeavesTheTargetAlone) {
    writeBytes("old.txt", "previous\r\n");
    for (const char* name : {"old.txt", "fresh.txt"}) {
        SCOPED_TRACE(name);
        CStdioFile file;
        ASSERT_TRUE(file.Open(widePath(name), 0x5001));
        file.WriteString(L"C:\\ok.dwg\n");
        int cause = -1;
        try {
            file.WriteString(L"C:\\Łódź.dwg\n");
        } catch (CFileException* e) {
            cause = e->m_cause;
            EXPECT_EQ(widePath(name), e->m_strFileName);
            wchar_t message[256];
            EXPECT_TRUE(e->GetErrorMessage(message, 256));
            EXPECT_NE(nullptr, std::wcsstr(message, widePath(name)));
            e->Delete();
        }
        EXPECT_EQ(CFileException::invalidFile, cause);
        file.Close();  // already reported: no second exception
    }
    EXPECT_EQ("previous\r\n", readBytes("old.txt"));
    EXPECT_EQ((std::vector<std::string>{"old.txt"}), entries());  // nor a fresh or temporary file
}

TEST_F(StdioFileTest, AbortDropsTheNewContents) {
    writeBytes("out.txt", "keep\r\n");
    CStdioFile file(widePath("out.txt"), 0x5001);
    file.WriteString(L"partial");
    file.Abort();
    EXPECT_EQ("keep\r\n", readBytes("out.txt"));
    EXPECT_EQ(1u, entries().size());
}

TEST_F(StdioFileTest, OpenFailuresFillTheException) {
    struct Case { std::string name; UINT flags; int cause; };
    fs::create_directory(m_dir / "folder");
    const Case cases[] = {
        {"missing.txt", CFile::modeRead | CFile::typeText, CFileException::fileNotFound},
        {"no/such/folder.txt", 0x5001, CFileException::fileNotFound},
        {"folder", 0x5001, CFileException::accessDenied},
    };
    for (const Case& c : cases) {
        CStdioFile file;
        CFileException error;
        EXPECT_FALSE(file.Open(widePath(c.name), c.flags, &error)) << c.name;
        EXPECT_EQ(c.cause, error.m_cause) << c.name;
        EXPECT_EQ(widePath(c.name), error.m_strFileName);
        EXPECT_FALSE(file.IsOpen());
    }
    CStdioFile file;
    EXPECT_FALSE(file.Open(L"", CFile::modeRead));
}

TEST(StdioFileErrorTest, CloseReportsDataThatDidNotReachTheDisk) {
    if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full here";
    CStdioFile file;
    ASSERT_TRUE(file.Open(L"/dev/full", CFile::modeWrite | CFile::typeText));
    file.WriteString(L"buffered, so this write still looks fine\n");
    int cause = -1;
    try {
        file.Close();
    } catch (CFileException* e) {
        cause = e->m_cause;
        e->Delete();
    }
    EXPECT_EQ(CFileException::diskFull, cause);
    EXPECT_FALSE(file.IsOpen());
    file.Close();  // closing again does nothing
    // The destructor swallows the same failure.
    CStdioFile dropped(L"/dev/full", CFile::modeWrite);
    dropped.WriteString(L"lost");
}

TEST_F(StdioFileTest, TakesBackslashesInPaths) {
    writeBytes("in.txt", "line\r\n");
    CString windowsStyle = widePath("in.txt");
    windowsStyle.Replace(L'/', L'\\');
    CStdioFile file;
    ASSERT_TRUE(file.Open(windowsStyle, CFile::modeRead | CFile::shareDenyNone));
    CString line;
    EXPECT_TRUE(file.ReadString(line));
    EXPECT_EQ(L"line", line);
}

}  // namespace
