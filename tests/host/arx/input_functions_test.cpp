// The host's input functions over scripted answers: results, return codes and what the command
// line shows.
#include <gtest/gtest.h>

#include <cstdlib>

#include <string>
#include <vector>

#include "acedads.h"
#include "arx/command_line.h"
#include "arx/input_answers.h"
#include "testing_input.h"

namespace {

using cadhost::CommandLineCapture;
using cadhost::testing::InputSession;

TEST(AcedGetStringTest, ScriptedAnswers) {
    struct Case {
        const char* what;
        int cronly;
        std::vector<std::wstring> answers;
        int bufferSize;
        int status;
        const wchar_t* result;
        const wchar_t* commandLine;  // checked when given
    };
    const Case cases[] = {
        {"answer echoed", 1, {L"C:\\Work\\plan a.dwg"}, 260, RTNORM, L"C:\\Work\\plan a.dwg",
         L"Q: C:\\Work\\plan a.dwg\n"},
        {"blank ends the input", 0, {L"plan a.dwg"}, 64, RTNORM, L"plan", L"Q: plan\n"},
        {"leading blank gives nothing", 0, {L" lead"}, 64, RTNORM, L"", L"Q: \n"},
        {"Enter", 1, {L""}, 8, RTNORM, L"", nullptr},
        {"cancel", 1, {L"^C"}, 8, RTCAN, nullptr, L"Q: *Cancel*\n"},
        {"answers ran out", 1, {}, 8, RTCAN, nullptr, L"Q: *Cancel*\n"},
        {"too long is cut", 1, {L"abcdef"}, 4, RTINPUTTRUNCATED, L"abc", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InputSession session;
        for (const std::wstring& a : c.answers) cadhost::testing::pushAnswers({a});
        CommandLineCapture line;
        wchar_t buffer[260] = L"x";
        EXPECT_EQ(acedGetString(c.cronly, L"Q: ", buffer, c.bufferSize), c.status);
        if (c.result) {
            EXPECT_STREQ(buffer, c.result);
        }
        if (c.commandLine) {
            EXPECT_EQ(line.text(), c.commandLine);
        }
    }
    // No buffer is an error that consumes nothing.
    InputSession session({L"a"});
    EXPECT_EQ(acedGetString(1, nullptr, nullptr, 10), RTERROR);
    wchar_t buffer[1];
    EXPECT_EQ(acedGetString(1, nullptr, buffer, 0), RTERROR);
    EXPECT_EQ(cadhost::testing::pendingAnswers(), 1u);
}

TEST(AcedGetKwordTest, ScriptedAnswers) {
    struct Case {
        int flags;
        const wchar_t* keywords;
        std::vector<std::wstring> answers;
        int status;
        const wchar_t* result;
        const wchar_t* commandLine;  // checked when given
    };
    const wchar_t* german = L"Nein Ja _No Yes";
    const Case cases[] = {
        // A local word gives the global one (the matching itself is the keyword list's);
        // only the first word of the input counts.
        {0, german, {L"Ja bitte"}, RTNORM, L"Yes", nullptr},
        {0, german, {L""}, RTNONE, L"", nullptr},
        {0, german, {L"^C"}, RTCAN, L"", nullptr},
        // Invalid input is refused and asked again, until the answers run out.
        {0, german, {L"Yes", L"maybe", L"J"}, RTNORM, L"Yes",
         L"Q: Yes\nInvalid option keyword.\nQ: maybe\nInvalid option keyword.\nQ: J\n"},
        {0, L"Yes No", {L"x"}, RTCAN, L"", L"Q: x\nInvalid option keyword.\nQ: *Cancel*\n"},
        {RSG_NONULL, L"Yes No", {L"", L"n"}, RTNORM, L"No", L"Q: \nQ: n\n"},
        {RSG_OTHER, L"Yes No", {L"whatever"}, RTNORM, L"whatever", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.keywords << " / " << c.answers[0]);
        InputSession session;
        for (const std::wstring& a : c.answers) cadhost::testing::pushAnswers({a});
        CommandLineCapture line;
        acedInitGet(c.flags, c.keywords);
        wchar_t buffer[512] = L"untouched";
        EXPECT_EQ(acedGetKword(L"Q: ", buffer, 512), c.status);
        EXPECT_STREQ(buffer, c.result);
        if (c.commandLine) {
            EXPECT_EQ(line.text(), c.commandLine);
        }
    }
}

TEST(AcedGetKwordTest, InitGetAppliesToTheNextCallOnly) {
    InputSession session({L"Ja", L"", L"text", L"Ja"});
    wchar_t buffer[16];
    acedInitGet(RSG_NONULL, L"Nein Ja _No Yes");
    ASSERT_EQ(acedGetKword(nullptr, buffer, 16), RTNORM);
    // Neither the keywords nor the no-Enter bit carry over.
    EXPECT_EQ(acedGetKword(nullptr, buffer, 16), RTNONE);
    // Any input call spends a pending initget, even one that does not use it.
    acedInitGet(0, L"Nein Ja _No Yes");
    ASSERT_EQ(acedGetString(1, nullptr, buffer, 16), RTNORM);
    EXPECT_EQ(acedGetKword(nullptr, buffer, 16), RTCAN);  // "Ja" refused, then dry
}

TEST(AcedGetKwordTest, KeywordLongerThanBufferIsReported) {
    InputSession session({L"l"});
    acedInitGet(0, L"Longword");
    wchar_t buffer[4];
    EXPECT_EQ(acedGetKword(nullptr, buffer, 4), RTINPUTTRUNCATED);
    EXPECT_STREQ(buffer, L"Lon");
}

TEST(AcedGetFileDTest, ScriptedAnswers) {
    struct Case {
        const char* what;
        const wchar_t* offered;
        int flags;
        std::vector<std::wstring> answers;
        int status;
        short type;
        const wchar_t* path;
        const wchar_t* commandLine;  // checked when given
    };
    const Case cases[] = {
        {"chosen", L"", 0, {L"/srv/work/plan.dwg"}, RTNORM, RTSTR, L"/srv/work/plan.dwg",
         L"[Select drawing file] /srv/work/plan.dwg\n"},
        {"~ asks to type the name", L"", 0, {L"~"}, RTNORM, RTSHORT, L"", L"[Select drawing file] *Type it*\n"},
        {"type it disabled", L"", 2, {L"~", L"a.dwg"}, RTNORM, RTSTR, L"a.dwg", nullptr},
        {"Enter takes the offer", L"offered.dwg", 0, {L""}, RTNORM, RTSTR, L"offered.dwg", nullptr},
        {"Enter without offer", L"", 0, {L"", L"b.dwg"}, RTNORM, RTSTR, L"b.dwg",
         L"[Select drawing file] \n[Select drawing file] b.dwg\n"},
        {"cancel", L"", 0, {L"^C"}, RTCAN, 0, L"", L"[Select drawing file] *Cancel*\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InputSession session;
        for (const std::wstring& a : c.answers) cadhost::testing::pushAnswers({a});
        CommandLineCapture line;
        resbuf rb{};
        rb.rbnext = &rb;  // must come back null
        const int status = acedGetFileD(L"Select drawing file", c.offered, L".dwg", c.flags, &rb);
        EXPECT_EQ(status, c.status);
        std::wstring path;
        if (status == RTNORM) {
            EXPECT_EQ(rb.rbnext, nullptr);
            EXPECT_EQ(rb.restype, c.type);
            if (rb.restype == RTSTR) {
                path = rb.resval.rstring;
                std::free(rb.resval.rstring);
            }
        }
        EXPECT_EQ(path, c.path);
        if (c.commandLine) {
            EXPECT_EQ(line.text(), c.commandLine);
        }
    }
}

TEST(AnswersTest, FeederServesWhenTheQueueIsEmpty) {
    InputSession session({L"first"});
    int served = 0;
    cadhost::Answers::setFeeder([&]() -> std::optional<std::wstring> {
        if (served == 2) return std::nullopt;
        return ++served == 1 ? std::wstring(L"fed") : std::wstring(L"^C");
    });
    wchar_t buffer[16];
    ASSERT_EQ(acedGetString(1, nullptr, buffer, 16), RTNORM);
    EXPECT_STREQ(buffer, L"first");
    ASSERT_EQ(acedGetString(1, nullptr, buffer, 16), RTNORM);
    EXPECT_STREQ(buffer, L"fed");
    EXPECT_EQ(acedGetString(1, nullptr, buffer, 16), RTCAN);  // "^C" from the script
    EXPECT_EQ(acedGetString(1, nullptr, buffer, 16), RTCAN);  // script ended
    EXPECT_EQ(served, 2);
}

}  // namespace
