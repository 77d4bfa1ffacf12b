// The application framework of acrxEntryPoint.h with full tables: commands (also with a
// resource-named local name), custom classes, property extensions and LISP functions.
#include <acrxEntryPoint.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arx/app_registry.h"

// The framework reads the module's instance handle from here; this program has no string
// table, so names loaded by resource id come out empty.
HINSTANCE _hdllInstance = nullptr;

namespace {

std::vector<std::string> g_log;

void command() { g_log.push_back("command"); }
int lispFirst() { return g_log.push_back("lisp first"), RTNORM; }
int lispSecond() { return g_log.push_back("lisp second"), RTNORM; }

// Three class descriptors: Base, Child of Base, Other.
AcRxClass* baseDesc() { static AcRxClass c(L"FwBase", AcRxObject::desc()); return &c; }
AcRxClass* childDesc() { static AcRxClass c(L"FwChild", baseDesc()); return &c; }
AcRxClass* otherDesc() { static AcRxClass c(L"FwOther", AcRxObject::desc()); return &c; }
void initBase() { g_log.push_back("init base"); }
void initChild() { g_log.push_back("init child"); }

void registerProps() { g_log.push_back("register props"); }
void unregisterProps() { g_log.push_back("unregister props"); }

_ARXCOMMAND_ENTRY kModal = {L"FW_GROUP", L"_fw_modal", L"fw_modal", ACRX_CMD_MODAL, command, nullptr, 0};
_ARXCOMMAND_ENTRY kSession = {L"FW_GROUP", L"_fw_session", nullptr, ACRX_CMD_SESSION, command, nullptr, 4711};
_ARXCOMMAND_ENTRY* const kCommands[] = {&kModal, nullptr, &kSession};

_ACRXCLASS_ENTRY kBase = {baseDesc, initBase, false};
_ACRXCLASS_ENTRY kChild = {childDesc, initChild, false};
_ACRXCLASS_ENTRY kOther = {otherDesc, nullptr, false};
_ACRXCLASS_ENTRY* const kClasses[] = {&kBase, &kChild, nullptr, &kOther};

_OBJECT_ENTRY kProps = {baseDesc, registerProps, unregisterProps};
_OBJECT_ENTRY* const kDynProps[] = {&kProps};

_ADSSYMBOL_ENTRY kFirst = {L"fw-first", lispFirst, true, 0};
_ADSSYMBOL_ENTRY kSecond = {L"fw-second", lispSecond, false, 0};
_ADSSYMBOL_ENTRY* const kLisp[] = {nullptr, &kFirst, nullptr, &kSecond};

AcRxModuleTables fullTables() {
    AcRxModuleTables t;
    t.commands = kCommands, t.commandCount = 3;
    t.classes = kClasses, t.classCount = 4;
    t.dynamicProperties = kDynProps, t.dynamicPropertyCount = 1;
    t.lispFunctions = kLisp, t.lispFunctionCount = 4;
    return t;
}

class TestApp : public AcRxArxApp {
  public:
    TestApp() : AcRxArxApp(fullTables()) {}
    void registerServerComponents() override { g_log.push_back("register server"); }
};

TEST(AcRxArxAppTest, InitAndUnloadWalkEveryTableInOrder) {
    g_log.clear();
    TestApp app;
    int appId = 0;
    const int builds = cadhost::classHierarchyBuildCount();
    EXPECT_EQ(AcRx::kRetOK, app.dispatch(AcRx::kInitAppMsg, &appId));
    EXPECT_EQ((std::vector<std::string>{"register server", "init base", "init child", "register props"}), g_log);
    EXPECT_EQ(builds + 1, cadhost::classHierarchyBuildCount());
    EXPECT_TRUE(kBase.bRegistered && kChild.bRegistered && kOther.bRegistered);
    EXPECT_FALSE(acrxDynamicLinker->isAppLocked(&appId));
    EXPECT_TRUE(acrxDynamicLinker->isAppMDIAware(&appId));
    AcEdCommand* modal = acedRegCmds->lookupGlobalCmd(L"_fw_modal");
    ASSERT_NE(nullptr, modal);
    EXPECT_EQ(nullptr, modal->resourceHandle()) << "the module's (null) instance handle";
    // No local name and no such string: the empty name falls back to the global one.
    AcEdCommand* session = acedRegCmds->lookupGlobalCmd(L"_fw_session");
    ASSERT_NE(nullptr, session);
    EXPECT_STREQ(L"_fw_session", session->localName());
    g_log.clear();
    EXPECT_EQ(AcRx::kRetOK, app.dispatch(AcRx::kUnloadAppMsg, &appId));
    EXPECT_EQ((std::vector<std::string>{"unregister props"}), g_log);
    EXPECT_FALSE(kBase.bRegistered || kChild.bRegistered || kOther.bRegistered);
    EXPECT_EQ(nullptr, acedRegCmds->lookupGlobalCmd(L"_fw_modal"));
    EXPECT_EQ(nullptr, acedRegCmds->lookupGlobalCmd(L"_fw_session"));
    EXPECT_EQ(nullptr, app.m_pDynPropManager);
}

TEST(AcRxArxAppTest, LispFunctionsAreNumberedOverNonNullRecords) {
    g_log.clear();
    TestApp app;
    const auto before = cadhost::lispFunctionCount();
    EXPECT_EQ(AcRx::kRetOK, app.dispatch(AcRx::kLoadDwgMsg, nullptr));
    EXPECT_EQ(0, cadhost::lispFunctionCode(L"fw-first"));
    EXPECT_EQ(1, cadhost::lispFunctionCode(L"fw-second"));
    EXPECT_NE(nullptr, cadhost::lispFunction(0)) << "registered as callable";
    EXPECT_EQ(nullptr, cadhost::lispFunction(1)) << "not asked to be registered";
    {
        cadhost::LispInvocation invocation(1);
        EXPECT_EQ(AcRx::kRetOK, app.dispatch(AcRx::kInvkSubrMsg, nullptr));
    }
    {
        cadhost::LispInvocation invocation(7);  // no such function: nothing runs
        EXPECT_EQ(AcRx::kRetOK, app.dispatch(AcRx::kInvkSubrMsg, nullptr));
    }
    EXPECT_EQ((std::vector<std::string>{"lisp second"}), g_log);
    EXPECT_EQ(AcRx::kRetOK, app.dispatch(AcRx::kUnloadDwgMsg, nullptr));
    EXPECT_EQ(before, cadhost::lispFunctionCount());
    acedRegFunc(nullptr, 0);
}

TEST(AcRxArxAppTest, MessagesBeyondFifteenReachNoHandler) {
    struct Counting : TestApp {
        int calls = 0;
        AcRx::AppRetCode onNullMsg(void*) override {
            ++calls;
            return AcRx::kRetError;
        }
    } app;
    EXPECT_EQ(AcRx::kRetError, app.dispatch(AcRx::kNullMsg, nullptr));
    EXPECT_EQ(AcRx::kRetOK, app.dispatch(AcRx::kSuspendMsg, nullptr));
    EXPECT_EQ(AcRx::kRetOK, app.dispatch(AcRx::kEndTabGroupMsg, nullptr));
    EXPECT_EQ(1, app.calls);
}

}  // namespace
