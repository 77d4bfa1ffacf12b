// Loading modules and the guard around every call into one; the real module loaded as
// cadhost loads it.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "accmd.h"
#include "arx/app_registry.h"
#include "arx/command_line.h"
#include "arx/module_guard.h"
#include "arx/module_loader.h"
#include "rxregsvc.h"

namespace {

const std::string kBinDir = BRAKON_BIN_DIR;

TEST(GuardedCallTest, ReportsWhateverAModuleThrowsAndGoesOn) {
    const struct {
        void (*thrower)();
        const char* report;
    } cases[] = {
        {[] { throw std::runtime_error("disk full"); }, "cadhost: call: disk full\n"},
        {[] { throw L"*ERROR*: [Acad::eKeyNotFound].\n[block].[12]"; },
         "cadhost: call: *ERROR*: [Acad::eKeyNotFound].\n[block].[12]\n"},
        {[] { throw "Bounds Error"; }, "cadhost: call: Bounds Error\n"},
        {[] { throw Acad::eWasErased; }, "cadhost: call: Acad::eWasErased\n"},
        {[] { throw 42; }, "cadhost: call: unknown exception\n"},
    };
    for (const auto& c : cases) {
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(cadhost::guardedCall("call", c.thrower));
        EXPECT_EQ(c.report, ::testing::internal::GetCapturedStderr());
    }
    ::testing::internal::CaptureStderr();
    bool ran = false;
    EXPECT_TRUE(cadhost::guardedCall("call", [&] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_EQ("", ::testing::internal::GetCapturedStderr());
}

TEST(LoadedModuleTest, RefusesWhatIsNotAModuleNamingTheFile) {
    const struct { std::string path; std::string reason; } cases[] = {
        {kBinDir + "/no_such_module.so", "cannot load module"},
        {std::string(BRAKON_SOURCE_DIR) + "/CMakeLists.txt", "cannot load module"},
        // A shared object, but not a module: the host library has no entry point.
        {kBinDir + "/libcadhost.so", "not a module of this host (no acrxEntryPoint)"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(nullptr, cadhost::LoadedModule::load(c.path, error)) << c.path;
        EXPECT_EQ(0u, error.rfind(c.path + ": ", 0)) << error;
        EXPECT_NE(std::string::npos, error.find(c.reason)) << error;
    }
}

// The real module, loaded as cadhost loads it.
const wchar_t* const kBrakonCommands[] = {
    L"_vallo_get_dependencies", L"_vallo_replace_referenced_document", L"_tarvik_get_dependencies",
    L"_tarvik_replace_referenced_document"};

TEST(BrakonModuleTest, LoadsAnswersEveryMessageAndUnloadsCleanly) {
    std::string error;
    auto module = cadhost::LoadedModule::load(kBinDir + "/brakon.so", error);
    ASSERT_NE(nullptr, module) << error;
    EXPECT_EQ(nullptr, acedRegCmds->lookupGlobalCmd(kBrakonCommands[0]))
        << "nothing is registered before the initialisation message";
    ASSERT_EQ(AcRx::kRetOK, module->initialize());
    for (const wchar_t* name : kBrakonCommands) {
        AcEdCommand* cmd = acedRegCmds->lookupGlobalCmd(name);
        ASSERT_NE(nullptr, cmd);
        EXPECT_STREQ(L"KOVA", cmd->groupName());
    }
    EXPECT_FALSE(acrxDynamicLinker->isAppLocked(module->appId()));
    EXPECT_TRUE(acrxDynamicLinker->isAppMDIAware(module->appId()));
    bool registered = false;
    for (const auto& app : cadhost::registeredApps())
        if (app.name == L"brakon") registered = app.loadReasons == 6;
    EXPECT_TRUE(registered);
    {
        cadhost::CommandLineCapture capture;
        for (int code = 0; code <= 20; ++code) {
            if (code == AcRx::kInitAppMsg || code == AcRx::kUnloadAppMsg) continue;
            EXPECT_EQ(AcRx::kRetOK,
                      module->sendMessage(static_cast<AcRx::AppMsgCode>(code), nullptr))
                << code;
        }
        EXPECT_EQ(L"", capture.text()) << "no document: the drawing-load hook stays silent";
    }
    module->unload();
    for (const wchar_t* name : kBrakonCommands)
        EXPECT_EQ(nullptr, acedRegCmds->lookupGlobalCmd(name)) << "removed at unload";
    EXPECT_EQ(AcRx::kRetError, module->sendMessage(AcRx::kNullMsg, nullptr)) << "an unloaded module is not called";
}

}  // namespace
