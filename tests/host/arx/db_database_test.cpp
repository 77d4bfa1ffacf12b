// Tests of the database as a whole: new drawings, reading drawing files (and refusing what is
// not one), saving (unchanged files untouched, atomic replacement, backups, failures).
#include "db_test_util.h"
#include "dblayout.h"
#include "dblaymgr.h"

using namespace dbtest;
namespace fs = std::filesystem;
using cadhost::testing::DbCall;

namespace {

std::string narrow(const ACHAR* w) {
    std::string s;
    for (; w && *w; ++w) s.push_back(*w < 128 ? static_cast<char>(*w) : '?');
    return s;
}

std::vector<std::wstring> blockNames(AcDbDatabase* db) {
    std::vector<std::wstring> names;
    forEachBlock(db, [&](AcDbBlockTableRecord* rec) { names.push_back(nameOf(rec)); });
    return names;
}

int regularFiles(const fs::path& dir) {
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir)) files += e.is_regular_file();
    return files;
}

TEST(AcDbDatabaseTest, NewDatabaseHasACompleteDefaultDrawing) {
    AcDbDatabase db;
    EXPECT_EQ(blockNames(&db), (std::vector<std::wstring>{L"*Model_Space", L"*Paper_Space"}));
    EXPECT_TRUE(db.tilemode());
    EXPECT_EQ(db.originalFileVersion(), AcDb::kDHL_1032);
    AcDbRegAppTable* apps = nullptr;
    ASSERT_ES(Acad::eOk, db.getRegAppTable(apps, AcDb::kForRead));
    EXPECT_TRUE(apps->has(L"acad"));
    apps->close();
    AcDbLayerTable* layers = nullptr;
    ASSERT_ES(Acad::eOk, db.getLayerTable(layers, AcDb::kForRead));
    EXPECT_TRUE(layers->has(L"0"));
    layers->close();
    AcDbObjectId active = acdbHostApplicationServices()->layoutManager()->getActiveLayoutBTRId(&db);
    EXPECT_EQ(active, blockId(&db, L"*Model_Space"));
    const ACHAR* name = nullptr;
    EXPECT_ES(Acad::eOk, db.getFilename(name));
    EXPECT_STREQ(name, L"");
    EXPECT_EQ(cadhost::testing::openObjectCount(&db), 0);
}

TEST(AcDbDatabaseTest, EmptyDatabaseAnswersWithoutCrashing) {
    AcDbDatabase db(false, true);
    AcDbBlockTable* bt = nullptr;
    EXPECT_ES(Acad::eNoDatabase, db.getBlockTable(bt, AcDb::kForRead));
    EXPECT_EQ(bt, nullptr);
    EXPECT_ES(Acad::eNoDatabase, db.saveAs(L"/tmp/never.dxf", false));
    EXPECT_TRUE(acdbHostApplicationServices()->layoutManager()->getActiveLayoutBTRId(&db).isNull());
}

TEST(AcDbDatabaseTest, ReadingRefusesWhatIsNotADrawingWithTheFileAndReason) {
    ScratchDir dir;
    writeFile(dir / "dwg.dwg", std::string("AC1032\0\0\0\0\x1f\x8b", 12));
    writeFile(dir / "r12.dxf", "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n  0\nEOF\n");
    writeFile(dir / "cut.dxf", "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1032\n  0\nENDSEC\n  0\nSECTION\n  2\nTAB");
    writeFile(dir / "noblocks.dxf", "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1032\n  0\nENDSEC\n"
                                    "  0\nSECTION\n  2\nTABLES\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n");
    struct Case { std::string file; Acad::ErrorStatus status; std::string message; } cases[] = {
        {"missing.dxf", Acad::eFileNotFound, "missing.dxf: No such file or directory"},
        {"dwg.dwg", Acad::eUnsupportedFileFormat, "dwg.dwg: a binary DWG drawing, not a DXF file"},
        {"r12.dxf", Acad::eObsoleteFileFormat, "r12.dxf: DXF version AC1009 is older than R2000"},
        {"cut.dxf", Acad::eBadDxfFile, "cut.dxf: no EOF at the end (file truncated)"},
        {"noblocks.dxf", Acad::eBadDxfFile, "noblocks.dxf: no BLOCK_RECORD table"},
    };
    for (const Case& c : cases) {
        AcDbDatabase db(false, true);
        fs::path p = dir / c.file;
        EXPECT_ES(c.status, db.readDwgFile(p.wstring().c_str(), AcDbDatabase::kForReadAndReadShare)) << c.file;
        std::string message = narrow(db.lastErrorText());
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
        EXPECT_EQ(message.rfind(dir.path().string(), 0), 0u) << "names the file with its path: " << message;
        AcDbBlockTable* bt = nullptr;
        EXPECT_ES(Acad::eNoDatabase, db.getBlockTable(bt, AcDb::kForRead)) << "stays empty";
    }
}

TEST(AcDbDatabaseTest, BackslashesInPathsAreFolderSeparators) {
    if (!haveCorpus()) GTEST_SKIP();
    AcDbDatabase db(false, true);
    std::wstring p = corpus("ezdxfgen_xref_attach_host.dxf").wstring();
    for (auto& c : p)
        if (c == L'/') c = L'\\';
    EXPECT_ES(Acad::eOk, db.readDwgFile(p.c_str(), AcDbDatabase::kForReadAndReadShare));
    const ACHAR* name = nullptr;
    db.getFilename(name);
    EXPECT_EQ(std::wstring(name), p) << "the file name is kept as given";
}

TEST(AcDbDatabaseTest, EveryCorpusDrawingReadsAndSavesUnchanged) {
    if (!haveCorpus()) GTEST_SKIP();
    ScratchDir dir;
    for (const auto& entry : fs::directory_iterator(BRAKON_CORPUS_DIR)) {
        if (entry.path().extension() != ".dxf") continue;
        auto db = read(entry.path());
        ASSERT_TRUE(db);
        EXPECT_FALSE(blockNames(db.get()).empty()) << entry.path();
        fs::path out = dir / entry.path().filename().string();
        ASSERT_ES(Acad::eOk, db->saveAs(out.wstring().c_str(), false));
        EXPECT_TRUE(readFile(out) == readFile(entry.path())) << entry.path() << " changed on save";
    }
}

TEST(AcDbDatabaseTest, SavingAnUnchangedDrawingLeavesTheFileAlone) {
    if (!haveCorpus()) GTEST_SKIP();
    ScratchDir dir;
    fs::path p = dir / "a.dxf";
    copyWritable(corpus("libredwg_example_2018.dxf"), p);
    auto db = read(p);
    ASSERT_TRUE(db);
    const auto before = fs::last_write_time(p);
    ::usleep(20000);
    ASSERT_ES(Acad::eOk, db->saveAs(p.wstring().c_str(), true));
    EXPECT_EQ(fs::last_write_time(p), before);
    EXPECT_FALSE(fs::exists(dir / "a.bak"));
    EXPECT_EQ(fs::directory_iterator(dir.path())->path(), p) << "no temporary file left";
}

TEST(AcDbDatabaseTest, SaveReplacesTheFileAndKeepsABackup) {
    ScratchDir dir;
    fs::path p = dir / "drawing.dxf";
    writeFile(p, "old content");
    writeFile(dir / "drawing.bak", "older backup");
    AcDbDatabase db;
    ASSERT_ES(Acad::eOk, db.saveAs(p.wstring().c_str(), true, AcDb::kDHL_1015));
    EXPECT_EQ(readFile(dir / "drawing.bak"), "old content");
    std::string saved = readFile(p);
    EXPECT_NE(saved.find("AC1032"), std::string::npos) << "a new drawing is saved as R2018 whatever is asked";
    EXPECT_EQ(saved.substr(0, 13), "  0\r\nSECTION\r");
    const ACHAR* name = nullptr;
    db.getFilename(name);
    EXPECT_EQ(std::wstring(name), p.wstring());
    EXPECT_EQ(regularFiles(dir.path()), 2);
}

TEST(AcDbDatabaseTest, FailedSavesLeaveTheOldFileAsItWas) {
    ScratchDir dir;
    fs::path p = dir / "drawing.dxf";
    writeFile(p, "old content");
    AcDbDatabase db;
    {
        cadhost::testing::DbFaultScope faults;
        cadhost::testing::failCall(DbCall::kSaveAs, Acad::eFileAccessErr);
        EXPECT_ES(Acad::eFileAccessErr, db.saveAs(p.wstring().c_str(), true));
    }
    EXPECT_EQ(readFile(p), "old content");
    fs::path missing = dir / "no" / "such" / "folder.dxf";
    EXPECT_ES(Acad::eFileNotFound, db.saveAs(missing.wstring().c_str(), true));
    EXPECT_NE(narrow(db.lastErrorText()).find("folder.dxf: cannot create a file in"), std::string::npos)
        << narrow(db.lastErrorText());
    if (::geteuid() != 0) {
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_ES(Acad::eFileAccessErr, db.saveAs(p.wstring().c_str(), true));
        fs::permissions(dir.path(), fs::perms::owner_all);
        EXPECT_EQ(readFile(p), "old content");
    }
    EXPECT_EQ(regularFiles(dir.path()), 1) << "no temporary or backup file left";
}

TEST(AcDbDatabaseTest, ReadOnlyDrawingsAreNotReplaced) {
    ScratchDir dir;
    fs::path p = dir / "ro.dxf";
    writeFile(p, "old content");
    fs::permissions(p, fs::perms::owner_read | fs::perms::group_read);
    AcDbDatabase db;
    EXPECT_ES(Acad::eFileAccessErr, db.saveAs(p.wstring().c_str(), true));
    EXPECT_NE(narrow(db.lastErrorText()).find("ro.dxf: the file is read-only"), std::string::npos);
    EXPECT_EQ(readFile(p), "old content");
    EXPECT_FALSE(fs::exists(dir / "ro.bak"));
}

TEST(AcDbDatabaseTest, ATooLowSeedIsKeptUntilAHandleIsGivenOut) {
    if (!haveCorpus()) GTEST_SKIP();
    ScratchDir dir;
    std::string text = readFile(corpus("ezdxfgen_xref_attach_host.dxf"));
    std::size_t at = text.find("$HANDSEED\n  5\n38\n");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 18, "$HANDSEED\n  5\n10\n");
    fs::path p = dir / "lowseed.dxf";
    writeFile(p, text);
    auto db = read(p);
    ASSERT_TRUE(db);
    fs::path same = dir / "same.dxf";
    ASSERT_ES(Acad::eOk, db->saveAs(same.wstring().c_str(), false));
    EXPECT_EQ(firstDifference(readFile(same), text), "");
    acdbHostApplicationServices()->setWorkingDatabase(db.get());
    EXPECT_EQ(acdbRegApp(L"NEW_APP"), RTNORM);
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    ASSERT_ES(Acad::eOk, db->saveAs(p.wstring().c_str(), false));
    EXPECT_NE(readFile(p).find("\nAPPID\n  5\n38\n"), std::string::npos) << "above every handle, not the seed";
    EXPECT_EQ(auditFile(p), std::vector<std::string>{});
}

TEST(AcDbDatabaseTest, ReadingFaultsAreReported) {
    cadhost::testing::DbFaultScope faults;
    cadhost::testing::failCall(DbCall::kReadDwgFile, Acad::eFileSharingViolation);
    AcDbDatabase db(false, true);
    EXPECT_ES(Acad::eFileSharingViolation, db.readDwgFile(L"/any.dxf", AcDbDatabase::kForReadAndWriteNoShare));
}

TEST(AcDbDatabaseTest, HandlesComeFromTheSeedAndTheSeedMovesOn) {
    if (!haveCorpus()) GTEST_SKIP();
    ScratchDir dir;
    fs::path p = dir / "a.dxf";
    copyWritable(corpus("libredwg_example_2000.dxf"), p);
    auto db = read(p);
    ASSERT_TRUE(db);
    EXPECT_EQ(db->handseed().value(), 0xCECu);
    acdbHostApplicationServices()->setWorkingDatabase(db.get());
    EXPECT_EQ(acdbRegApp(L"BRAKON_TEST"), RTNORM);
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    EXPECT_EQ(db->handseed().value(), 0xCEDu);
    ASSERT_ES(Acad::eOk, db->saveAs(p.wstring().c_str(), true));
    std::string saved = readFile(p);
    EXPECT_NE(saved.find("$HANDSEED\r\n  5\r\nCED\r\n"), std::string::npos);
    EXPECT_NE(saved.find("APPID\r\n  5\r\nCEC\r\n330\r\n"), std::string::npos);
    // Only the header seed and the new record differ from the original.
    std::string original = readFile(corpus("libredwg_example_2000.dxf"));
    std::size_t at = saved.find("  0\r\nAPPID\r\n  5\r\nCEC\r\n");
    std::size_t end = saved.find("  0\r\nENDTAB", at);
    std::string withoutNew = saved.substr(0, at) + saved.substr(end);
    std::size_t seed = withoutNew.find("$HANDSEED\r\n  5\r\n") + 16;
    withoutNew.replace(seed, 3, "CEC");
    EXPECT_TRUE(withoutNew == original);
    EXPECT_EQ(auditFile(p), std::vector<std::string>{});
    EXPECT_EQ(readFile(dir / "a.bak"), original);
}

}  // namespace
