// Fault-injection sweep over everything that writes a user's file: the main job (open a
// managed drawing, update it, save it), the reference replacement command and the dependency
// list, run in-process with the real module while each file-system step of writing fails in
// turn. After every failure the file on disk must be the old one byte for byte or the complete
// new one, an existing backup must be whole, no temporary file may be left, and the user must
// have been told (the replacement command alone stays silent by design).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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
const fs::path kRefsDrawing =
    fs::path(BRAKON_SOURCE_DIR) / "tests/module/commands/fixtures/refs_2.dxf";
const std::string kManaged = "A-1000-Getriebegehaeuse";

std::wstring wide(const fs::path& path) { return cadhost::fromUtf8(path.string()); }

const char* stepName(FileStep step) {
    switch (step) {
        case FileStep::kCreateTemp:
            return "create temp";
        case FileStep::kWrite:
            return "write";
        case FileStep::kSync:
            return "sync";
        case FileStep::kClose:
            return "close";
        case FileStep::kRename:
            return "rename";
        case FileStep::kBackupLink:
            return "backup link";
        case FileStep::kBackupCopy:
            return "backup copy";
        case FileStep::kBackupRename:
            return "backup rename";
    }
    return "?";
}

struct Fault {
    FileStep step;
    int err;
    int skip = 0;
};

std::string describe(const std::vector<Fault>& faults) {
    std::string text;
    for (const Fault& f : faults)
        text += std::string(text.empty() ? "" : " + ") + stepName(f.step) + " (" +
                std::strerror(f.err) + (f.skip ? ", after " + std::to_string(f.skip) : "") + ")";
    return text;
}

// What a run left on disk, to be held against what it may leave.
enum class Disk { kOld, kNew };

struct SaveCase {
    std::vector<Fault> faults;
    Disk drawing;
    bool backupRefreshed;  // NAME.bak holds the old drawing (else: as before the run)
    bool reported;         // a failure reached the user
    bool keptAside = false;  // the previous drawing survives beside it as NAME.bak.tmp<pid>
};

// Every step of a drawing save failing, as the platform would fail it.
const SaveCase kSaveCases[] = {
    {{{FileStep::kCreateTemp, ENOSPC}}, Disk::kOld, false, true},
    {{{FileStep::kCreateTemp, EACCES}}, Disk::kOld, false, true},
    {{{FileStep::kWrite, ENOSPC}}, Disk::kOld, false, true},
    {{{FileStep::kWrite, EIO}}, Disk::kOld, false, true},
    {{{FileStep::kSync, EIO}}, Disk::kOld, false, true},
    {{{FileStep::kSync, ENOSPC}}, Disk::kOld, false, true},
    {{{FileStep::kClose, EIO}}, Disk::kOld, false, true},
    {{{FileStep::kClose, EDQUOT}}, Disk::kOld, false, true},
    // No hard links on the file system: the backup is copied instead, and all goes well.
    {{{FileStep::kBackupLink, EPERM}}, Disk::kNew, true, false},
    {{{FileStep::kBackupLink, EPERM}, {FileStep::kBackupCopy, ENOSPC}}, Disk::kOld, false, true},
    // The copy's own writes go through the same writer and may fail half way.
    {{{FileStep::kBackupLink, EPERM}, {FileStep::kWrite, ENOSPC, 1}}, Disk::kOld, false, true},
    {{{FileStep::kRename, EACCES}}, Disk::kOld, false, true},
    {{{FileStep::kRename, EIO}}, Disk::kOld, false, true},
    // Too late to keep the old drawing: the new one is in place and the user is told.
    {{{FileStep::kBackupRename, EIO}}, Disk::kNew, false, true, true},
};

// The file a failed backup rename leaves with the previous drawing in it, if any.
std::string keptAsideFile(const fs::path& dir, const std::string& backupName) {
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(backupName + ".tmp", 0) == 0) return name;
    }
    return {};
}

class FaultSweepTest : public ::testing::Test {
  protected:
    void TearDown() override { cadhost::SystemVariables::resetToDefaults(); }

    // A fresh folder under the test's scratch folder.
    fs::path folder(const std::string& name) {
        const fs::path dir = m_scratch / name;
        fs::remove_all(dir);
        fs::create_directories(dir);
        return dir;
    }

    // The managed example drawing with its companion file (naming the settings file copied
    // beside it), as stem.dxf in dir.
    static fs::path managedDrawing(const fs::path& dir, const std::string& stem) {
        fs::copy_file(kExamples / (kManaged + ".dxf"), dir / (stem + ".dxf"));
        writeCompanion(dir, stem);
        return dir / (stem + ".dxf");
    }
    static void writeCompanion(const fs::path& dir, const std::string& stem) {
        std::string qdx = readFile(kExamples / (kManaged + ".qdx"));
        const std::string marker = "@EXAMPLE_DIR@";
        for (std::size_t at; (at = qdx.find(marker)) != std::string::npos;)
            qdx.replace(at, marker.size(), dir.string());
        writeFile(dir / (stem + ".qdx"), qdx);
        if (!fs::exists(dir / "pdm_settings.ini"))
            fs::copy_file(kExamples / "pdm_settings.ini", dir / "pdm_settings.ini");
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
        return runWith(faults, [&](cadhost::HostSession& session) {
            return session.openDrawings({wide(drawing)}, true);
        });
    }

    Run command(const std::wstring& name, const std::vector<std::wstring>& answers,
                const std::vector<Fault>& faults = {}) {
        return runWith(faults, [&](cadhost::HostSession& session) {
            return session.runCommand(name, answers);
        });
    }

    // Names in dir that are not among the expected ones: temporary files left behind.
    static std::vector<std::string> strayFiles(const fs::path& dir,
                                               const std::set<std::string>& expected) {
        std::vector<std::string> stray;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (!expected.count(name)) stray.push_back(name);
        }
        return stray;
    }

    // The new drawing a clean run writes must be sound for our reader and for ezdxf.
    static void expectSound(const fs::path& drawing, const fs::path& original) {
        EXPECT_NE(nullptr, dbtest::read(drawing));
        EXPECT_EQ(std::vector<std::string>{}, dbtest::auditFile(drawing));
        if (std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") != 0) return;
        EXPECT_EQ(ezdxfAudit(original), ezdxfAudit(drawing)) << "no new audit findings";
    }
    static std::string ezdxfAudit(const fs::path& file) {
        const std::string cmd = "/usr/bin/python3 '" + std::string(BRAKON_SOURCE_DIR) +
                                "/tests/host/arx/ezdxf_dump.py' '" + file.string() +
                                "' 2>&1 | head -1";
        std::string out;
        if (FILE* p = ::popen(cmd.c_str(), "r")) {
            char buf[512];
            while (std::fgets(buf, sizeof buf, p)) out += buf;
            ::pclose(p);
        }
        EXPECT_EQ(0u, out.rfind("audit errors=", 0)) << file << ": " << out;
        return out.substr(0, out.find(" fixes"));
    }

    dbtest::ScratchDir m_scratch;
};

// ---- The main job ----

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
    EXPECT_EQ(std::vector<std::string>{},
              strayFiles(dir, {"p.dxf", "p.qdx", "pdm_settings.ini", "p.bak"}));
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

    const std::string oldBackup = "an earlier backup\r\n";
    int n = 0;
    for (const SaveCase& c : kSaveCases) {
        for (bool hadBackup : {false, true}) {
            SCOPED_TRACE(describe(c.faults) + (hadBackup ? ", earlier backup" : ", no backup"));
            const fs::path dir = folder("case" + std::to_string(n++));
            const fs::path drawing = managedDrawing(dir, "p");
            if (hadBackup) writeFile(dir / "p.bak", oldBackup);

            const Run run = openAndSave(drawing, c.faults);

            EXPECT_GT(run.fired, 0) << "the fault was never reached";
            const std::string now = readFile(drawing);
            EXPECT_TRUE(now == (c.drawing == Disk::kOld ? oldBytes : newBytes))
                << dbtest::firstDifference(c.drawing == Disk::kOld ? oldBytes : newBytes, now);
            if (c.backupRefreshed)
                EXPECT_EQ(oldBytes, readFile(dir / "p.bak"));
            else if (hadBackup)
                EXPECT_EQ(oldBackup, readFile(dir / "p.bak"));
            else
                EXPECT_FALSE(fs::exists(dir / "p.bak"));
            std::set<std::string> expected{"p.dxf", "p.qdx", "pdm_settings.ini"};
            if (hadBackup || c.backupRefreshed) expected.insert("p.bak");
            if (c.keptAside) {
                const std::string aside = keptAsideFile(dir, "p.bak");
                ASSERT_FALSE(aside.empty()) << "the previous drawing must not be lost";
                EXPECT_EQ(oldBytes, readFile(dir / aside));
                expected.insert(aside);
            }
            EXPECT_EQ(std::vector<std::string>{}, strayFiles(dir, expected));

            if (c.reported) {
                EXPECT_EQ(cadhost::kExitFailed, run.status);
                ASSERT_EQ(1u, run.messages.size());
                const std::string& line = run.messages[0];
                EXPECT_EQ(0u, line.rfind("cadhost: " + drawing.string() + ": ", 0)) << line;
                EXPECT_NE(std::string::npos, line.find(std::strerror(c.faults.back().err))) << line;
            } else {
                EXPECT_EQ(cadhost::kExitOk, run.status);
                EXPECT_EQ(std::vector<std::string>{"cadhost: saved " + drawing.string()},
                          run.messages);
            }
        }
    }
}

// A drawing of several megabytes goes out in several writes: a full disk at any of them leaves
// a partly written temporary file, which must never take the drawing's place.
TEST_F(FaultSweepTest, MainJobSurvivesAFullDiskAtEveryWriteOfALargeDrawing) {
    const fs::path sourceDir = folder("source");
    const fs::path source = sourceDir / "big.dxf";
    {
        auto db = dbtest::read(kExamples / (kManaged + ".dxf"));
        ASSERT_NE(nullptr, db);
        AcDbBlockTableRecord* model = nullptr;
        ASSERT_ES(Acad::eOk, acdbOpenObject(model, dbtest::blockId(db.get(), L"*Model_Space"),
                                            AcDb::kForWrite));
        for (int i = 0; i < 18000; ++i) {
            auto* text = new AcDbText();
            text->setPosition(AcGePoint3d(i % 100 * 10.0, i / 100 * 5.0, 0));
            text->setHeight(2.5);
            text->setTextString((L"Position " + std::to_wstring(i) +
                                 L" Passfeder DIN 6885 A 8x7x40 Werkstoff C45+C verzinkt")
                                    .c_str());
            ASSERT_ES(Acad::eOk, model->appendAcDbEntity(text));
            text->close();
        }
        model->close();
        ASSERT_ES(Acad::eOk, db->saveAs(wide(source).c_str(), false));
    }
    ASSERT_GT(fs::file_size(source), 3u << 20);

    const fs::path cleanDir = folder("clean");
    fs::copy_file(source, cleanDir / "big.dxf");
    writeCompanion(cleanDir, "big");
    const Run golden = openAndSave(cleanDir / "big.dxf");
    ASSERT_EQ(cadhost::kExitOk, golden.status);
    const std::string newBytes = readFile(cleanDir / "big.dxf");
    ASSERT_NE(readFile(source), newBytes);
    expectSound(cleanDir / "big.dxf", source);
    const int writes = golden.counts[static_cast<int>(FileStep::kWrite)];
    ASSERT_GE(writes, 2);

    const std::string oldBytes = readFile(source);
    for (int k = 0; k < writes; ++k) {
        SCOPED_TRACE("full disk at write " + std::to_string(k + 1) + " of " +
                     std::to_string(writes));
        const fs::path dir = folder("write" + std::to_string(k));
        fs::copy_file(source, dir / "big.dxf");
        writeCompanion(dir, "big");

        const Run run = openAndSave(dir / "big.dxf", {{FileStep::kWrite, ENOSPC, k}});

        EXPECT_EQ(1, run.fired);
        EXPECT_TRUE(readFile(dir / "big.dxf") == oldBytes);
        EXPECT_EQ(std::vector<std::string>{},
                  strayFiles(dir, {"big.dxf", "big.qdx", "pdm_settings.ini"}));
        EXPECT_EQ(cadhost::kExitFailed, run.status);
        ASSERT_EQ(1u, run.messages.size());
        EXPECT_EQ(
            "cadhost: " + (dir / "big.dxf").string() + ": write failed: " + std::strerror(ENOSPC),
            run.messages[0]);
    }
}

// ---- The commands ----

// The replacement command saves the drawing it redirects; its boundary prints nothing, so only
// what is on disk can show that a failure lost nothing.
TEST_F(FaultSweepTest, ReplacementCommandLeavesTheOldOrTheWholeNewDrawingAtEveryFailingStep) {
    auto prepare = [&](const fs::path& dir) {
        fs::copy_file(kRefsDrawing, dir / "top.dxf");
        fs::permissions(dir / "top.dxf", fs::perms::owner_write, fs::perm_options::add);
        writeFile(dir / "r.txt",
                  (dir / "XR_1.dwg").string() + "=" + (dir / "new" / "XR_1.dwg").string() + "\r\n");
    };
    auto answers = [](const fs::path& dir) {
        return std::vector<std::wstring>{wide(dir / "top.dxf"), wide(dir / "r.txt"), L"Yes"};
    };
    const std::wstring kCommand = L"vallo_replace_referenced_document";

    const fs::path cleanDir = folder("clean");
    prepare(cleanDir);
    const std::string oldBytes = readFile(cleanDir / "top.dxf");
    const Run golden = command(kCommand, answers(cleanDir));
    ASSERT_EQ(cadhost::kExitOk, golden.status);
    const std::string newBytes = readFile(cleanDir / "top.dxf");
    ASSERT_NE(oldBytes, newBytes) << "the replacement must change the drawing";
    EXPECT_EQ(oldBytes, readFile(cleanDir / "top.bak"));
    expectSound(cleanDir / "top.dxf", kRefsDrawing);

    int n = 0;
    for (const SaveCase& c : kSaveCases) {
        SCOPED_TRACE(describe(c.faults));
        const fs::path dir = folder("case" + std::to_string(n++));
        prepare(dir);

        const Run run = command(kCommand, answers(dir), c.faults);

        EXPECT_GT(run.fired, 0) << "the fault was never reached";
        EXPECT_EQ(cadhost::kExitOk, run.status);
        EXPECT_EQ(std::vector<std::string>{}, run.messages);
        EXPECT_TRUE(readFile(dir / "top.dxf") == (c.drawing == Disk::kOld ? oldBytes : newBytes));
        if (c.backupRefreshed)
            EXPECT_EQ(oldBytes, readFile(dir / "top.bak"));
        else
            EXPECT_FALSE(fs::exists(dir / "top.bak"));
        std::set<std::string> expected{"top.dxf", "r.txt"};
        if (c.backupRefreshed) expected.insert("top.bak");
        if (c.keptAside) {
            const std::string aside = keptAsideFile(dir, "top.bak");
            ASSERT_FALSE(aside.empty()) << "the previous drawing must not be lost";
            EXPECT_EQ(oldBytes, readFile(dir / aside));
            expected.insert(aside);
        }
        EXPECT_EQ(std::vector<std::string>{}, strayFiles(dir, expected));
    }
}

// The dependency list goes through the framework's file class: a failure at any step keeps
// the previous list and says so on the command line.
TEST_F(FaultSweepTest, DependencyListKeepsThePreviousListAtEveryFailingStep) {
    const std::string oldList = "an earlier list\r\n";
    auto prepare = [&](const fs::path& dir) {
        fs::copy_file(kRefsDrawing, dir / "top.dxf");
        writeFile(dir / "out.txt", oldList);
    };
    auto answers = [](const fs::path& dir) {
        return std::vector<std::wstring>{wide(dir / "top.dxf"), wide(dir / "out.txt"), L"Yes",
                                         L"No"};
    };
    const std::wstring kCommand = L"vallo_get_dependencies";

    const fs::path cleanDir = folder("clean");
    prepare(cleanDir);
    const Run golden = command(kCommand, answers(cleanDir));
    const std::string newList = readFile(cleanDir / "out.txt");
    ASSERT_NE(oldList, newList);
    EXPECT_NE(std::string::npos, newList.find("XR_2.dwg\r\n")) << newList;
    EXPECT_EQ(std::wstring::npos, golden.commandLine.find(L"not written")) << golden.commandLine;

    const std::vector<Fault> kFaults[] = {
        {{FileStep::kCreateTemp, ENOSPC}}, {{FileStep::kCreateTemp, EIO}},
        {{FileStep::kWrite, ENOSPC}},      {{FileStep::kWrite, ENOSPC, 1}},
        {{FileStep::kSync, ENOSPC}},       {{FileStep::kClose, EIO}},
        {{FileStep::kRename, EACCES}},
    };
    int n = 0;
    for (const std::vector<Fault>& faults : kFaults) {
        SCOPED_TRACE(describe(faults));
        const fs::path dir = folder("case" + std::to_string(n++));
        prepare(dir);

        const Run run = command(kCommand, answers(dir), faults);

        EXPECT_EQ(1, run.fired);
        EXPECT_EQ(oldList, readFile(dir / "out.txt"));
        EXPECT_EQ(std::vector<std::string>{}, strayFiles(dir, {"top.dxf", "out.txt"}));
        EXPECT_NE(std::wstring::npos,
                  run.commandLine.find(L"\nThe dependency list was not written. "))
            << run.commandLine;
        EXPECT_EQ(std::vector<std::string>{}, run.messages);
    }
}

}  // namespace
