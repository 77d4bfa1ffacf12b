// Tests of the temporary-file writer: whatever the sizes of the pieces handed to it (small ones
// that are buffered, large ones that go out in steps with their writeback started), the file
// holds exactly the bytes written, in order, and the previous file becomes the backup.
#include "dxf/atomic_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace cadhost::dxf {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Bytes that differ from piece to piece and position to position, so that a piece written
// twice, dropped or out of order shows.
std::string pattern(std::size_t size, unsigned seed) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>('A' + (i * 7 + seed * 13 + i / 4093) % 58);
    return s;
}

TEST(AtomicFileTest, WritesEveryPieceInOrderWhateverItsSize) {
    fs::path dir = fs::temp_directory_path() / ("atomic_file_test_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path target = dir / "drawing.dxf", backup = dir / "drawing.bak";
    {
        std::ofstream(target, std::ios::binary) << "previous drawing";
    }
    const std::size_t kMiB = 1 << 20;
    const std::vector<std::size_t> sizes = {10, kMiB - 5, 3, 9 * kMiB + 7, 100, 8 * kMiB, 1, kMiB, 17 * kMiB - 1, 2};
    std::string expected;
    AtomicFile out;
    ASSERT_TRUE(out.open(target.string())) << out.error();
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        std::string piece = pattern(sizes[i], static_cast<unsigned>(i));
        out.write(piece);
        expected += piece;
    }
    EXPECT_EQ(readAll(target), "previous drawing") << "nothing replaced before commit";
    ASSERT_TRUE(out.commit(backup.string())) << out.error();
    std::string written = readAll(target);
    ASSERT_EQ(written.size(), expected.size());
    EXPECT_TRUE(written == expected) << "differs from byte " << std::distance(written.begin(),
                                            std::mismatch(written.begin(), written.end(), expected.begin()).first);
    EXPECT_EQ(readAll(backup), "previous drawing");
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir)) files += e.is_regular_file();
    EXPECT_EQ(files, 2) << "no temporary file left";
    fs::remove_all(dir);
}

}  // namespace
}  // namespace cadhost::dxf
