// Command scripts: what the command line shows, what runs, what is reported, and how script
// files are read. The probe module (tests/host/cli/probe_module.cpp) supplies commands.
#include "arx/host_script.h"

#include "session_test_util.h"

namespace {

using namespace sessiontest;

class ScriptTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        loadProbe();
    }
    int run(std::wstring_view text) { return cadhost::ScriptRunner(*m_session).runText(text, "t.scr"); }
};

TEST_F(ScriptTest, LinesRunCommandsAndAnswerTheirPromptsAsTheHostShowsThem) {
    const struct { const wchar_t* script; const wchar_t* commandLine; } cases[] = {
        // Words after the command are the next inputs; quotes keep blanks together.
        {L"_probe_ask one \"two three\"\n",
         L"Command: _probe_ask\nFirst: one\nSecond: two three\nprobe_ask: [one] [two three]\n"},
        // A word left over is the next input at the command prompt.
        {L"probe_frage a b probe_where\n",
         L"Command: probe_frage\nFirst: a\nSecond: b\nprobe_ask: [a] [b]\n"
         L"Command: probe_where\nprobe_where: [none]\n"},
        // The script running dry cancels the prompt.
        {L"probe_frage\nonly",
         L"Command: probe_frage\nFirst: only\nSecond: *Cancel*\nprobe_ask: cancelled at Second\n"},
        {L"probe_frage\n^C\nprobe_where",
         L"Command: probe_frage\nFirst: *Cancel*\nprobe_ask: cancelled at First\n"
         L"Command: probe_where\nprobe_where: [none]\n"},
        // The following lines answer the prompts, comments are skipped wherever they stand,
        // and CR LF ends a line as LF does.
        {L";; a script\r\nprobe_frage\r\n; the answer follows\r\nx\r\ny\r\n",
         L"Command: probe_frage\nFirst: x\nSecond: y\nprobe_ask: [x] [y]\n"},
        // Prefixes of the host's command line.
        {L"_.probe_where\n-PROBE_WHERE\n",
         L"Command: _.probe_where\nprobe_where: [none]\nCommand: -PROBE_WHERE\nprobe_where: [none]\n"},
        // Enter at the command prompt does not repeat the last command.
        {L"probe_where\n\n   \n", L"Command: probe_where\nprobe_where: [none]\nCommand: \nCommand: \n"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        m_capture.clear();
        m_messages.clear();
        EXPECT_EQ(cadhost::kExitOk, run(c.script)) << cadhost::toUtf8(c.script);
        EXPECT_EQ(c.commandLine, commandLine()) << cadhost::toUtf8(c.script);
        EXPECT_TRUE(m_messages.empty()) << m_messages.front();
        EXPECT_EQ(0u, cadhost::Answers::pending());
    }
}

// A refused value asks again (until the script runs dry); a read-only one shows its value.
TEST_F(ScriptTest, SystemVariablesTakeTheNextInputAsTheirValue) {
    EXPECT_EQ(cadhost::kExitOk, run(L"FILEDIA\n0\ncmdecho 7\n0\nEXPERT\n\nDWGNAME\nDWGTITLED\nFILEDIA\n2\n"));
    EXPECT_EQ(
        L"Command: FILEDIA\nEnter new value for FILEDIA <1>: 0\n"
        L"Command: cmdecho\nEnter new value for CMDECHO <1>: 7\n"
        L"Requires an integer between 0 and 1.\nEnter new value for CMDECHO <1>: 0\n"
        L"Command: EXPERT\nEnter new value for EXPERT <0>: \n"
        L"Command: DWGNAME\nDWGNAME = \"Drawing1.dwg\" (read only)\n"
        L"Command: DWGTITLED\nDWGTITLED = 0 (read only)\n"
        L"Command: FILEDIA\nEnter new value for FILEDIA <0>: 2\n"
        L"Requires an integer between 0 and 1.\nEnter new value for FILEDIA <0>: *Cancel*\n",
        commandLine());
    EXPECT_EQ(L"0", cadhost::SystemVariables::valueText(L"FILEDIA"));
    EXPECT_EQ(L"0", cadhost::SystemVariables::valueText(L"CMDECHO"));
    EXPECT_EQ(L"0", cadhost::SystemVariables::valueText(L"EXPERT"));
}

TEST_F(ScriptTest, FailingStepsAreReportedAndTheScriptGoesOn) {
    const struct { const wchar_t* script; const wchar_t* commandLine; const char* message; } cases[] = {
        {L"probe_where\nBOGUS stuff\nprobe_where",
         L"Command: probe_where\nprobe_where: [none]\nCommand: BOGUS\n"
         L"Unknown command \"BOGUS\".  Press F1 for help.\n"
         L"Command: stuff\nUnknown command \"STUFF\".  Press F1 for help.\n"
         L"Command: probe_where\nprobe_where: [none]\n",
         "cadhost: t.scr:2: unknown command \"BOGUS\""},
        {L"\n_.saveas", L"Command: \nCommand: _.saveas\n", "cadhost: t.scr:2: SAVEAS: no drawing is open"},
        {L"close", L"Command: close\n", "cadhost: t.scr:1: CLOSE: no drawing is open"},
    };
    for (const auto& c : cases) {
        m_capture.clear();
        m_messages.clear();
        EXPECT_EQ(cadhost::kExitFailed, run(c.script)) << cadhost::toUtf8(c.script);
        EXPECT_EQ(c.commandLine, commandLine()) << cadhost::toUtf8(c.script);
        ASSERT_FALSE(m_messages.empty());
        EXPECT_EQ(c.message, m_messages.front());
    }
}

TEST_F(ScriptTest, OpeningADrawingThatCannotBeReadFailsNamingTheFile) {
    const fs::path missing = m_dir / "missing file.dxf";
    const std::wstring script = L"OPEN \"" + wide(missing) + L"\"\nprobe_where\n";
    EXPECT_EQ(cadhost::kExitFailed, run(script));
    EXPECT_EQ(L"Command: OPEN\nEnter name of drawing to open: " + wide(missing) +
                  L"\nCommand: probe_where\nprobe_where: [none]\n", commandLine());
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_NE(std::string::npos, m_messages[0].find(missing.string())) << m_messages[0];
}

TEST_F(ScriptTest, GarbageEndsInMessagesNeverInACrashOrAHang) {
    const std::wstring longLine(100000, L'x');
    const std::wstring scripts[] = {
        std::wstring(L"\0\0\0\n\0probe_where\n", 17),
        L"\"\"\"\n\"",
        L"\r\r\r\n\r",
        L"OPEN\n" + longLine,
        L"SAVEAS",
        L"OPEN \"\"\nFILEDIA\n" + longLine + L"\n",
        L"probe_frage " + longLine + L" " + longLine,
        L"\uFFFD\U0001F600 \u00DF\n;\n;;\n",
        L"OPEN\n^C\nSAVEAS\n^C\n^C\n",
    };
    for (const std::wstring& script : scripts) {
        const int status = run(script);
        EXPECT_TRUE(status == cadhost::kExitOk || status == cadhost::kExitFailed);
        EXPECT_EQ(0u, cadhost::Answers::pending());
        EXPECT_EQ(nullptr, m_session->currentDocument());
    }
    EXPECT_EQ(L"1", cadhost::SystemVariables::valueText(L"FILEDIA"));
}

TEST(ScriptRunnerTest, SplitsCommandLinesIntoWords) {
    const struct { const wchar_t* line; std::vector<std::wstring> words; } cases[] = {
        {L"", {}}, {L"   \t ", {}}, {L"OPEN", {L"OPEN"}},
        {L"  OPEN   a.dxf  ", {L"OPEN", L"a.dxf"}},
        {L"OPEN \"my file.dxf\" next", {L"OPEN", L"my file.dxf", L"next"}},
        {L"x \"\" y", {L"x", L"", L"y"}}, {L"pre\"fix suf\"fix", {L"prefix suffix"}},
        {L"\"unclosed quote", {L"unclosed quote"}}, {L"tab\tseparated", {L"tab", L"separated"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.words, cadhost::ScriptRunner::splitWords(c.line)) << cadhost::toUtf8(c.line);
}

TEST(ScriptRunnerTest, DecodesUtf8OrElseTheAnsiCodePage) {
    const struct { std::string bytes; std::wstring text; } cases[] = {
        {"plain", L"plain"},
        {"\xEF\xBB\xBFStra\xC3\x9F\x65", L"Straße"},
        {"Stra\xC3\x9F\x65", L"Straße"},
        {"Stra\xDF\x65", L"Straße"},                   // 1252
        {"\xC3\x28", L"\u00C3("},                 // not UTF-8: 1252
        {"\xE0\x80\x80", L"\u00E0\u20AC\u20AC"},  // overlong: 1252
        {"\xED\xA0\x80", L"\u00ED\u00A0\u20AC"},  // a surrogate: 1252
        {"\xE2\x82", L"\u00E2\u201A"},            // cut short: 1252
        {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, cadhost::ScriptRunner::decode(c.bytes)) << c.bytes;
}

using ScriptDrawingTest = ScriptTest;

TEST_F(ScriptDrawingTest, CloseClosesTheCurrentDrawingAndQsaveSavesInPlace) {
    const fs::path a = drawingCopy("a.dxf");
    const std::wstring wa = wide(a);
    const std::wstring wb = wide(drawingCopy("b.dxf"));
    EXPECT_EQ(cadhost::kExitOk,
              run(L"OPEN " + wa + L"\nOPEN " + wb + L"\nCLOSE\nprobe_where\nQSAVE\n"));
    EXPECT_EQ(L"Command: OPEN\nEnter name of drawing to open: " + wa + L"\nprobe: loaded [" + wa +
                  L"]\nCommand: OPEN\nEnter name of drawing to open: " + wb + L"\nprobe: loaded [" +
                  wb + L"]\nCommand: CLOSE\nprobe: unloading [" + wb + L"]\nprobe: destroying [" +
                  wb + L"]\nCommand: probe_where\nprobe_where: [" + wa + L"]\nCommand: QSAVE\n",
              commandLine());
    EXPECT_EQ(dbtest::readFile(kSmallDrawing), dbtest::readFile(a));
    EXPECT_TRUE(m_messages.empty()) << m_messages.front();
}

}  // namespace
