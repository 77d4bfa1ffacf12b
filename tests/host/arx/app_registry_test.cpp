// The system registry, the dynamic linker, application registration and the LISP function
// table.
#include <gtest/gtest.h>

#include "aced.h"
#include "arx/app_registry.h"
#include "rxregsvc.h"

namespace {

TEST(SysRegistryTest, HoldsTheDynamicLinkerAndTheCommandStack) {
    AcRxDictionary* registry = acrxSysRegistry();
    ASSERT_NE(nullptr, registry);
    EXPECT_EQ(registry, acrxSysRegistry()) << "one registry per process";
    AcRxObject* linker = registry->at(L"DynamicLinker");
    ASSERT_NE(nullptr, linker);
    EXPECT_TRUE(linker->isKindOf(AcRxDynamicLinker::desc()));
    EXPECT_EQ(nullptr, AcEdCommandStack::cast(linker));
    EXPECT_EQ(linker, acrxDynamicLinker);
    AcRxObject* commands = registry->at(L"ACAD_REGISTERED_COMMANDS");
    ASSERT_NE(nullptr, commands);
    EXPECT_TRUE(commands->isKindOf(AcEdCommandStack::desc()));
    EXPECT_EQ(commands, acedRegCmds);
    EXPECT_EQ(nullptr, registry->at(L"dynamiclinker")) << "registry keys compare exactly";
    EXPECT_EQ(nullptr, registry->at(L"NoSuchService"));
    EXPECT_EQ(nullptr, registry->at(nullptr));
}

// What the application framework asks of the linker at initialisation.
TEST(DynamicLinkerTest, TracksUnlockingAndMdiAwarenessPerApplication) {
    AcRxDynamicLinker* linker = acrxDynamicLinker;
    int appA = 0, appB = 0;
    EXPECT_TRUE(linker->unlockApplication(&appA));
    EXPECT_TRUE(linker->registerAppMDIAware(&appA));
    EXPECT_FALSE(linker->isAppLocked(&appA));
    EXPECT_TRUE(linker->isAppMDIAware(&appA));
    EXPECT_TRUE(linker->isAppLocked(&appB)) << "an application starts locked, and others are unaffected";
    EXPECT_FALSE(linker->isAppMDIAware(&appB));
    EXPECT_FALSE(linker->unlockApplication(nullptr));
    EXPECT_FALSE(linker->registerAppMDIAware(nullptr));
}

int findReasons(const std::wstring& name) {
    for (const auto& app : cadhost::registeredApps())
        if (app.name == name) return app.loadReasons;
    return -1;
}

TEST(AppRegistrationTest, RecordsNameAndLoadReasons) {
    const auto reasons = AcadApp::LoadReasons(AcadApp::kOnAutoCADStartup | AcadApp::kOnCommandInvocation);
    ASSERT_EQ(Acad::eOk, acrxRegisterApp(reasons, L"TestApp"));
    EXPECT_EQ(6, findReasons(L"TestApp"));
    // A second registration of the same name replaces the first.
    ASSERT_EQ(Acad::eOk, acrxRegisterApp(AcadApp::kOnLoadRequest, L"TESTAPP"));
    EXPECT_EQ(AcadApp::kOnLoadRequest, findReasons(L"TestApp"));
    EXPECT_EQ(Acad::eInvalidInput, acrxRegisterApp(reasons, nullptr));
    EXPECT_EQ(Acad::eInvalidInput, acrxRegisterApp(reasons, L""));
}

int lispAnswer() { return 42; }

TEST(LispFunctionTableTest, DefinesRegistersInvokesAndUndefines) {
    const auto before = cadhost::lispFunctionCount();
    EXPECT_EQ(-1, acedGetFunCode()) << "no function is being invoked";
    ASSERT_EQ(RTNORM, acedDefun(L"c:answer", 3));
    ASSERT_EQ(RTNORM, acedRegFunc(lispAnswer, 3));
    EXPECT_EQ(before + 1, cadhost::lispFunctionCount());
    EXPECT_EQ(3, cadhost::lispFunctionCode(L"C:ANSWER"));
    ASSERT_NE(nullptr, cadhost::lispFunction(3));
    EXPECT_EQ(42, cadhost::lispFunction(3)());
    {
        cadhost::LispInvocation invocation(3);
        EXPECT_EQ(3, acedGetFunCode());
    }
    EXPECT_EQ(-1, acedGetFunCode());
    EXPECT_EQ(RTERROR, acedUndef(L"c:answer", 4)) << "code must match";
    EXPECT_EQ(RTNORM, acedUndef(L"C:Answer", 3));
    EXPECT_EQ(std::nullopt, cadhost::lispFunctionCode(L"c:answer"));
    EXPECT_EQ(before, cadhost::lispFunctionCount());
    EXPECT_EQ(RTNORM, acedRegFunc(nullptr, 3));
    EXPECT_EQ(nullptr, cadhost::lispFunction(3));
    EXPECT_EQ(RTERROR, acedDefun(nullptr, 1));
    EXPECT_EQ(RTERROR, acedDefun(L"", 1));
    EXPECT_EQ(RTERROR, acedDefun(L"x", -1));
    EXPECT_EQ(RTERROR, acedRegFunc(lispAnswer, -1));
}

}  // namespace
