// Tests of how a save decides that the file on disk already holds the drawing: the comparison
// runs over the whole file in pieces, so a difference anywhere, also at the edges of a piece,
// must make the save write, and equal content must leave the file alone.
#include <sys/stat.h>

#include "db_test_util.h"

using namespace dbtest;
namespace fs = std::filesystem;

namespace {

ino_t inodeOf(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(DbSaveTest, AFileOfTheSameSizeIsReplacedOnlyWhenSomeByteDiffers) {
    ScratchDir dir;
    const fs::path original = dir / "original.dxf";
    {
        AcDbDatabase blank;
        ASSERT_ES(Acad::eOk, blank.saveAs(original.wstring().c_str(), false));
    }
    // Data after EOF is kept as read: it makes the drawing span several pieces of the comparison.
    std::string text = readFile(original);
    for (int i = 0; text.size() < (3u << 20); ++i) text += "trailing line " + std::to_string(i) + "\r\n";
    writeFile(original, text);
    const std::size_t kPiece = 1 << 20;
    struct Case {
        const char* name;
        std::size_t at;  // the byte changed on disk; npos: the file is only touched
    } cases[] = {
        {"first byte", 0},
        {"last byte of a piece", kPiece - 1},
        {"first byte of a piece", kPiece},
        {"inside the third piece", 2 * kPiece + 12345},
        {"last byte", text.size() - 1},
        {"no byte", std::string::npos},
    };
    for (const Case& c : cases) {
        const fs::path p = dir / "drawing.dxf";
        writeFile(p, text);
        auto db = read(p);
        ASSERT_TRUE(db) << c.name;
        std::string onDisk = text;
        if (c.at != std::string::npos) onDisk[c.at] = onDisk[c.at] == 'Z' ? 'Y' : 'Z';
        ::usleep(10000);
        writeFile(p, onDisk);  // same size, new modification time
        const ino_t before = inodeOf(p);
        ASSERT_ES(Acad::eOk, db->saveAs(p.wstring().c_str(), false)) << c.name;
        EXPECT_TRUE(readFile(p) == text) << c.name;
        EXPECT_EQ(inodeOf(p) != before, c.at != std::string::npos) << c.name << ": replaced only when different";
    }
}

}  // namespace
