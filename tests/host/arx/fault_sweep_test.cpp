// Fault-injection sweep over everything that writes a user's file: the main job (open a
// managed drawing, update it, save it), the reference replacement command and the dependency
// list, run in-process with the real module while each file-system step of writing fails in
// turn. After every failure the file on disk must be the old one byte for byte or the complete
// new one, an existing backup must be whole, no temporary file may be left, and the user must
// have been told (the replacement command alone stays silent by design).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "arx/command_line.h"
#include "arx/host_session.h"
#include "arx/input_sysvars.h"
#include "db_test_util.h"
#include "testing_fs.h"
#include "win/code_page.h"

namespace {

namespace fs = std::filesystem;
using cadhost::testing::FileStep;
using dbtest::readFile;
using dbtest::writeFile;

const std::string kModule = std::string(BRAKON_BIN_DIR) + "/brakon.so";
const fs::path kExamples = fs::path(BRAKON_SOURCE_DIR) / "examples";
const fs::path kRefsDrawing = fs::path(BRAKON_SOURCE_DIR) / "tests/module/commands/fixtures/refs_2.dxf";
const std::string kManaged = "A-1000-Getriebegehaeuse";

std::wstring wide(const fs::path& path) { return cadhost::fromUtf8(path.string()); }

struct Fault { FileStep step; int err; int skip = 0; };

std::string describe(const std::vector<Fault>& faults) {
    static const char* const kNames[] = {"create temp", "write",       "sync",        "close",
                                         "rename",      "backup link", "backup copy", "backup rename"};
    std::string text;
    for (const Fault& f : faults)
        text += std::string(text.empty() ? "" : " + ") + kNames[static_cast<int>(f.step)] + " (" +
                std::strerror(f.err) + (f.skip ? ", after " + std::to_string(f.skip) : "") + ")";
    return text;
}

struct SaveCase {
    std::vector<Fault> faults;
    bool newDrawing;         // the new drawing is in place (else the old one, byte for byte)
    bool backupRefreshed;    // NAME.bak holds the old drawing (else: as before the run)
    bool reported;           // a failure reached the user
    bool keptAside = false;  // the previous drawing survives beside it as NAME.bak.tmp<pid>
};

// Every step of a drawing save failing, as the platform would fail it.
const SaveCase kSaveCases[] = {
    {{{FileStep::kCreateTemp, ENOSPC}}, false, false, true},
    {{{FileStep::kCreateTemp, EACCES}}, false, false, true},
    {{{FileStep::kWrite, ENOSPC}}, false, false, true},
    {{{FileStep::kWrite, EIO}}, false, false, true},
    {{{FileStep::kSync, EIO}}, false, false, true},
    {{{FileStep::kSync, ENOSPC}}, false, false, true},
    {{{FileStep::kClose, EIO}}, false, false, true},
    {{{FileStep::kClose, EDQUOT}}, false, false, true},
    // No hard links on the file system: the backup is copied instead, and all goes well.
    {{{FileStep::kBackupLink, EPERM}}, true, true, false},
    {{{FileStep::kBackupLink, EPERM}, {FileStep::kBackupCopy, ENOSPC}}, false, false, true},
    // The copy's own writes go through the same writer and may fail half way.
    {{{FileStep::kBackupLink, EPERM}, {FileStep::kWrite, ENOSPC, 1}}, false, false, true},
    {{{FileStep::kRename, EACCES}}, false, false, true},
    {{{FileStep::kRename, EIO}}, false, false, true},
    // Too late to keep the old drawing: the new one is in place and the user is told.
    {{{FileStep::kBackupRename, EIO}}, true, false, true, true},
};

class FaultSweepTest : public ::testing::Test {
  protected:
    void TearDown() override { cadhost::SystemVariables::resetToDefaults(); }
    fs::path folder(const std::string& name) {
        const fs::path dir = m_scratch / name;
        fs::remove_all(dir);
        fs::create_directories(dir);
        return dir;
    }
    // The managed example drawing (or another) as stem.dxf in dir, with its companion file
    // naming the settings file copied beside it.
    static fs::path managedDrawing(const fs::path& dir, const std::string& stem,
                                   const fs::path& source = kExamples / (kManaged + ".dxf")) {
        fs::copy_file(source, dir / (stem + ".dxf"));
        std::string qdx = readFile(kExamples / (kManaged + ".qdx"));
        const std::string marker = "@EXAMPLE_DIR@";
        for (std::size_t at; (at = qdx.find(marker)) != std::string::npos;)
            qdx.replace(at, marker.size(), dir.string());
        writeFile(dir / (stem + ".qdx"), qdx);
        fs::copy_file(kExamples / "pdm_settings.ini", dir / "pdm_settings.ini");
        return dir / (stem + ".dxf");
    }
    struct Run {
        int status = -1;
        std::vector<std::string> messages;
        std::wstring commandLine;
        int fired = 0;
        int counts[cadhost::testing::kFileStepCount] = {};
    };
    // One cadhost run with the module loaded and the faults set: job runs against the session.
    template <typename Job>
    Run runWith(const std::vector<Fault>& faults, Job job) {
        Run run;
        cadhost::CommandLineCapture capture;
        cadhost::testing::FileFaultScope scope;
        {
            cadhost::HostSession session;
            session.setMessageSink([&](const std::string& line) { run.messages.push_back(line); });
            EXPECT_TRUE(session.loadModule(kModule));
            for (const Fault& f : faults) cadhost::testing::failFileStep(f.step, f.err, f.skip);
            run.status = job(session);
            run.fired = cadhost::testing::firedFileFaults();
            for (int i = 0; i < cadhost::testing::kFileStepCount; ++i)
                run.counts[i] = cadhost::testing::fileStepCount(static_cast<FileStep>(i));
        }
        run.commandLine = capture.text();
        return run;
    }
    Run openAndSave(const fs::path& drawing, const std::vector<Fault>& faults = {}) {
        return runWith(faults, [&](cadhost::HostSession& s) { return s.openDrawings({wide(drawing)}, true); });
    }
    Run command(const std::wstring& name, const std::vector<std::wstring>& answers,
                const std::vector<Fault>& faults = {}) {
        return runWith(faults, [&](cadhost::HostSession& s) { return s.runCommand(name, answers); });
    }
    // Names in dir that are not among the expected ones: temporary files left behind.
    static std::vector<std::string> strayFiles(const fs::path& dir, const std::set<std::string>& expected) {
        std::vector<std::string> stray;
        for (const auto& entry : fs::directory_iterator(dir))
            if (!expected.count(entry.path().filename().string())) stray.push_back(entry.path().filename().string());
        return stray;
    }
    // What a run under case c left in dir for stem.dxf: the old or the new drawing, the backup
    // refreshed or as it was (earlierBackup, or none), a kept-aside previous drawing, and no
    // file beyond the expected ones.
    static void expectOnDisk(const fs::path& dir, const std::string& stem, const SaveCase& c,
                             const std::string& oldBytes, const std::string& newBytes,
                             const std::string* earlierBackup, std::set<std::string> expected) {
        const std::string now = readFile(dir / (stem + ".dxf"));
        const std::string& want = c.newDrawing ? newBytes : oldBytes;
        EXPECT_TRUE(now == want) << dbtest::firstDifference(want, now);
        const fs::path backup = dir / (stem + ".bak");
        if (c.backupRefreshed)
            EXPECT_EQ(oldBytes, readFile(backup));
        else if (earlierBackup)
            EXPECT_EQ(*earlierBackup, readFile(backup));
        else
            EXPECT_FALSE(fs::exists(backup));
        if (c.backupRefreshed || earlierBackup) expected.insert(stem + ".bak");
        if (c.keptAside) {
            std::string aside;
            for (const auto& entry : fs::directory_iterator(dir))
                if (entry.path().filename().string().rfind(stem + ".bak.tmp", 0) == 0)
                    aside = entry.path().filename().string();
            ASSERT_FALSE(aside.empty()) << "the previous drawing must not be lost";
            EXPECT_EQ(oldBytes, readFile(dir / aside));
            expected.insert(aside);
        }
        EXPECT_EQ(std::vector<std::string>{}, strayFiles(dir, expected));
    }
    // The new drawing a clean run writes must be sound for our reader and for ezdxf.
    static void expectSound(const fs::path& drawing, const fs::path& original) {
        EXPECT_NE(nullptr, dbtest::read(drawing));
        EXPECT_EQ(std::vector<std::string>{}, dbtest::auditFile(drawing));
        if (!dbtest::haveEzdxf()) return;
        EXPECT_EQ(ezdxfAudit(original), ezdxfAudit(drawing)) << "no new audit findings";
    }
    static std::string ezdxfAudit(const fs::path& file) {
        const std::string out = dbtest::ezdxfDump(file);
        EXPECT_EQ(0u, out.rfind("audit errors=", 0)) << file << ": " << out;
        return out.substr(0, out.find(" fixes"));
    }
    dbtest::ScratchDir m_scratch;
};

// A folder where the backup should go is found out before the drawing is touched.
TEST_F(FaultSweepTest, BackupNameTakenByAFolderLeavesTheDrawingAsItWas) {
    const fs::path dir = folder("bakfolder");
    const fs::path drawing = managedDrawing(dir, "p");
    const std::string oldBytes = readFile(drawing);
    fs::create_directory(dir / "p.bak");
    const Run run = openAndSave(drawing);
    EXPECT_EQ(cadhost::kExitFailed, run.status);
    EXPECT_EQ(oldBytes, readFile(drawing));
    ASSERT_EQ(1u, run.messages.size());
    EXPECT_NE(std::string::npos, run.messages[0].find((dir / "p.bak").string())) << run.messages[0];
    EXPECT_NE(std::string::npos, run.messages[0].find(std::strerror(EISDIR))) << run.messages[0];
    EXPECT_EQ(std::vector<std::string>{}, strayFiles(dir, {"p.dxf", "p.qdx", "pdm_settings.ini", "p.bak"}));
}

// Runs every save fault against the managed example, with and without an earlier backup.
TEST_F(FaultSweepTest, MainJobLeavesTheOldOrTheWholeNewDrawingAtEveryFailingStep) {
    const fs::path cleanDir = folder("clean");
    const fs::path clean = managedDrawing(cleanDir, "p");
    const std::string oldBytes = readFile(clean);
    const Run golden = openAndSave(clean);
    ASSERT_EQ(cadhost::kExitOk, golden.status);
    ASSERT_EQ(std::vector<std::string>{"cadhost: saved " + clean.string()}, golden.messages);
    const std::string newBytes = readFile(clean);
    ASSERT_NE(oldBytes, newBytes) << "the update must change the drawing";
    EXPECT_EQ(oldBytes, readFile(cleanDir / "p.bak"));
    EXPECT_EQ(1, golden.counts[static_cast<int>(FileStep::kCreateTemp)])
        << "the drawing is the only file the job writes";
    expectSound(clean, kExamples / (kManaged + ".dxf"));
    const std::string earlierBackup = "an earlier backup\r\n";
    int n = 0;
    for (const SaveCase& c : kSaveCases) {
        for (bool hadBackup : {false, true}) {
            SCOPED_TRACE(describe(c.faults) + (hadBackup ? ", earlier backup" : ", no backup"));
            const fs::path dir = folder("case" + std::to_string(n++));
            const fs::path drawing = managedDrawing(dir, "p");
            if (hadBackup) writeFile(dir / "p.bak", earlierBackup);
            const Run run = openAndSave(drawing, c.faults);
            EXPECT_GT(run.fired, 0) << "the fault was never reached";
            expectOnDisk(dir, "p", c, oldBytes, newBytes, hadBackup ? &earlierBackup : nullptr,
                         {"p.dxf", "p.qdx", "pdm_settings.ini"});
            if (c.reported) {
                EXPECT_EQ(cadhost::kExitFailed, run.status);
                ASSERT_EQ(1u, run.messages.size());
                const std::string& line = run.messages[0];
                EXPECT_EQ(0u, line.rfind("cadhost: " + drawing.string() + ": ", 0)) << line;
                EXPECT_NE(std::string::npos, line.find(std::strerror(c.faults.back().err))) << line;
            } else {
                EXPECT_EQ(cadhost::kExitOk, run.status);
                EXPECT_EQ(std::vector<std::string>{"cadhost: saved " + drawing.string()}, run.messages);
            }
        }
    }
}

// A drawing of several megabytes goes out in several writes: a full disk at any of them leaves
// a partly written temporary file, which must never take the drawing's place.
TEST_F(FaultSweepTest, MainJobSurvivesAFullDiskAtEveryWriteOfALargeDrawing) {
    const fs::path source = folder("source") / "big.dxf";
    {
        auto db = dbtest::read(kExamples / (kManaged + ".dxf"));
        ASSERT_NE(nullptr, db);
        AcDbBlockTableRecord* model = nullptr;
        ASSERT_ES(Acad::eOk, acdbOpenObject(model, dbtest::blockId(db.get(), L"*Model_Space"), AcDb::kForWrite));
        for (int i = 0; i < 18000; ++i) {
            auto* text = new AcDbText();
            text->setPosition(AcGePoint3d(i % 100 * 10.0, i / 100 * 5.0, 0));
            text->setHeight(2.5);
            text->setTextString(
                (L"Position " + std::to_wstring(i) + L" Passfeder DIN 6885 A 8x7x40 Werkstoff C45+C verzinkt").c_str());
            ASSERT_ES(Acad::eOk, model->appendAcDbEntity(text));
            text->close();
        }
        model->close();
        ASSERT_ES(Acad::eOk, db->saveAs(wide(source).c_str(), false));
    }
    ASSERT_GT(fs::file_size(source), 3u << 20);
    const fs::path clean = managedDrawing(folder("clean"), "big", source);
    const Run golden = openAndSave(clean);
    ASSERT_EQ(cadhost::kExitOk, golden.status);
    ASSERT_NE(readFile(source), readFile(clean));
    expectSound(clean, source);
    const int writes = golden.counts[static_cast<int>(FileStep::kWrite)];
    ASSERT_GE(writes, 2);
    const std::string oldBytes = readFile(source);
    for (int k = 0; k < writes; ++k) {
        SCOPED_TRACE("full disk at write " + std::to_string(k + 1) + " of " + std::to_string(writes));
        const fs::path dir = folder("write" + std::to_string(k));
        const fs::path drawing = managedDrawing(dir, "big", source);
        const Run run = openAndSave(drawing, {{FileStep::kWrite, ENOSPC, k}});
        EXPECT_EQ(1, run.fired);
        EXPECT_TRUE(readFile(drawing) == oldBytes);
        EXPECT_EQ(std::vector<std::string>{}, strayFiles(dir, {"big.dxf", "big.qdx", "pdm_settings.ini"}));
        EXPECT_EQ(cadhost::kExitFailed, run.status);
        EXPECT_EQ(std::vector<std::string>{"cadhost: " + drawing.string() + ": write failed: " + std::strerror(ENOSPC)},
                  run.messages);
    }
}

// The replacement command saves the drawing it redirects; its boundary prints nothing, so only
// what is on disk can show that a failure lost nothing.
TEST_F(FaultSweepTest, ReplacementCommandLeavesTheOldOrTheWholeNewDrawingAtEveryFailingStep) {
    const std::wstring kCommand = L"vallo_replace_referenced_document";
    auto prepare = [&](const fs::path& dir) {
        fs::copy_file(kRefsDrawing, dir / "top.dxf");
        fs::permissions(dir / "top.dxf", fs::perms::owner_write, fs::perm_options::add);
        writeFile(dir / "r.txt", (dir / "XR_1.dwg").string() + "=" + (dir / "new" / "XR_1.dwg").string() + "\r\n");
        return std::vector<std::wstring>{wide(dir / "top.dxf"), wide(dir / "r.txt"), L"Yes"};
    };
    const fs::path cleanDir = folder("clean");
    const std::vector<std::wstring> cleanAnswers = prepare(cleanDir);
    const std::string oldBytes = readFile(cleanDir / "top.dxf");
    ASSERT_EQ(cadhost::kExitOk, command(kCommand, cleanAnswers).status);
    const std::string newBytes = readFile(cleanDir / "top.dxf");
    ASSERT_NE(oldBytes, newBytes) << "the replacement must change the drawing";
    EXPECT_EQ(oldBytes, readFile(cleanDir / "top.bak"));
    expectSound(cleanDir / "top.dxf", kRefsDrawing);
    int n = 0;
    for (const SaveCase& c : kSaveCases) {
        SCOPED_TRACE(describe(c.faults));
        const fs::path dir = folder("case" + std::to_string(n++));
        const Run run = command(kCommand, prepare(dir), c.faults);
        EXPECT_GT(run.fired, 0) << "the fault was never reached";
        EXPECT_EQ(cadhost::kExitOk, run.status);
        EXPECT_EQ(std::vector<std::string>{}, run.messages);
        expectOnDisk(dir, "top", c, oldBytes, newBytes, nullptr, {"top.dxf", "r.txt"});
    }
}

// The dependency list goes through the framework's file class: a failure at any step keeps
// the previous list and says so on the command line.
TEST_F(FaultSweepTest, DependencyListKeepsThePreviousListAtEveryFailingStep) {
    const std::wstring kCommand = L"vallo_get_dependencies";
    const std::string oldList = "an earlier list\r\n";
    auto prepare = [&](const fs::path& dir) {
        fs::copy_file(kRefsDrawing, dir / "top.dxf");
        writeFile(dir / "out.txt", oldList);
        return std::vector<std::wstring>{wide(dir / "top.dxf"), wide(dir / "out.txt"), L"Yes", L"No"};
    };
    const fs::path cleanDir = folder("clean");
    const Run golden = command(kCommand, prepare(cleanDir));
    const std::string newList = readFile(cleanDir / "out.txt");
    ASSERT_NE(oldList, newList);
    EXPECT_NE(std::string::npos, newList.find("XR_2.dwg\r\n")) << newList;
    EXPECT_EQ(std::wstring::npos, golden.commandLine.find(L"not written")) << golden.commandLine;
    const std::vector<Fault> kFaults[] = {
        {{FileStep::kCreateTemp, ENOSPC}}, {{FileStep::kCreateTemp, EIO}}, {{FileStep::kWrite, ENOSPC}},
        {{FileStep::kWrite, ENOSPC, 1}},   {{FileStep::kSync, ENOSPC}},    {{FileStep::kClose, EIO}},
        {{FileStep::kRename, EACCES}},
    };
    int n = 0;
    for (const std::vector<Fault>& faults : kFaults) {
        SCOPED_TRACE(describe(faults));
        const fs::path dir = folder("case" + std::to_string(n++));
        const Run run = command(kCommand, prepare(dir), faults);
        EXPECT_EQ(1, run.fired);
        EXPECT_EQ(oldList, readFile(dir / "out.txt"));
        EXPECT_EQ(std::vector<std::string>{}, strayFiles(dir, {"top.dxf", "out.txt"}));
        EXPECT_NE(std::wstring::npos, run.commandLine.find(L"\nThe dependency list was not written. "))
            << run.commandLine;
        EXPECT_EQ(std::vector<std::string>{}, run.messages);
    }
}

}  // namespace
