// The path length limit of the batch commands, at its boundary.
#include "commands/command_paths.h"

#include <gtest/gtest.h>
#include <testing_input.h>

#include <string>

namespace {

using cadhost::testing::InputSession;

TEST(PathFitsBufferTest, LimitIsThePathBufferWithItsTerminator) {
    struct Case {
        std::size_t length;
        bool fits;
    };
    for (const Case c : {Case{0, true}, Case{259, true}, Case{260, false}, Case{5000, false}}) {
        SCOPED_TRACE(c.length);
        InputSession session;
        const std::wstring path = L"/" + std::wstring(c.length > 0 ? c.length - 1 : 0, L'p');
        EXPECT_EQ(pathFitsBuffer(c.length == 0 ? L"" : path.c_str()), c.fits);
        EXPECT_EQ(session.commandLine(),
                  c.fits ? L"" : L"\nPath too long (more than 259 characters): " + path);
    }
    EXPECT_TRUE(pathFitsBuffer(nullptr));
}

}  // namespace
