// The host session: modules, documents and the jobs of cadhost, driven in-process with the
// probe module (tests/host/cli/probe_module.cpp) loaded from the build's bin folder.
#include "arx/host_session.h"

#include "arx/command_invoke.h"
#include "session_test_util.h"

namespace {

using namespace sessiontest;
using HostSessionTest = SessionTest;

// ---- Modules ----

TEST_F(HostSessionTest, LoadsAModuleOnceAndUnloadsItAtTheEnd) {
    ASSERT_TRUE(session().loadModule(kProbe));
    ASSERT_TRUE(session().loadModule(kProbe));
    EXPECT_EQ(1u, session().moduleCount());
    EXPECT_EQ(L"probe: initialised\n", commandLine());
    EXPECT_NE(nullptr, cadhost::findCommand(L"_probe_ask"));

    session().end();
    session().end();
    EXPECT_EQ(L"probe: initialised\nprobe: unloaded\n", commandLine());
    EXPECT_EQ(nullptr, cadhost::findCommand(L"_probe_ask"));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(HostSessionTest, AModuleThatFailsItsInitialisationIsUnloaded) {
    const fs::path copy = m_dir / "probe-throw-on-init.so";
    fs::copy_file(kProbe, copy);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(session().loadModule(copy.string()));
    EXPECT_EQ("cadhost: " + copy.string() + ": initialisation message: probe init failure\n",
              ::testing::internal::GetCapturedStderr());
    EXPECT_EQ(std::vector<std::string>{"cadhost: " + copy.string() +
                                       ": the module failed to initialise and was unloaded"},
              m_messages);
    EXPECT_EQ(0u, session().moduleCount());
    EXPECT_EQ(L"probe: unloaded\n", commandLine());
    EXPECT_EQ(nullptr, cadhost::findCommand(L"probe_where")) << "taken back on unload";
}

// ---- run ----

TEST_F(HostSessionTest, RunsACommandByEitherNameWithAnswersFeedingItsPrompts) {
    loadProbe();
    const struct {
        std::wstring name;
        std::vector<std::wstring> answers;
        std::wstring commandLine;
        std::vector<std::string> messages;
    } cases[] = {
        {L"probe_frage", {L"a b", L""}, L"First: a b\nSecond: \nprobe_ask: [a b] []\n", {}},
        {L"_PROBE_ASK", {L"x", L"y"}, L"First: x\nSecond: y\nprobe_ask: [x] [y]\n", {}},
        {L"Probe_Frage", {L"x"}, L"First: x\nSecond: *Cancel*\nprobe_ask: cancelled at Second\n", {}},
        {L"probe_frage", {L"^C", L"y"}, L"First: *Cancel*\nprobe_ask: cancelled at First\n",
         {"cadhost: 1 answer was not used by probe_frage"}},
        {L"probe_frage", {L"1", L"2", L"3", L"4"}, L"First: 1\nSecond: 2\nprobe_ask: [1] [2]\n",
         {"cadhost: 2 answers were not used by probe_frage"}},
    };
    for (const auto& c : cases) {
        m_capture.clear();
        m_messages.clear();
        EXPECT_EQ(cadhost::kExitOk, session().runCommand(c.name, c.answers));
        EXPECT_EQ(c.commandLine, commandLine()) << cadhost::toUtf8(c.name);
        EXPECT_EQ(c.messages, m_messages);
        EXPECT_EQ(0u, cadhost::Answers::pending());
    }
}

TEST_F(HostSessionTest, ACommandThatThrowsIsReportedAndTheHostGoesOn) {
    loadProbe();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(cadhost::kExitOk, session().runCommand(L"probe_throw", {}));
    EXPECT_EQ("cadhost: command _probe_throw: probe failure\n",
              ::testing::internal::GetCapturedStderr());
    EXPECT_EQ(cadhost::kExitOk, session().runCommand(L"probe_frage", {L"a", L"b"}));
    EXPECT_EQ(L"First: a\nSecond: b\nprobe_ask: [a] [b]\n", commandLine());
}

// ---- open: drawings that cannot be read ----

TEST_F(HostSessionTest, DrawingsThatCannotBeReadAreReportedOneLineEachAndTheOthersGoOn) {
    loadProbe();
    const fs::path missing = m_dir / "missing.dxf";
    const fs::path folder = m_dir / "folder.dxf";
    fs::create_directories(folder);
    const fs::path notDxf = m_dir / "binary.dxf";
    std::ofstream(notDxf, std::ios::binary) << std::string("AC1032\0\x01\x02garbage", 16);
    const fs::path cut = m_dir / "cut.dxf";
    std::ofstream(cut) << "0\nSECTION\n2\nHEADER\n";
    const fs::path good = drawingCopy("good.dxf");

    EXPECT_EQ(cadhost::kExitFailed,
              session().openDrawings({wide(missing), wide(folder), wide(notDxf), wide(cut), wide(good)}, true));
    ASSERT_EQ(4u, m_messages.size());
    const fs::path files[] = {missing, folder, notDxf, cut};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(0u, m_messages[i].rfind("cadhost: " + files[i].string(), 0)) << m_messages[i];
        EXPECT_EQ(nullptr, session().findDocument(wide(files[i])));
    }
    EXPECT_EQ(L"probe: loaded [" + wide(good) + L"]\n", commandLine())
        << "no drawing-load message for a drawing never read";
    EXPECT_EQ("0\nSECTION\n2\nHEADER\n", readBytes(cut));
    EXPECT_FALSE(fs::exists(m_dir / "missing.bak"));

    m_messages.clear();
    EXPECT_EQ(cadhost::kExitFailed, session().openDrawings({L""}, true));
    EXPECT_EQ(std::vector<std::string>{"cadhost: \"\": cannot read the drawing: the file name is empty"}, m_messages);
}

TEST(HostSessionPathTest, FullPathsAreAbsoluteAndNormalised) {
    const std::wstring cwd = cadhost::fromUtf8(fs::current_path().string());
    const struct {
        std::wstring given;
        std::wstring full;
    } cases[] = {
        {L"/srv/work/a.dxf", L"/srv/work/a.dxf"},
        {L"/srv/work/../parts/./b.dxf", L"/srv/parts/b.dxf"},
        {L"\\srv\\work\\c.dxf", L"/srv/work/c.dxf"},
        {L"d.dxf", cwd + L"/d.dxf"},
        {L"sub/../e.dxf", cwd + L"/e.dxf"},
        {L"/srv/Straße/f.dxf", L"/srv/Straße/f.dxf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.full, cadhost::HostSession::fullPath(c.given)) << cadhost::toUtf8(c.given);
}

// ---- open: real drawings ----

using HostSessionDrawingTest = HostSessionTest;

TEST_F(HostSessionDrawingTest, OpeningMakesADocumentByFullPathAndTellsEveryModule) {
    loadProbe();
    const fs::path a = drawingCopy("a.dxf");
    const fs::path b = drawingCopy("b.dxf");
    const fs::path cwd = fs::current_path();
    fs::current_path(m_dir);
    const int status = session().openDrawings({L"a.dxf", wide(b)}, false);
    fs::current_path(cwd);

    EXPECT_EQ(cadhost::kExitOk, status);
    EXPECT_EQ(L"probe: loaded [" + wide(a) + L"]\nprobe: loaded [" + wide(b) + L"]\n",
              commandLine());
    AcApDocument* current = session().currentDocument();
    ASSERT_NE(nullptr, current);
    EXPECT_EQ(wide(b), current->fileName());
    EXPECT_EQ(L"b.dxf", cadhost::SystemVariables::valueText(L"DWGNAME"));
    EXPECT_EQ(wide(m_dir) + L"/", cadhost::SystemVariables::valueText(L"DWGPREFIX"));
    EXPECT_NE(nullptr, session().findDocument(wide(a)));

    // The end closes the most recent first; each is unloaded, then announced destroyed.
    m_capture.clear();
    session().end();
    EXPECT_EQ(L"probe: unloading [" + wide(b) + L"]\nprobe: destroying [" + wide(b) +
                  L"]\nprobe: unloading [" + wide(a) + L"]\nprobe: destroying [" + wide(a) +
                  L"]\nprobe: unloaded\n",
              commandLine());
}

TEST_F(HostSessionDrawingTest, AnUnchangedDrawingIsLeftAloneWhenSaved) {
    loadProbe();
    const fs::path a = drawingCopy("a.dxf");
    const auto before = fs::last_write_time(a);
    EXPECT_EQ(cadhost::kExitOk, session().openDrawings({wide(a)}, true));
    EXPECT_EQ(readBytes(kSmallDrawing), readBytes(a));
    EXPECT_EQ(before, fs::last_write_time(a));
    EXPECT_FALSE(fs::exists(m_dir / "a.bak"));
    EXPECT_TRUE(m_messages.empty()) << m_messages.front();
}

TEST_F(HostSessionDrawingTest, ADrawingWhoseLoadMessageThrowsIsNotSaved) {
    loadProbe();
    const fs::path failing = drawingCopy("throw-on-load.dxf");
    const fs::path good = drawingCopy("good.dxf");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(cadhost::kExitFailed, session().openDrawings({wide(failing), wide(good)}, true));
    EXPECT_EQ("cadhost: " + kProbe + ": drawing-load message: probe load failure\n",
              ::testing::internal::GetCapturedStderr());
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_EQ("cadhost: " + failing.string() +
                  ": a module failed while the drawing loaded; it was not saved",
              m_messages[0]);
    EXPECT_TRUE(session().loadFailed(session().findDocument(wide(failing))));
    EXPECT_FALSE(session().loadFailed(session().findDocument(wide(good))));
}

TEST_F(HostSessionDrawingTest, SaveAsWritesACompleteCopyAndRenamesTheDocument) {
    const fs::path a = drawingCopy("a.dxf");
    AcApDocument* doc = session().openDrawing(wide(a));
    ASSERT_NE(nullptr, doc);
    const fs::path copy = m_dir / "copy.dxf";
    ASSERT_TRUE(session().saveDrawingAs(doc, wide(copy)));
    EXPECT_EQ(readBytes(kSmallDrawing), readBytes(copy));
    EXPECT_EQ(wide(copy), doc->fileName());
    EXPECT_EQ(L"copy.dxf", cadhost::SystemVariables::valueText(L"DWGNAME"));
    EXPECT_EQ(std::vector<std::string>{"cadhost: saved " + copy.string()}, m_messages);
}

TEST_F(HostSessionDrawingTest, ClosingTheCurrentDrawingMakesTheLastOpenedCurrent) {
    const fs::path a = drawingCopy("a.dxf");
    const fs::path b = drawingCopy("b.dxf");
    const fs::path c = drawingCopy("c.dxf");
    AcApDocument* docA = session().openDrawing(wide(a));
    AcApDocument* docB = session().openDrawing(wide(b));
    AcApDocument* docC = session().openDrawing(wide(c));
    ASSERT_NE(nullptr, docC);
    EXPECT_EQ(docB, session().openDrawing(wide(b))) << "an open drawing is only made current";
    ASSERT_TRUE(session().closeDrawing(docB));
    EXPECT_EQ(docC, session().currentDocument());
    ASSERT_TRUE(session().closeDrawing(docC));
    EXPECT_EQ(docA, session().currentDocument());
    EXPECT_FALSE(session().closeDrawing(docC));
}

}  // namespace
