// The prompt objects of the batch commands, run against the host's scripted input.
#include "commands/prompt.h"

#include <gtest/gtest.h>

#include <acadstrc.h>
#include <adscodes.h>

#include <string>
#include <vector>

#include "module/docdata/pdm_test_files.h"
#include "testing_input.h"

namespace {

using cadhost::testing::InputSession;
using pdmtest::contains;

// Exposes the shared state for the constructor checks.
template <class Prompt>
struct Probe : Prompt {
    using Prompt::Prompt;
    std::wstring keywords() const { return this->m_keywords.GetString(); }
    int32_t flags() const { return this->m_flags; }
    int32_t lastStatus() const { return this->m_lastStatus; }
};

struct FileOutcome {
    int32_t status;
    std::wstring result;
};

FileOutcome runFile(int32_t flags, const wchar_t* extensions) {
    CPromptFile prompt(flags, L"Select drawing file", L"Enter drawing file:", L"", extensions);
    const int32_t status = prompt.DoPrompt();
    return {status, prompt.GetResult()};
}

// Starts a session with FILEDIA set and the answers queued.
void script(const std::vector<std::wstring>& answers, const wchar_t* filedia = L"0") {
    for (const std::wstring& a : answers) cadhost::testing::pushAnswers({a});
    ASSERT_TRUE(cadhost::testing::setSystemVariable(L"FILEDIA", filedia));
}

TEST(CPromptTest, KeywordListComposition) {
    const struct {
        const wchar_t* local;
        const wchar_t* global;
        const wchar_t* list;
    } cases[] = {
        {L"Nein Ja", L"No Yes", L"Nein Ja _No Yes"},
        {L"Yes No", L"Yes No", L"Yes No _Yes No"},
        {L"Yes No", nullptr, L"Yes No"},
        {nullptr, L"No Yes", L"No Yes _No Yes"},
        {nullptr, nullptr, L""},
        {L"100% Sure", nullptr, L"100% Sure"},  // no format directives taken from the words
    };
    for (const auto& c : cases) {
        const Probe<CPrompt> prompt(L"Q", 7, c.local, c.global);
        EXPECT_EQ(prompt.keywords(), c.list);
        EXPECT_EQ(prompt.lastStatus(), RTNORM);
        EXPECT_STREQ(prompt.GetResult(), L"");
    }
    // The prompt with a default lets Enter through: no RSG_NONULL.
    const Probe<CPromptKeyWordDef> withDefault(L"Fullpath (Yes/No)", L"Yes", L"Yes No", L"Yes No");
    EXPECT_EQ(withDefault.flags(), 0);
    EXPECT_EQ(withDefault.keywords(), L"Yes No _Yes No");
}

TEST(CPromptKeyWordDefTest, AnswersTable) {
    const wchar_t* askedAgain =
        L"Q (Yes/No)<No>: vielleicht\nInvalid option keyword.\nQ (Yes/No)<No>: Y\n";
    const struct {
        const wchar_t* defaultWord;
        const wchar_t* keywords;
        std::vector<std::wstring> answers;
        const wchar_t* result = nullptr;       // nullptr: the prompt fails
        const wchar_t* commandLine = nullptr;  // checked when given
    } cases[] = {
        {L"Yes", L"Yes No", {L"n"}, L"No", L"Q (Yes/No)<Yes>: n\n"},
        // Enter gives the default, completed to the first word that begins with it.
        {L"Yes", L"Yes No", {L""}, L"Yes"},
        {L"No", L"No Yes", {L""}, L"No"},
        {L"Ye", L"Yes No", {L""}, L"Yes"},
        // The word opening the global part is compared without its underscore.
        {L"No", L"Nein Ja", {L""}, L"No"},
        // Exact letter case, and a default matching nothing fails.
        {L"yes", L"Yes No", {L""}},
        {L"Maybe", L"Yes No", {L""}},
        // A typed keyword comes back as the host resolves it; a wrong one is asked again.
        {L"No", L"Nein Ja", {L"Ja"}, L"Yes"},
        {L"No", L"No Yes", {L"vielleicht", L"Y"}, L"Yes", askedAgain},
        // Esc.
        {L"Yes", L"Yes No", {L"^C"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.keywords << " / " << c.answers[0]);
        InputSession session;
        script(c.answers);
        // The German words are the local list; the global list is always the English one.
        const bool german = std::wstring(c.keywords) == L"Nein Ja";
        Probe<CPromptKeyWordDef> prompt(L"Q (Yes/No)", c.defaultWord, c.keywords,
                                        german ? L"No Yes" : c.keywords);
        EXPECT_EQ(prompt.DoPrompt(), c.result ? kPromptOk : kPromptFailed);
        if (c.result) {
            EXPECT_STREQ(prompt.GetResult(), c.result);
        }
        if (c.commandLine != nullptr) {
            EXPECT_EQ(session.commandLine(), c.commandLine);
        }
        if (c.answers[0] == L"^C") {
            EXPECT_EQ(prompt.lastStatus(), RTCAN);
        }
    }
}

TEST(CPromptFileTest, ExtensionCompletion) {
    const struct {
        const wchar_t* typed;
        const wchar_t* extensions;
        const wchar_t* result;
    } cases[] = {
        {L"PLAN.DWG", L".dwg", L"PLAN.DWG"},
        {L"plan", L".dwg", L"plan.dwg"},
        {L"plan.txt", L".dwg", L"plan.txt.dwg"},
        {L"", L".dwg", L".dwg"},
        {L".dwg", L".dwg", L".dwg.dwg"},  // 4 characters or fewer always get the extension
        {L"plan.DXF", L".dwg;.dxf", L"plan.DXF"},
        {L"plan", L";;.txt", L"plan.txt"},
        {L"plan", L"", L"plan"},
        {L"C:\\Work.d\\plan", L".dwg", L"C:\\Work.d\\plan.dwg"},
        {L"/srv/work/plan a.dwg", L".dwg", L"/srv/work/plan a.dwg"},
    };
    for (const auto& c : cases) {
        InputSession session;
        script({c.typed});
        const FileOutcome r = runFile(0, c.extensions);
        EXPECT_EQ(r.status, kPromptOk) << c.typed;
        EXPECT_EQ(r.result, c.result) << c.typed << " with " << c.extensions;
    }
    // Only the first 255 characters of the list count: ".dwg" is cut to ".dw" here.
    const std::wstring list = std::wstring(251, L'x') + L";.dwg";
    InputSession session;
    script({L"plan.dw", L"plan.dwg"});
    EXPECT_EQ(runFile(0, list.c_str()).result, L"plan.dw");
    EXPECT_EQ(runFile(0, list.c_str()).result, L"plan.dwg" + std::wstring(251, L'x'));
}

TEST(CPromptFileTest, TypedAndDialogFlows) {
    const wchar_t* typeIt =
        L"Enter drawing file:~\n[Select drawing file] *Type it*\nEnter drawing file:plan\n";
    const struct {
        const char* what;
        const wchar_t* filedia;
        std::vector<std::wstring> answers;
        const wchar_t* result = nullptr;       // nullptr: the prompt fails
        const wchar_t* commandLine = nullptr;  // checked when given
    } cases[] = {
        {"typed", L"0", {L"plan"}, L"plan.dwg", L"Enter drawing file:plan\n"},
        {"typed name too long", L"0", {std::wstring(300, L'a')}},
        // The dialog's choice is taken as it is: no completion.
        {"dialog", L"1", {L"/srv/plan"}, L"/srv/plan", L"[Select drawing file] /srv/plan\n"},
        {"~ opens the dialog, type it returns", L"0", {L"~", L"~", L"plan"}, L"plan.dwg", typeIt},
        {"type it, then ~ back to the dialog", L"1", {L"~", L"~", L"/srv/a.dwg"}, L"/srv/a.dwg"},
        {"cancel typed", L"0", {L"^C"}},
        {"cancel dialog", L"1", {L"^C"}},
        {"cancel dialog from typed", L"0", {L"~", L"^C"}},
        {"answers ran out", L"0", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        InputSession session;
        script(c.answers, c.filedia);
        const FileOutcome r = runFile(0, L".dwg");
        EXPECT_EQ(r.status, c.result ? kPromptOk : kPromptFailed)
            << CStringA(session.commandLine().c_str());
        if (c.result) {
            EXPECT_EQ(r.result, c.result);
        }
        if (c.commandLine != nullptr) {
            EXPECT_EQ(session.commandLine(), c.commandLine);
        }
        EXPECT_EQ(cadhost::testing::variablesRead(), std::vector<std::wstring>{L"FILEDIA"});
    }
}

TEST(CPromptFileTest, OverwriteQuestionAnswers) {
    pdmtest::TempDir folder;
    const std::wstring existing = folder.write("exists.dwg", "x").wstring();
    const std::wstring fresh = folder.wpath("fresh.dwg");
    const int32_t ask = CPromptFile::kAskOverwrite;
    const struct {
        int32_t flags;
        std::vector<std::wstring> answers;  // after the existing name
        int32_t status;
        std::wstring result;
    } cases[] = {
        {0, {}, kPromptOk, existing},  // not asked without the flag
        {ask, {L"Ja"}, kPromptOk, existing},
        {ask, {L"_Yes"}, kPromptOk, existing},
        {ask, {L"", fresh}, kPromptOk, fresh},  // Enter: No, ask again
        {ask, {L"_No", existing, L"Ja"}, kPromptOk, existing},
        {ask, {L"Yes", L"Ja"}, kPromptOk, existing},  // "Yes" untranslated is no keyword here
        {ask, {L"^C"}, kPromptFailed, L""},
    };
    for (const auto& c : cases) {
        InputSession session;
        std::vector<std::wstring> answers{existing};
        answers.insert(answers.end(), c.answers.begin(), c.answers.end());
        script(answers);
        const FileOutcome r = runFile(c.flags, L".dwg");
        EXPECT_EQ(r.status, c.status) << CStringA(session.commandLine().c_str());
        if (c.status == kPromptOk) {
            EXPECT_EQ(r.result, c.result);
        }
    }
    InputSession session;
    script({existing, L""});
    EXPECT_EQ(runFile(ask, L".dwg").status, kPromptFailed);
    EXPECT_EQ(session.commandLine(),
              L"Enter drawing file:" + existing +
                  L"\n A file with this name already exists.Do you want to replace it? <N><No>: "
                  L"\nEnter drawing file:*Cancel*\n");
    // The completed name is what the question checks.
    session.clearCommandLine();
    const std::wstring typed = folder.wpath("exists");
    script({typed, L"Ja"});
    const FileOutcome r = runFile(ask, L".dwg");
    EXPECT_EQ(r.status, kPromptOk);
    EXPECT_EQ(r.result, typed + L".dwg");
    EXPECT_TRUE(contains(session.commandLine(), L"already exists"));
}

}  // namespace
