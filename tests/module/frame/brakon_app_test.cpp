// The module's entry point and application object: messages, command registration and removal,
// application registration, the message texts and the framework's slot order.
#include "frame/brakon_app.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "frame/messages.h"
#include "testing_app.h"
#include "testing_input.h"
#include "testing_mfc.h"

namespace {

const wchar_t* const kGlobalNames[] = {
    L"_vallo_get_dependencies", L"_vallo_replace_referenced_document", L"_tarvik_get_dependencies",
    L"_tarvik_replace_referenced_document"};

// One initialised module for the duration of a test, unloaded again afterwards.
class BrakonAppTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(AcRx::kRetOK, acrxEntryPoint(AcRx::kInitAppMsg, appId())); }
    void TearDown() override { acrxEntryPoint(AcRx::kUnloadAppMsg, appId()); }
    void* appId() { return &m_appId; }

  private:
    int m_appId = 0;
};

TEST_F(BrakonAppTest, InitRegistersTheFourCommandsInGroupKova) {
    AcEdCommandStack* stack = acedRegCmds;
    for (const wchar_t* global : kGlobalNames) {
        AcEdCommand* cmd = stack->lookupGlobalCmd(global);
        ASSERT_NE(nullptr, cmd) << global;
        EXPECT_STREQ(L"KOVA", cmd->groupName());
        EXPECT_STREQ(global + 1, cmd->localName()) << "local name: without the underscore";
        EXPECT_EQ(0x200000, cmd->commandFlags());
        EXPECT_EQ(nullptr, cmd->resourceHandle()) << "application-context commands";
        EXPECT_EQ(nullptr, cmd->UIContext());
        EXPECT_EQ(-1, cmd->functionCode());
        EXPECT_NE(nullptr, cmd->functionAddr());
        EXPECT_EQ(cmd, stack->lookupLocalCmd(global + 1));
    }
}

TEST(BrakonAppLifecycleTest, UnloadRemovesEveryCommand) {
    int id = 0;
    ASSERT_EQ(AcRx::kRetOK, acrxEntryPoint(AcRx::kInitAppMsg, &id));
    ASSERT_EQ(AcRx::kRetOK, acrxEntryPoint(AcRx::kUnloadAppMsg, &id));
    for (const wchar_t* global : kGlobalNames) {
        EXPECT_EQ(nullptr, acedRegCmds->lookupGlobalCmd(global)) << global;
        EXPECT_EQ(nullptr, acedRegCmds->lookupLocalCmd(global + 1)) << global;
    }
    // And a second life works as the first.
    ASSERT_EQ(AcRx::kRetOK, acrxEntryPoint(AcRx::kInitAppMsg, &id));
    EXPECT_NE(nullptr, theArxApp.m_pDynPropManager);
    EXPECT_EQ(_hdllInstance, theArxApp.m_hdllInstance);
    EXPECT_NE(nullptr, acedRegCmds->lookupGlobalCmd(kGlobalNames[0]));
    ASSERT_EQ(AcRx::kRetOK, acrxEntryPoint(AcRx::kUnloadAppMsg, &id));
    EXPECT_EQ(nullptr, theArxApp.m_pDynPropManager);
}

TEST_F(BrakonAppTest, TarvikNamesRunWhatValloNamesRun) {
    const std::pair<const wchar_t*, const wchar_t*> pairs[] = {
        {L"_vallo_get_dependencies", L"_tarvik_get_dependencies"},
        {L"_vallo_replace_referenced_document", L"_tarvik_replace_referenced_document"}};
    auto output = [](const wchar_t* command) {
        cadhost::testing::InputSession capture;
        EXPECT_TRUE(cadhost::testing::invokeCommand(command));
        return capture.commandLine();
    };
    for (const auto& [vallo, tarvik] : pairs) {
        EXPECT_NE(acedRegCmds->lookupGlobalCmd(vallo)->functionAddr(),
                  acedRegCmds->lookupGlobalCmd(tarvik)->functionAddr());
        EXPECT_EQ(output(vallo), output(tarvik)) << tarvik;
    }
}

TEST_F(BrakonAppTest, EveryMessageCodeIsAnsweredWithZero) {
    cadhost::testing::closeAllDocuments();
    const std::size_t lispBefore = cadhost::testing::lispFunctionCount();
    cadhost::testing::InputSession capture;
    // 1 and 2 are left to the fixture; 3 finds no working database and does nothing.
    for (int code : {0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 31}) {
        EXPECT_EQ(AcRx::kRetOK, acrxEntryPoint(static_cast<AcRx::AppMsgCode>(code), nullptr))
            << code;
    }
    EXPECT_EQ(L"", capture.commandLine());
    EXPECT_EQ(lispBefore, cadhost::testing::lispFunctionCount())
        << "the empty LISP table defines nothing";
}

TEST(BrakonLibraryTest, AttachJoinedTheResourceChainAndTheApiIsGeneration24) {
    ASSERT_NE(nullptr, _hdllInstance) << "library attach stored the module's handle";
    EXPECT_TRUE(cadhost::testing::hasDynLinkLibrary(_hdllInstance));
    EXPECT_EQ(24u, reinterpret_cast<std::uintptr_t>(acrxGetApiVersion()) >> 16);
}

#if defined(__GNUC__)
// Where a virtual operation sits in the vtable: the Itanium C++ ABI encodes a pointer to a
// virtual member as 1 + its byte offset in the vtable.
template <class F>
std::ptrdiff_t slotOf(F member) {
    std::ptrdiff_t raw = 0;
    std::memcpy(&raw, &member, sizeof raw);
    return (raw - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

TEST(BrakonAppLayoutTest, HandlersSitInTheHostsSlotOrder) {
    EXPECT_EQ(0, slotOf(&CBrakonApp::onInitApp));
    EXPECT_EQ(1, slotOf(&CBrakonApp::onUnloadApp));
    EXPECT_EQ(2, slotOf(&CBrakonApp::onLoadDwg));
    EXPECT_EQ(3, slotOf(&CBrakonApp::onUnloadDwg));
    EXPECT_EQ(4, slotOf(&CBrakonApp::onInvokeSubr));
    EXPECT_EQ(5, slotOf(&CBrakonApp::onCfg));
    EXPECT_EQ(14, slotOf(&CBrakonApp::onEndDialog));
    EXPECT_EQ(15, slotOf(&CBrakonApp::onNullMsg));
    EXPECT_EQ(16, slotOf(&CBrakonApp::registerServerComponents));
}
#endif

}  // namespace
