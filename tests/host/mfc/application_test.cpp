// The framework pieces without a screen: wait cursor, message box, extension libraries and
// string loading through the resource chain.
#include <afx.h>
#include <gtest/gtest.h>

#include "arx/command_line.h"
#include "testing_mfc.h"

namespace {

const CADHOST_STRING_RESOURCE kStrings[] = {
    {7001, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), L"Resource text"},
    {0, 0, nullptr},
};
CADHOST_STRING_TABLE(kStrings);

TEST(WaitCursorTest, NestsAndAlwaysComesBack) {
    const int begins = cadhost::testing::waitCursorBeginCount();
    EXPECT_EQ(0, cadhost::testing::waitCursorDepth());
    {
        CWaitCursor outer;
        EXPECT_EQ(1, cadhost::testing::waitCursorDepth());
        try {
            CWaitCursor inner;
            EXPECT_EQ(2, cadhost::testing::waitCursorDepth());
            throw 1;
        } catch (int) {
        }
        EXPECT_EQ(1, cadhost::testing::waitCursorDepth());
    }
    EXPECT_EQ(0, cadhost::testing::waitCursorDepth());
    EXPECT_EQ(begins + 2, cadhost::testing::waitCursorBeginCount());
}

TEST(AfxMessageBoxTest, WritesToTheCommandLine) {
    cadhost::CommandLineCapture capture;
    EXPECT_EQ(IDOK, AfxMessageBox(L"[CIniFile::_FindSection]\nCoud not find section [X]"));
    EXPECT_EQ(IDOK, AfxMessageBox(L"second", MB_OK));
    EXPECT_EQ(L"[CIniFile::_FindSection]\nCoud not find section [X]\nsecond\n", capture.text());
}

TEST(ExtensionModuleTest, AttachJoinsAndDetachLeavesTheResourceChain) {
    HMODULE module = GetModuleHandleW(nullptr);
    const int before = cadhost::testing::dynLinkLibraryCount();
    AFX_EXTENSION_MODULE state = {};
    ASSERT_TRUE(AfxInitExtensionModule(state, module));
    EXPECT_TRUE(AfxInitExtensionModule(state, module));  // a second attach changes nothing
    new CDynLinkLibrary(state);
    EXPECT_EQ(before + 1, cadhost::testing::dynLinkLibraryCount());
    EXPECT_TRUE(cadhost::testing::hasDynLinkLibrary(module));
    // Strings are found through the chain even when the resource handle is elsewhere.
    HMODULE host = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(&AfxGetApp), &host);
    AfxSetResourceHandle(host);
    CString text;
    EXPECT_TRUE(text.LoadString(7001));
    EXPECT_EQ(L"Resource text", text);
    AfxTermExtensionModule(state);
    EXPECT_FALSE(state.bInitialized);
    EXPECT_EQ(before, cadhost::testing::dynLinkLibraryCount());
    CString missing(L"unchanged");
    EXPECT_FALSE(missing.LoadString(7001));
    EXPECT_EQ(L"unchanged", missing);
    AfxSetResourceHandle(nullptr);
    EXPECT_TRUE(missing.LoadString(7001));
    AFX_EXTENSION_MODULE none = {};
    EXPECT_FALSE(AfxInitExtensionModule(none, nullptr));
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
}

}  // namespace
