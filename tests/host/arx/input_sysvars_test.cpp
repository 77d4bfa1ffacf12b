// The host's system variables: defaults, typed reads, and what setting them accepts.
#include "arx/input_sysvars.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "acedads.h"
#include "testing_input.h"

namespace cadhost {
namespace {

using testing::InputSession;

TEST(SystemVariablesTest, AcedGetVarGivesTypedValuesAndLogsReads) {
    InputSession session;
    resbuf rb{};
    ASSERT_EQ(acedGetVar(L"FILEDIA", &rb), RTNORM);
    EXPECT_EQ(rb.restype, RTSHORT);
    EXPECT_EQ(rb.resval.rint, 1);
    ASSERT_EQ(acedGetVar(L"cmdecho", &rb), RTNORM);
    EXPECT_EQ(testing::variablesRead(), (std::vector<std::wstring>{L"FILEDIA", L"cmdecho"}));
    // Text comes back as a host string.
    ASSERT_EQ(acedGetVar(L"DWGNAME", &rb), RTNORM);
    ASSERT_EQ(rb.restype, RTSTR);
    EXPECT_STREQ(rb.resval.rstring, L"Drawing1.dwg");
    std::free(rb.resval.rstring);
    // An unknown name is an error that leaves the result alone.
    rb.restype = 77;
    EXPECT_EQ(acedGetVar(L"NOSUCHVAR", &rb), RTERROR);
    EXPECT_EQ(rb.restype, 77);
    EXPECT_EQ(acedGetVar(nullptr, &rb), RTERROR);
    EXPECT_EQ(acedGetVar(L"FILEDIA", nullptr), RTERROR);
}

TEST(SystemVariablesTest, SetFromTextTable) {
    using S = SystemVariables::Status;
    struct Case {
        const wchar_t* name;
        const wchar_t* text;
        S status;
        const wchar_t* after;  // value text afterwards (null: no such variable)
    };
    const Case cases[] = {
        {L"FILEDIA", L"0", S::kOk, L"0"}, {L"filedia", L" 1 ", S::kOk, L"1"},
        {L"FILEDIA", L"2", S::kBadValue, L"1"}, {L"FILEDIA", L"-1", S::kBadValue, L"1"},
        {L"FILEDIA", L"one", S::kBadValue, L"1"}, {L"FILEDIA", L"", S::kBadValue, L"1"},
        {L"FILEDIA", L"99999999999999", S::kBadValue, L"1"}, {L"EXPERT", L"+5", S::kOk, L"5"},
        {L"DWGNAME", L"x.dwg", S::kReadOnly, L"Drawing1.dwg"},
        {L"NOSUCHVAR", L"1", S::kUnknownName, nullptr},
    };
    for (const Case& c : cases) {
        InputSession session;
        const SystemVariables::SetResult r = SystemVariables::setFromText(c.name, c.text);
        EXPECT_EQ(r.status, c.status) << c.name << "=" << c.text;
        EXPECT_EQ(r.ok(), r.message.empty()) << c.name << "=" << c.text;
        EXPECT_EQ(SystemVariables::valueText(c.name).value_or(L"?"), c.after ? c.after : L"?");
    }
    InputSession session;
    EXPECT_EQ(SystemVariables::setFromText(L"BOGUS", L"7").message, L"Unknown variable name.");
}

}  // namespace
}  // namespace cadhost
