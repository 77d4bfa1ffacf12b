// acutPrintf: module text onto the command line, formatted with the platform's semantics.
#include <gtest/gtest.h>

#include "acutads.h"
#include "arx/command_line.h"

namespace {

// %s takes wide text (as on Windows), no line break is added, and a percent sign in an
// argument is printed as it is.
TEST(AcutPrintfTest, FormatsWideTextAndAddsNothing) {
    cadhost::CommandLineCapture capture;
    EXPECT_EQ(RTNORM, acutPrintf(L"\n"));
    EXPECT_EQ(RTNORM, acutPrintf(L"The file [%s] is not managed by PDM.", L"/w/ä.dxf"));
    EXPECT_EQ(RTNORM, acutPrintf(L"(%hs@%d)", "block", 42));
    EXPECT_EQ(RTNORM, acutPrintf(L"%ls", L" 100% sure"));
    EXPECT_EQ(RTNORM, acutPrintf(nullptr));
    EXPECT_EQ(L"\nThe file [/w/ä.dxf] is not managed by PDM.(block@42) 100% sure", capture.text());
}

}  // namespace
