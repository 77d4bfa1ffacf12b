// The host session: modules, documents and the jobs of cadhost, driven in-process with the
// probe module (tests/host/cli/probe_module.cpp) loaded from the build's bin folder.
#include "arx/host_session.h"

#include "arx/command_invoke.h"
#include "session_test_util.h"

namespace {

using namespace sessiontest;
using HostSessionTest = SessionTest;

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

TEST_F(HostSessionTest, ACommandThatThrowsIsReportedAndTheHostGoesOn) {
    loadProbe();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(cadhost::kExitOk, session().runCommand(L"probe_throw", {}));
    EXPECT_EQ("cadhost: command _probe_throw: probe failure\n",
              ::testing::internal::GetCapturedStderr());
    EXPECT_EQ(cadhost::kExitOk, session().runCommand(L"probe_frage", {L"a", L"b"}));
    EXPECT_EQ(L"First: a\nSecond: b\nprobe_ask: [a] [b]\n", commandLine());
}

// Unreadable drawings of every kind are the CLI's end-to-end tests; a folder and an empty name
// are the odd ones here.
TEST_F(HostSessionTest, DrawingsThatCannotBeReadAreReportedOneLineEachAndTheOthersGoOn) {
    loadProbe();
    const fs::path folder = m_dir / "folder.dxf";
    fs::create_directories(folder);
    const fs::path good = drawingCopy("good.dxf");
    EXPECT_EQ(cadhost::kExitFailed, session().openDrawings({wide(folder), L"", wide(good)}, true));
    EXPECT_EQ((std::vector<std::string>{"cadhost: " + folder.string() + ": not a regular file",
                                        "cadhost: \"\": cannot read the drawing: the file name is empty"}),
              m_messages);
    EXPECT_EQ(nullptr, session().findDocument(wide(folder)));
    EXPECT_EQ(L"probe: loaded [" + wide(good) + L"]\n", commandLine())
        << "no drawing-load message for a drawing never read";
}

TEST(HostSessionPathTest, FullPathsAreAbsoluteAndNormalised) {
    const std::wstring cwd = cadhost::fromUtf8(fs::current_path().string());
    const struct { std::wstring given; std::wstring full; } cases[] = {
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
