// The shell path functions: separators of both kinds, "." and "..", the MAX_PATH limit.
#include <gtest/gtest.h>
#include <shlwapi.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDir = FILE_ATTRIBUTE_DIRECTORY;
constexpr DWORD kFile = FILE_ATTRIBUTE_NORMAL;

// A MAX_PATH buffer followed by a guard zone that no function may touch.
struct GuardedBuffer {
    GuardedBuffer() : data(MAX_PATH + 16, L'#') { data[0] = 0; }
    explicit GuardedBuffer(const std::wstring& text) : GuardedBuffer() {
        std::copy(text.begin(), text.end(), data.begin());
        data[text.size()] = 0;
    }
    wchar_t* get() { return data.data(); }
    std::wstring text() const { return data.data(); }
    bool guardIntact() const {
        return std::all_of(data.begin() + MAX_PATH, data.end(), [](wchar_t c) { return c == L'#'; });
    }
    std::vector<wchar_t> data;
};

TEST(PathCombineTest, JoinsAndResolvesKeepingTheStartingSeparator) {
    struct Case { const wchar_t* dir; const wchar_t* file; const wchar_t* expected; };
    const Case cases[] = {
        {L"C:\\Work", L"..\\Parts\\B.dwg", L"C:\\Parts\\B.dwg"},
        {L"/srv/work", L"..\\parts\\b.dxf", L"/srv/parts/b.dxf"},
        {L"C:/Work/sub", L"../x.dwg", L"C:/Work/x.dwg"},
        {L"C:\\Work\\", L".\\a/b\\c.dwg", L"C:\\Work\\a\\b\\c.dwg"},
        {L"C:\\a\\b", L"..\\..\\..\\c.dwg", L"C:\\c.dwg"},  // never above the root
        {L"C:\\a", L"D:\\x.dwg", L"D:\\x.dwg"},
        {L"C:\\a\\b", L"\\x.dwg", L"C:\\x.dwg"},
        {L"\\\\server\\share\\dir", L"..\\..\\f.dwg", L"\\\\server\\share\\f.dwg"},
        {L"/srv//work/", L"a//b.dxf", L"/srv/work/a/b.dxf"},
        {L"rel\\dir", L"..\\..\\..\\x", L"..\\x"},
        {L"C:\\a", nullptr, L"C:\\a"},
        {nullptr, L"C:\\a\\.\\b\\..\\c", L"C:\\a\\c"},
    };
    for (const Case& c : cases) {
        GuardedBuffer out;
        EXPECT_EQ(out.get(), PathCombineW(out.get(), c.dir, c.file)) << (c.dir ? c.dir : L"(null)");
        EXPECT_EQ(c.expected, out.text())
            << (c.dir ? c.dir : L"(null)") << L" + " << (c.file ? c.file : L"(null)");
    }
}

TEST(PathCombineTest, FailsWithoutOverrunWhenTheResultIsTooLong) {
    std::wstring dir = L"C:\\" + std::wstring(240, L'd');
    GuardedBuffer out;
    EXPECT_EQ(nullptr, PathCombineW(out.get(), dir.c_str(), L"a-file-name-of-some-length.dwg"));
    EXPECT_EQ(L"", out.text());
    EXPECT_TRUE(out.guardIntact());
    // 259 characters and the terminator fit.
    std::wstring exact = std::wstring(MAX_PATH - 1 - 6, L'x');
    EXPECT_NE(nullptr, PathCombineW(out.get(), L"C:\\", (exact.substr(3) + L"\\a.dwg").c_str()));
    EXPECT_EQ(static_cast<size_t>(MAX_PATH - 1), out.text().size());
    EXPECT_EQ(nullptr, PathCombineW(out.get(), nullptr, nullptr));
    std::wstring tooLongInput(MAX_PATH, L'a');
    EXPECT_EQ(nullptr, PathCombineW(out.get(), tooLongInput.c_str(), L"..\\b"));
    EXPECT_TRUE(out.guardIntact());
}

TEST(PathCombineTest, AcceptsTheDestinationAsInput) {
    GuardedBuffer buffer(L"C:\\Work\\sub");
    EXPECT_NE(nullptr, PathCombineW(buffer.get(), buffer.get(), L"..\\a.dwg"));
    EXPECT_EQ(L"C:\\Work\\a.dwg", buffer.text());
}

TEST(PathRelativePathToTest, BuildsDotAndDotDotPaths) {
    struct Case { const wchar_t* from; DWORD fromAttr; const wchar_t* to; DWORD toAttr; const wchar_t* expected; };
    const Case cases[] = {
        {L"C:\\work\\", kDir, L"C:\\work\\sub\\a.dwg", kFile, L".\\sub\\a.dwg"},
        {L"C:\\work\\sub", kDir, L"C:\\WORK\\a.dwg", kFile, L"..\\a.dwg"},
        {L"C:\\work\\x.dwg", kFile, L"C:\\work\\y.dwg", kFile, L".\\y.dwg"},
        {L"C:\\a\\b\\c", kDir, L"C:\\x\\y.dwg", kFile, L"..\\..\\..\\x\\y.dwg"},
        {L"C:\\work", kDir, L"C:/parts/a.dwg", kFile, L"..\\parts\\a.dwg"},
        {L"/srv/work", kDir, L"/srv/parts/a.dxf", kFile, L"../parts/a.dxf"},
        {L"/srv/work", kDir, L"/srv", kDir, L".."},
        {L"work\\a", kDir, L"work\\b\\c.dwg", kFile, L"..\\b\\c.dwg"},
    };
    for (const Case& c : cases) {
        GuardedBuffer out;
        EXPECT_TRUE(PathRelativePathToW(out.get(), c.from, c.fromAttr, c.to, c.toAttr))
            << c.from << L" -> " << c.to;
        EXPECT_EQ(c.expected, out.text()) << c.from << L" -> " << c.to;
    }
}

TEST(PathRelativePathToTest, FailsWithoutACommonRoot) {
    struct Case { const wchar_t* from; const wchar_t* to; };
    const Case cases[] = {
        {L"C:\\a", L"D:\\a\\b.dwg"},
        {L"C:\\a", L"rel\\b.dwg"},
        {L"/srv/a", L"C:\\a\\b.dwg"},
        {L"\\\\one\\share\\a", L"\\\\two\\share\\a\\b.dwg"},
    };
    for (const Case& c : cases) {
        GuardedBuffer out(L"stale");
        EXPECT_FALSE(PathRelativePathToW(out.get(), c.from, kDir, c.to, kFile))
            << c.from << L" -> " << c.to;
        EXPECT_EQ(L"", out.text());
    }
    GuardedBuffer out;
    std::wstring deep = L"C:";
    while (deep.size() < 250) deep += L"\\dd";
    EXPECT_FALSE(PathRelativePathToW(out.get(), deep.c_str(), kDir,
                                     (L"D" + deep.substr(1) + L"\\x.dwg").c_str(), kFile));
    // 83 levels up and a name exceed MAX_PATH.
    EXPECT_FALSE(
        PathRelativePathToW(out.get(), deep.c_str(), kDir, L"C:\\x\\a-long-name.dwg", kFile));
    EXPECT_TRUE(out.guardIntact());
}

TEST(PathRenameExtensionTest, ReplacesOrAppendsTheLastExtension) {
    struct Case { const wchar_t* path; const wchar_t* expected; };
    const Case cases[] = {
        {L"C:\\d\\bracket.old.dwg", L"C:\\d\\bracket.old.qdx"},
        {L"C:\\d.x\\part", L"C:\\d.x\\part.qdx"},
        {L"/srv/d.x/part.dxf", L"/srv/d.x/part.qdx"},
        {L"C:\\d\\a.b c", L"C:\\d\\a.b c.qdx"},
    };
    for (const Case& c : cases) {
        GuardedBuffer path(c.path);
        EXPECT_TRUE(PathRenameExtensionW(path.get(), L".qdx"));
        EXPECT_EQ(c.expected, path.text());
    }
    // A result beyond MAX_PATH fails and leaves the path as it was.
    std::wstring longPath = L"C:\\" + std::wstring(MAX_PATH - 8, L'n') + L".dwg";  // 259 characters
    GuardedBuffer path(longPath);
    EXPECT_FALSE(PathRenameExtensionW(path.get(), L".qdxx"));
    EXPECT_EQ(longPath, path.text());
    EXPECT_TRUE(PathRenameExtensionW(path.get(), L".qdx"));
    EXPECT_TRUE(path.guardIntact());
}

TEST(PathRemoveLastComponentTest, StripsTheLastComponent) {
    struct Case { const wchar_t* path; const wchar_t* expected; BOOL changed; };
    const Case cases[] = {
        {L"C:\\a.dwg", L"C:\\", TRUE}, {L"C:/a/b.dwg", L"C:/a", TRUE},
        {L"/a.dxf", L"/", TRUE},       {L"a.dwg", L"", TRUE},
        {L"C:\\a\\", L"C:\\a", TRUE},  {L"\\\\server\\share\\f.dwg", L"\\\\server\\share", TRUE},
        {L"C:\\", L"C:\\", FALSE},     {L"", L"", FALSE},
    };
    for (const Case& c : cases) {
        GuardedBuffer path(c.path);
        EXPECT_EQ(c.changed, PathRemoveFileSpecW(path.get())) << c.path;
        EXPECT_EQ(c.expected, path.text()) << c.path;
    }
}

TEST(PathQueryTest, RelativeAndFileName) {
    struct Case { const wchar_t* path; BOOL relative; const wchar_t* fileName; };
    const Case cases[] = {
        {L"/srv/b.tar.dxf", FALSE, L"b.tar.dxf"},
        {L"\\x\\y", FALSE, L"y"},
        {L"C:b.dwg", FALSE, L"b.dwg"},
        {L"..\\parts\\a.dwg", TRUE, L"a.dwg"},
        {L"b.dwg", TRUE, L"b.dwg"},
        {L"C:\\a\\", FALSE, L"a\\"},
        {L"", TRUE, L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.relative, PathIsRelativeW(c.path)) << c.path;
        EXPECT_STREQ(c.fileName, PathFindFileNameW(c.path)) << c.path;
    }
    EXPECT_TRUE(PathIsRelativeW(nullptr));
}

TEST(PathFileExistsTest, ChecksTheFileSystemWithEitherSeparator) {
    std::string dir = ::testing::TempDir() + "pathfe";
    std::remove((dir + "/f.txt").c_str());
    ::mkdir(dir.c_str(), 0777);
    std::FILE* f = std::fopen((dir + "/f.txt").c_str(), "w");
    ASSERT_NE(nullptr, f);
    std::fclose(f);
    std::wstring wideDir(dir.begin(), dir.end());
    std::wstring backslashed = wideDir + L"\\f.txt";
    std::replace(backslashed.begin(), backslashed.end(), L'/', L'\\');
    EXPECT_TRUE(PathFileExistsW((wideDir + L"/f.txt").c_str()));
    EXPECT_TRUE(PathFileExistsW(backslashed.c_str()));
    EXPECT_TRUE(PathFileExistsW(wideDir.c_str()));
    EXPECT_FALSE(PathFileExistsW((wideDir + L"/missing.txt").c_str()));
    EXPECT_FALSE(PathFileExistsW(L""));
    EXPECT_FALSE(PathFileExistsW(nullptr));
}

}  // namespace
