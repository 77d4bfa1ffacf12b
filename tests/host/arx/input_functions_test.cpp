// The host's input functions over scripted answers: results, return codes and what the command
// line shows.
#include <gtest/gtest.h>

#include <cstdlib>

#include <string>

#include "acedads.h"
#include "arx/command_line.h"
#include "arx/input_answers.h"
#include "testing_input.h"

namespace {

using cadhost::CommandLineCapture;
using cadhost::testing::InputSession;

struct KwordResult {
    int status;
    std::wstring text;
};

KwordResult getKword(int flags, const wchar_t* keywords, const wchar_t* prompt = L"Pick: ") {
    acedInitGet(flags, keywords);
    wchar_t buffer[512] = L"untouched";
    const int status = acedGetKword(prompt, buffer, 512);
    return {status, buffer};
}

// acedGetString ----------------------------------------------------------------------------------

TEST(AcedGetStringTest, TakesTheAnswerAndEchoesIt) {
    InputSession session({L"C:\\Work\\plan a.dwg"});
    CommandLineCapture line;
    wchar_t buffer[260];
    EXPECT_EQ(acedGetString(1, L"Enter drawing file:", buffer, 260), RTNORM);
    EXPECT_STREQ(buffer, L"C:\\Work\\plan a.dwg");
    EXPECT_EQ(line.text(), L"Enter drawing file:C:\\Work\\plan a.dwg\n");
}

TEST(AcedGetStringTest, BlankEndsInputUnlessCronly) {
    InputSession session({L"plan a.dwg", L" lead"});
    CommandLineCapture line;
    wchar_t buffer[64];
    EXPECT_EQ(acedGetString(0, L"Name: ", buffer, 64), RTNORM);
    EXPECT_STREQ(buffer, L"plan");
    EXPECT_EQ(acedGetString(0, L"Name: ", buffer, 64), RTNORM);
    EXPECT_STREQ(buffer, L"");
    EXPECT_EQ(line.text(), L"Name: plan\nName: \n");
}

TEST(AcedGetStringTest, EnterGivesEmptyText) {
    InputSession session({L""});
    wchar_t buffer[8] = L"x";
    EXPECT_EQ(acedGetString(1, nullptr, buffer, 8), RTNORM);
    EXPECT_STREQ(buffer, L"");
}

TEST(AcedGetStringTest, CancelAndRunningDry) {
    InputSession session({L"^C"});
    CommandLineCapture line;
    wchar_t buffer[8];
    EXPECT_EQ(acedGetString(1, L"A: ", buffer, 8), RTCAN);
    EXPECT_EQ(acedGetString(1, L"B: ", buffer, 8), RTCAN);  // no answers left
    EXPECT_EQ(line.text(), L"A: *Cancel*\nB: *Cancel*\n");
}

TEST(AcedGetStringTest, TooLongInputIsCutAndReported) {
    InputSession session({L"abcdef"});
    wchar_t buffer[4];
    EXPECT_EQ(acedGetString(1, nullptr, buffer, 4), RTINPUTTRUNCATED);
    EXPECT_STREQ(buffer, L"abc");
}

TEST(AcedGetStringTest, NoBufferIsAnErrorThatConsumesNothing) {
    InputSession session({L"a"});
    EXPECT_EQ(acedGetString(1, nullptr, nullptr, 10), RTERROR);
    wchar_t buffer[1];
    EXPECT_EQ(acedGetString(1, nullptr, buffer, 0), RTERROR);
    EXPECT_EQ(cadhost::testing::pendingAnswers(), 1u);
}

// acedInitGet / acedGetKword ---------------------------------------------------------------------

TEST(AcedGetKwordTest, LocalAndGlobalWords) {
    struct Case {
        const wchar_t* answer;
        int status;
        const wchar_t* result;
    };
    const Case cases[] = {
        {L"Ja", RTNORM, L"Yes"},   {L"j", RTNORM, L"Yes"},        {L"nein", RTNORM, L"No"},
        {L"_Yes", RTNORM, L"Yes"}, {L"_n", RTNORM, L"No"},        {L"", RTNONE, L""},
        {L"^C", RTCAN, L""},       {L"Ja bitte", RTNORM, L"Yes"},
    };
    for (const Case& c : cases) {
        InputSession session({c.answer});
        const KwordResult r = getKword(0, L"Nein Ja _No Yes");
        EXPECT_EQ(r.status, c.status) << c.answer;
        EXPECT_EQ(r.text, c.result) << c.answer;
    }
}

TEST(AcedGetKwordTest, InvalidInputIsRefusedAndAskedAgain) {
    InputSession session({L"Yes", L"maybe", L"J"});
    CommandLineCapture line;
    const KwordResult r = getKword(0, L"Nein Ja _No Yes", L"Replace? ");
    EXPECT_EQ(r.status, RTNORM);
    EXPECT_EQ(r.text, L"Yes");
    EXPECT_EQ(line.text(),
              L"Replace? Yes\nInvalid option keyword.\n"
              L"Replace? maybe\nInvalid option keyword.\n"
              L"Replace? J\n");
}

TEST(AcedGetKwordTest, InvalidInputUntilAnswersRunOutEndsInCancel) {
    InputSession session({L"x"});
    CommandLineCapture line;
    EXPECT_EQ(getKword(0, L"Yes No", L"Q: ").status, RTCAN);
    EXPECT_EQ(line.text(), L"Q: x\nInvalid option keyword.\nQ: *Cancel*\n");
}

TEST(AcedGetKwordTest, NoNullRepeatsThePromptOnEnter) {
    InputSession session({L"", L"n"});
    CommandLineCapture line;
    const KwordResult r = getKword(RSG_NONULL, L"Yes No", L"Q: ");
    EXPECT_EQ(r.status, RTNORM);
    EXPECT_EQ(r.text, L"No");
    EXPECT_EQ(line.text(), L"Q: \nQ: n\n");
}

TEST(AcedGetKwordTest, OtherBitReturnsArbitraryInput) {
    InputSession session({L"whatever"});
    const KwordResult r = getKword(RSG_OTHER, L"Yes No");
    EXPECT_EQ(r.status, RTNORM);
    EXPECT_EQ(r.text, L"whatever");
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

// acedGetFileD -----------------------------------------------------------------------------------

struct FileResult {
    int status;
    short type;
    std::wstring path;
};

FileResult getFile(const wchar_t* defawlt = L"", int flags = 0) {
    resbuf rb{};
    rb.rbnext = &rb;  // must come back null
    const int status = acedGetFileD(L"Select drawing file", defawlt, L".dwg", flags, &rb);
    FileResult r{status, rb.restype, {}};
    if (status == RTNORM) {
        EXPECT_EQ(rb.rbnext, nullptr);
    }
    if (status == RTNORM && rb.restype == RTSTR) {
        r.path = rb.resval.rstring;
        std::free(rb.resval.rstring);
    }
    return r;
}

TEST(AcedGetFileDTest, ChosenFileComesBackAsString) {
    InputSession session({L"/srv/work/plan.dwg"});
    CommandLineCapture line;
    const FileResult r = getFile();
    EXPECT_EQ(r.status, RTNORM);
    EXPECT_EQ(r.type, RTSTR);
    EXPECT_EQ(r.path, L"/srv/work/plan.dwg");
    EXPECT_EQ(line.text(), L"[Select drawing file] /srv/work/plan.dwg\n");
}

TEST(AcedGetFileDTest, TildeAsksToTypeTheName) {
    InputSession session({L"~"});
    CommandLineCapture line;
    const FileResult r = getFile();
    EXPECT_EQ(r.status, RTNORM);
    EXPECT_EQ(r.type, RTSHORT);
    EXPECT_EQ(line.text(), L"[Select drawing file] *Type it*\n");
}

TEST(AcedGetFileDTest, TypeItDisabledKeepsTheDialogOpen) {
    InputSession session({L"~", L"a.dwg"});
    const FileResult r = getFile(L"", 2);
    EXPECT_EQ(r.status, RTNORM);
    EXPECT_EQ(r.path, L"a.dwg");
}

TEST(AcedGetFileDTest, EnterTakesTheOfferedNameOrKeepsTheDialogOpen) {
    {
        InputSession session({L""});
        EXPECT_EQ(getFile(L"offered.dwg").path, L"offered.dwg");
    }
    {
        InputSession session({L"", L"b.dwg"});
        CommandLineCapture line;
        EXPECT_EQ(getFile().path, L"b.dwg");
        EXPECT_EQ(line.text(), L"[Select drawing file] \n[Select drawing file] b.dwg\n");
    }
}

TEST(AcedGetFileDTest, CancelAndRunningDry) {
    for (auto answers : {std::initializer_list<std::wstring_view>{L"^C"},
                         std::initializer_list<std::wstring_view>{}}) {
        InputSession session(answers);
        CommandLineCapture line;
        EXPECT_EQ(getFile().status, RTCAN);
        EXPECT_EQ(line.text(), L"[Select drawing file] *Cancel*\n");
    }
}

// Answers from a script -------------------------------------------------------------------------

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
