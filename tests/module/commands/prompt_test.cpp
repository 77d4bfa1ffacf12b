// The prompt objects of the batch commands, run against the host's scripted input.
#include "commands/prompt.h"

#include <gtest/gtest.h>

#include <acadstrc.h>
#include <adscodes.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "testing_input.h"

namespace {

using cadhost::testing::InputSession;

// Exposes the shared state for the constructor checks.
struct PromptProbe : CPrompt {
    using CPrompt::CPrompt;
    std::wstring keywords() const { return m_keywords.GetString(); }
    int32_t flags() const { return m_flags; }
    int32_t lastStatus() const { return m_lastStatus; }
};

struct KeyWordDefProbe : CPromptKeyWordDef {
    using CPromptKeyWordDef::CPromptKeyWordDef;
    std::wstring keywords() const { return m_keywords.GetString(); }
    int32_t flags() const { return m_flags; }
    int32_t lastStatus() const { return m_lastStatus; }
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

// A folder of its own per test, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        m_path = std::filesystem::temp_directory_path() /
                 ("prompt_test_" + std::to_string(::getpid()) + "_" + std::to_string(++s_count));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::wstring touch(const std::string& name) const {
        std::ofstream(m_path / name) << "x";
        return (m_path / name).wstring();
    }
    std::wstring path(const std::string& name) const { return (m_path / name).wstring(); }

private:
    std::filesystem::path m_path;
    static inline int s_count = 0;
};

// Construction ----------------------------------------------------------------------------------

TEST(CPromptTest, KeywordListComposition) {
    struct Case {
        const wchar_t* local;
        const wchar_t* global;
        const wchar_t* list;
    };
    const Case cases[] = {
        {L"Nein Ja", L"No Yes", L"Nein Ja _No Yes"},
        {L"Yes No", L"Yes No", L"Yes No _Yes No"},
        {L"Yes No", nullptr, L"Yes No"},
        {L"Yes No", L"", L"Yes No"},
        {nullptr, L"No Yes", L"No Yes _No Yes"},
        {L"", L"No Yes", L"No Yes _No Yes"},
        {nullptr, nullptr, L""},
        {L"", L"", L""},
        {L"100% Sure", nullptr, L"100% Sure"},  // no format directives taken from the words
    };
    for (const Case& c : cases) {
        const PromptProbe prompt(L"Q", 7, c.local, c.global);
        EXPECT_EQ(prompt.keywords(), c.list);
        EXPECT_EQ(prompt.flags(), 7);
        EXPECT_EQ(prompt.lastStatus(), RTNORM);
        EXPECT_STREQ(prompt.GetResult(), L"");
    }
}

TEST(CPromptTest, KeywordPromptWithDefaultLetsEnterThrough) {
    const KeyWordDefProbe prompt(L"Fullpath (Yes/No)", L"Yes", L"Yes No", L"Yes No");
    EXPECT_EQ(prompt.flags(), 0);
    EXPECT_EQ(prompt.keywords(), L"Yes No _Yes No");
    EXPECT_EQ(prompt.lastStatus(), RTNORM);
}

// Keyword prompt with default -------------------------------------------------------------------

TEST(CPromptKeyWordDefTest, ShowsPromptWithDefaultAndEchoesAnswer) {
    InputSession session({L"n"});
    CPromptKeyWordDef prompt(L"Fullpath (Yes/No)", L"Yes", L"Yes No", L"Yes No");
    ASSERT_EQ(prompt.DoPrompt(), kPromptOk);
    EXPECT_STREQ(prompt.GetResult(), L"No");
    EXPECT_EQ(session.commandLine(), L"Fullpath (Yes/No)<Yes>: n\n");
}

TEST(CPromptKeyWordDefTest, AnswersTable) {
    struct Case {
        const wchar_t* prompt;
        const wchar_t* defaultWord;
        const wchar_t* keywords;
        const wchar_t* answer;
        int32_t status;
        const wchar_t* result;
    };
    const Case cases[] = {
        // Enter gives the default, completed to the first word that begins with it.
        {L"Fullpath (Yes/No)", L"Yes", L"Yes No", L"", kPromptOk, L"Yes"},
        {L"Traverse (Yes/No)", L"No", L"No Yes", L"", kPromptOk, L"No"},
        {L"Q", L"Ye", L"Yes No", L"", kPromptOk, L"Yes"},
        // The word opening the global part is compared without its underscore.
        {L"Q", L"No", L"Nein Ja", L"", kPromptOk, L"No"},
        // Exact letter case, and a default matching nothing fails.
        {L"Q", L"yes", L"Yes No", L"", kPromptFailed, L""},
        {L"Q", L"Maybe", L"Yes No", L"", kPromptFailed, L""},
        // Typed keywords come back as the host resolves them.
        {L"Q", L"Yes", L"Yes No", L"N", kPromptOk, L"No"},
        {L"Q", L"No", L"Nein Ja", L"Ja", kPromptOk, L"Yes"},
        {L"Q", L"No", L"Nein Ja", L"_yes", kPromptOk, L"Yes"},
        // Esc.
        {L"Q", L"Yes", L"Yes No", L"^C", kPromptFailed, L""},
    };
    for (const Case& c : cases) {
        InputSession session({c.answer});
        // The German words are the local list for the "Nein Ja" cases; the global list is
        // always the English one.
        const bool german = std::wstring(c.keywords) == L"Nein Ja";
        KeyWordDefProbe prompt(c.prompt, c.defaultWord, c.keywords,
                               german ? L"No Yes" : c.keywords);
        EXPECT_EQ(prompt.DoPrompt(), c.status) << c.keywords << " / " << c.answer;
        if (c.status == kPromptOk) {
            EXPECT_STREQ(prompt.GetResult(), c.result) << c.answer;
        }
    }
}

TEST(CPromptKeyWordDefTest, InvalidKeywordIsAskedAgainByTheHost) {
    InputSession session({L"vielleicht", L"Y"});
    CPromptKeyWordDef prompt(L"Traverse (Yes/No)", L"No", L"No Yes", L"No Yes");
    ASSERT_EQ(prompt.DoPrompt(), kPromptOk);
    EXPECT_STREQ(prompt.GetResult(), L"Yes");
    EXPECT_EQ(session.commandLine(),
              L"Traverse (Yes/No)<No>: vielleicht\nInvalid option keyword.\n"
              L"Traverse (Yes/No)<No>: Y\n");
}

TEST(CPromptKeyWordDefTest, StatusOfTheLastInputIsKept) {
    InputSession session({L"^C"});
    KeyWordDefProbe prompt(L"Q", L"Yes", L"Yes No", L"Yes No");
    EXPECT_EQ(prompt.DoPrompt(), kPromptFailed);
    EXPECT_EQ(prompt.lastStatus(), RTCAN);
}

// File prompt: typed mode -----------------------------------------------------------------------

TEST(CPromptFileTest, ExtensionCompletion) {
    struct Case {
        const wchar_t* typed;
        const wchar_t* extensions;
        const wchar_t* result;
    };
    const Case cases[] = {
        {L"PLAN.DWG", L".dwg", L"PLAN.DWG"},
        {L"a.b", L".dwg", L"a.b.dwg"},
        {L"plan", L".dwg", L"plan.dwg"},
        {L"plan.txt", L".dwg", L"plan.txt.dwg"},
        {L"", L".dwg", L".dwg"},
        {L"x.dwg", L".dwg", L"x.dwg"},
        {L".dwg", L".dwg", L".dwg.dwg"},  // 4 characters or fewer always get the extension
        {L"plan.DXF", L".dwg;.dxf", L"plan.DXF"},
        {L"plan", L".dwg;.dxf", L"plan.dwg"},
        {L"plan", L";;.txt", L"plan.txt"},
        {L"plan", L"", L"plan"},
        {L"C:\\Work.d\\plan", L".dwg", L"C:\\Work.d\\plan.dwg"},
        {L"/srv/work/plan a.dwg", L".dwg", L"/srv/work/plan a.dwg"},
    };
    for (const Case& c : cases) {
        InputSession session({c.typed});
        ASSERT_TRUE(cadhost::testing::setSystemVariable(L"FILEDIA", L"0"));
        const FileOutcome r = runFile(0, c.extensions);
        EXPECT_EQ(r.status, kPromptOk) << c.typed;
        EXPECT_EQ(r.result, c.result) << c.typed << " with " << c.extensions;
    }
}

TEST(CPromptFileTest, OnlyTheFirst255CharactersOfTheExtensionListCount) {
    const std::wstring list = std::wstring(251, L'x') + L";.dwg";  // ".dwg" cut to ".dw"
    InputSession session({L"plan.dw", L"plan.dwg"});
    ASSERT_TRUE(cadhost::testing::setSystemVariable(L"FILEDIA", L"0"));
    EXPECT_EQ(runFile(0, list.c_str()).result, L"plan.dw");
    EXPECT_EQ(runFile(0, list.c_str()).result, L"plan.dwg" + std::wstring(251, L'x'));
}

TEST(CPromptFileTest, TypedModeShowsPromptAndEcho) {
    InputSession session({L"plan"});
    ASSERT_TRUE(cadhost::testing::setSystemVariable(L"FILEDIA", L"0"));
    ASSERT_EQ(runFile(0, L".dwg").status, kPromptOk);
    EXPECT_EQ(session.commandLine(), L"Enter drawing file:plan\n");
    EXPECT_EQ(cadhost::testing::variablesRead(), std::vector<std::wstring>{L"FILEDIA"});
}

TEST(CPromptFileTest, TooLongTypedNameFails) {
    const std::wstring longName(300, L'a');
    InputSession session({longName});
    ASSERT_TRUE(cadhost::testing::setSystemVariable(L"FILEDIA", L"0"));
    EXPECT_EQ(runFile(0, L".dwg").status, kPromptFailed);
}

// File prompt: dialog mode and switching --------------------------------------------------------

TEST(CPromptFileTest, DialogChoiceIsTakenAsIs) {
    InputSession session({L"/srv/work/plan"});  // FILEDIA is 1 by default
    const FileOutcome r = runFile(CPromptFile::kAskOverwrite, L".dwg");
    EXPECT_EQ(r.status, kPromptOk);
    EXPECT_EQ(r.result, L"/srv/work/plan");  // no completion, no question
    EXPECT_EQ(session.commandLine(), L"[Select drawing file] /srv/work/plan\n");
}

TEST(CPromptFileTest, TildeOpensTheDialogAndTypeItReturnsToTyping) {
    InputSession session({L"~", L"~", L"plan"});
    ASSERT_TRUE(cadhost::testing::setSystemVariable(L"FILEDIA", L"0"));
    const FileOutcome r = runFile(0, L".dwg");
    EXPECT_EQ(r.status, kPromptOk);
    EXPECT_EQ(r.result, L"plan.dwg");
    EXPECT_EQ(session.commandLine(),
              L"Enter drawing file:~\n[Select drawing file] *Type it*\nEnter drawing file:plan\n");
}

TEST(CPromptFileTest, DialogTypeItThenTildeBackToTheDialog) {
    InputSession session({L"~", L"~", L"/srv/a.dwg"});
    const FileOutcome r = runFile(0, L".dwg");
    EXPECT_EQ(r.status, kPromptOk);
    EXPECT_EQ(r.result, L"/srv/a.dwg");
}

TEST(CPromptFileTest, CancelAtEveryStageFails) {
    struct Case {
        const wchar_t* filedia;
        std::vector<std::wstring> answers;
    };
    const Case cases[] = {
        {L"0", {L"^C"}},        // typed prompt
        {L"1", {L"^C"}},        // dialog
        {L"0", {L"~", L"^C"}},  // dialog opened from the typed prompt
        {L"1", {L"~", L"^C"}},  // typed prompt reached from the dialog
        {L"0", {}},             // answers ran out
    };
    for (const Case& c : cases) {
        InputSession session;
        for (const std::wstring& a : c.answers) cadhost::testing::pushAnswers({a});
        ASSERT_TRUE(cadhost::testing::setSystemVariable(L"FILEDIA", c.filedia));
        const FileOutcome r = runFile(0, L".dwg");
        EXPECT_EQ(r.status, kPromptFailed) << session.commandLine();
    }
}

// File prompt: the overwrite question -----------------------------------------------------------

TEST(CPromptFileTest, OverwriteQuestionAnswers) {
    TempFolder folder;
    const std::wstring existing = folder.touch("exists.dwg");
    const std::wstring fresh = folder.path("fresh.dwg");
    struct Case {
        std::vector<std::wstring> answers;  // after the existing name
        int32_t status;
        std::wstring result;
    };
    const Case cases[] = {
        {{L"Ja"}, kPromptOk, existing},
        {{L"_Yes"}, kPromptOk, existing},
        {{L"j"}, kPromptOk, existing},
        {{L"", fresh}, kPromptOk, fresh},  // Enter: No, ask again
        {{L"Nein", fresh}, kPromptOk, fresh},
        {{L"_No", existing, L"Ja"}, kPromptOk, existing},
        {{L"Yes", L"Ja"}, kPromptOk, existing},  // "Yes" untranslated is no keyword here
        {{L"^C"}, kPromptFailed, L""},
        {{L"", L"^C"}, kPromptFailed, L""},
    };
    for (const Case& c : cases) {
        InputSession session({existing});
        for (const std::wstring& a : c.answers) cadhost::testing::pushAnswers({a});
        ASSERT_TRUE(cadhost::testing::setSystemVariable(L"FILEDIA", L"0"));
        const FileOutcome r = runFile(CPromptFile::kAskOverwrite, L".dwg");
        EXPECT_EQ(r.status, c.status) << session.commandLine();
        if (c.status == kPromptOk) {
            EXPECT_EQ(r.result, c.result) << session.commandLine();
        }
    }
}

TEST(CPromptFileTest, OverwriteQuestionOnTheCommandLine) {
    TempFolder folder;
    const std::wstring existing = folder.touch("exists.dwg");
    InputSession session({existing, L""});
    ASSERT_TRUE(cadhost::testing::setSystemVariable(L"FILEDIA", L"0"));
    EXPECT_EQ(runFile(CPromptFile::kAskOverwrite, L".dwg").status, kPromptFailed);
    EXPECT_EQ(session.commandLine(),
              L"Enter drawing file:" + existing +
                  L"\n A file with this name already exists.Do you want to replace it? <N><No>: "
                  L"\nEnter drawing file:*Cancel*\n");
}

TEST(CPromptFileTest, ExistingFileWithoutTheFlagIsNotQuestioned) {
    TempFolder folder;
    const std::wstring existing = folder.touch("exists.dwg");
    InputSession session({existing});
    ASSERT_TRUE(cadhost::testing::setSystemVariable(L"FILEDIA", L"0"));
    const FileOutcome r = runFile(0, L".dwg");
    EXPECT_EQ(r.status, kPromptOk);
    EXPECT_EQ(r.result, existing);
}

TEST(CPromptFileTest, CompletedNameIsWhatTheQuestionChecks) {
    TempFolder folder;
    folder.touch("exists.dwg");
    const std::wstring typed = folder.path("exists");  // completes to the existing file
    InputSession session({typed, L"Ja"});
    ASSERT_TRUE(cadhost::testing::setSystemVariable(L"FILEDIA", L"0"));
    const FileOutcome r = runFile(CPromptFile::kAskOverwrite, L".dwg");
    EXPECT_EQ(r.status, kPromptOk);
    EXPECT_EQ(r.result, typed + L".dwg");
    EXPECT_NE(session.commandLine().find(L"already exists"), std::wstring::npos);
}

}  // namespace
