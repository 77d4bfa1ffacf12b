// The command stack: registration, lookup with case ignored, duplicates and removal.
#include <gtest/gtest.h>

#include "accmd.h"
#include "acestext.h"
#include "arx/command_invoke.h"
#include "rxregsvc.h"

namespace {

int g_calls = 0;
void countCall() { ++g_calls; }
void otherCall() { g_calls += 100; }
void throwingCall() { throw L"*ERROR*: from a command"; }

class CommandStackTest : public ::testing::Test {
  protected:
    void TearDown() override {
        stack.removeGroup(L"GROUP_A");
        stack.removeGroup(L"GROUP_B");
    }
    AcEdCommandStack stack;
};

TEST_F(CommandStackTest, LooksUpByGlobalAndLocalNameWithCaseIgnored) {
    ASSERT_EQ(Acad::eOk,
              stack.addCommand(L"GROUP_A", L"_Do_It", L"do_it", ACRX_CMD_SESSION, countCall));
    AcEdCommand* cmd = stack.lookupGlobalCmd(L"_do_it");
    ASSERT_NE(nullptr, cmd);
    EXPECT_EQ(cmd, stack.lookupGlobalCmd(L"_DO_IT"));
    EXPECT_STREQ(L"do_it", cmd->localName());
    EXPECT_EQ(&countCall, cmd->functionAddr());
    EXPECT_NE(nullptr, stack.lookupLocalCmd(L"DO_IT"));
    EXPECT_EQ(nullptr, stack.lookupLocalCmd(L"_do_it")) << "global name is not a local name";
    EXPECT_EQ(nullptr, stack.lookupGlobalCmd(L"do_it")) << "local name is not a global name";
    EXPECT_EQ(nullptr, stack.lookupGlobalCmd(L"_do"));
    EXPECT_EQ(nullptr, stack.lookupGlobalCmd(nullptr));
}

TEST_F(CommandStackTest, HandsBackTheNewCommandAndDefaultsTheLocalName) {
    AcEdCommand* created = nullptr;
    ASSERT_EQ(Acad::eOk, stack.addCommand(L"GROUP_A", L"_x", nullptr, ACRX_CMD_MODAL, countCall,
                                          nullptr, 7, nullptr, &created));
    ASSERT_NE(nullptr, created);
    EXPECT_EQ(created, stack.lookupGlobalCmd(L"_X"));
    EXPECT_STREQ(L"_x", created->localName()) << "a missing local name takes the global one";
}

TEST_F(CommandStackTest, RefusesDuplicateGlobalNameInTheSameGroupOnly) {
    ASSERT_EQ(Acad::eOk, stack.addCommand(L"GROUP_A", L"_cmd", L"cmd", 0, countCall));
    EXPECT_EQ(Acad::eDuplicateKey, stack.addCommand(L"GROUP_A", L"_CMD", L"other", 0, otherCall));
    EXPECT_EQ(Acad::eDuplicateKey, stack.addCommand(L"group_a", L"_cmd", L"cmd", 0, otherCall))
        << "group names compare with case ignored";
    EXPECT_EQ(&countCall, stack.lookupGlobalCmd(L"_cmd")->functionAddr());
    // Another group may use the name; the most recently added group wins the lookup.
    ASSERT_EQ(Acad::eOk, stack.addCommand(L"GROUP_B", L"_cmd", L"cmd", 0, otherCall));
    EXPECT_EQ(&otherCall, stack.lookupGlobalCmd(L"_cmd")->functionAddr());
}

TEST_F(CommandStackTest, RefusesIncompleteCommands) {
    EXPECT_EQ(Acad::eInvalidInput, stack.addCommand(nullptr, L"_a", L"a", 0, countCall));
    EXPECT_EQ(Acad::eInvalidInput, stack.addCommand(L"", L"_a", L"a", 0, countCall));
    EXPECT_EQ(Acad::eInvalidInput, stack.addCommand(L"GROUP_A", nullptr, L"a", 0, countCall));
    EXPECT_EQ(Acad::eInvalidInput, stack.addCommand(L"GROUP_A", L"", L"a", 0, countCall));
    EXPECT_EQ(Acad::eInvalidInput, stack.addCommand(L"GROUP_A", L"_a", L"a", 0, nullptr));
    EXPECT_EQ(nullptr, stack.lookupLocalCmd(L"a"));
}

TEST_F(CommandStackTest, RemovesCommandsAndGroups) {
    ASSERT_EQ(Acad::eOk, stack.addCommand(L"GROUP_A", L"_one", L"one", 0, countCall));
    ASSERT_EQ(Acad::eOk, stack.addCommand(L"GROUP_A", L"_two", L"two", 0, countCall));
    ASSERT_EQ(Acad::eOk, stack.addCommand(L"GROUP_B", L"_three", L"three", 0, countCall));
    EXPECT_EQ(Acad::eKeyNotFound, stack.removeCmd(L"GROUP_B", L"_one")) << "wrong group";
    EXPECT_EQ(Acad::eKeyNotFound, stack.removeCmd(L"NO_GROUP", L"_one"));
    EXPECT_EQ(Acad::eOk, stack.removeCmd(L"group_a", L"_ONE"));
    EXPECT_EQ(nullptr, stack.lookupGlobalCmd(L"_one"));
    EXPECT_NE(nullptr, stack.lookupGlobalCmd(L"_two"));
    EXPECT_EQ(Acad::eKeyNotFound, stack.removeCmd(L"GROUP_A", L"_one")) << "already removed";
    EXPECT_EQ(Acad::eOk, stack.removeGroup(L"GROUP_A"));
    EXPECT_EQ(nullptr, stack.lookupGlobalCmd(L"_two"));
    EXPECT_NE(nullptr, stack.lookupGlobalCmd(L"_three"));
    EXPECT_EQ(Acad::eKeyNotFound, stack.removeGroup(L"GROUP_A"));
    // A group emptied command by command is gone, and a new command may reuse its name.
    EXPECT_EQ(Acad::eOk, stack.removeCmd(L"GROUP_B", L"_three"));
    EXPECT_EQ(Acad::eKeyNotFound, stack.removeGroup(L"GROUP_B"));
    EXPECT_EQ(Acad::eOk, stack.addCommand(L"GROUP_B", L"_three", L"three", 0, countCall));
}

TEST(CommandInvokeTest, RunsRegisteredCommandsAndSurvivesThrowingOnes) {
    AcEdCommandStack* stack = acedRegCmds;
    ASSERT_NE(nullptr, stack);
    ASSERT_EQ(Acad::eOk, stack->addCommand(L"INVOKE_TEST", L"_count", L"zaehlen", 0, countCall));
    ASSERT_EQ(Acad::eOk, stack->addCommand(L"INVOKE_TEST", L"_throw", L"werfen", 0, throwingCall));
    g_calls = 0;
    EXPECT_TRUE(cadhost::invokeCommand(cadhost::findCommand(L"_COUNT")));
    EXPECT_TRUE(cadhost::invokeCommand(cadhost::findCommand(L"Zaehlen")));
    EXPECT_EQ(2, g_calls);
    EXPECT_EQ(nullptr, cadhost::findCommand(L"_unknown"));
    EXPECT_FALSE(cadhost::invokeCommand(nullptr));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(cadhost::invokeCommand(cadhost::findCommand(L"_throw")));
    EXPECT_EQ("cadhost: command _throw: *ERROR*: from a command\n",
              ::testing::internal::GetCapturedStderr());
    EXPECT_EQ(Acad::eOk, stack->removeGroup(L"INVOKE_TEST"));
}

}  // namespace
