// Interoperability: drawings built in code and drawings edited here are read back by an
// independent reader (ezdxf, Debian's python3) with a clean audit and exactly the expected
// layouts, attributes, xref paths and extended data.
#include "acutbuild.h"
#include "db_test_util.h"

using namespace dbtest;
namespace fs = std::filesystem;

namespace {

TEST(EzdxfInteropTest, ADrawingBuiltInCodeLoadsWithACleanAudit) {
    if (!haveEzdxf()) GTEST_SKIP() << "no ezdxf";
    ScratchDir dir;
    AcDbDatabase db;
    acdbHostApplicationServices()->setWorkingDatabase(&db);
    ASSERT_EQ(acdbRegApp(L"GENIUS_GENOREF_13"), RTNORM);
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    AcDbObjectId tb = addBlock(&db, L"TB_A3", {L"TITLE", L"DATE"});
    AcDbObjectId model = blockId(&db, L"*Model_Space");
    AcDbObjectId r1 = insert(model, tb, {{L"TITLE", L"Welle \u00d850"}, {L"DATE", L"2026-12-06"}});
    insert(blockId(&db, L"*Paper_Space"), tb, {{L"TITLE", L"Sheet"}});
    AcDbBlockTable* bt = nullptr;
    ASSERT_ES(Acad::eOk, db.getBlockTable(bt, AcDb::kForWrite));
    auto* xref = new AcDbBlockTableRecord();
    xref->setName(L"PART_B");
    xref->setPathName(L"..\\Parts\\B.dxf");
    ASSERT_ES(Acad::eOk, bt->add(xref));
    AcDbObjectId xrefId = xref->objectId();
    xref->close();
    bt->close();
    insert(model, xrefId, {});
    AcDbBlockReference* br = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(br, r1, AcDb::kForWrite));
    resbuf* rb = acutBuildList(1001, L"GENIUS_GENOREF_13", 1000, L"border", 1005, L"1F", 1070, 3, 0);
    ASSERT_ES(Acad::eOk, br->setXData(rb));
    acutRelRb(rb);
    br->setVisibility(AcDb::kInvisible);
    br->close();
    fs::path p = dir / "built.dxf";
    ASSERT_ES(Acad::eOk, db.saveAs(p.wstring().c_str(), false));
    EXPECT_EQ(auditFile(p), std::vector<std::string>{});
    EXPECT_EQ(cadhost::testing::openObjectCount(&db), 0);
    const std::string dump = "\n" + ezdxfDump(p);
    for (const char* line : {"audit errors=0 fixes=0", "layout Model block=*Model_Space",
                             "layout Layout1 block=*Paper_Space",
                             "insert Model/TB_A3 [TITLE=Welle \xC3\x98" "50;DATE=2026-12-06] invisible",
                             "insert Layout1/TB_A3 [TITLE=Sheet]", "insert Model/PART_B []",
                             "xdata TB_A3 GENIUS_GENOREF_13 1000:border 1005:1F 1070:3",
                             "xref PART_B ..\\Parts\\B.dxf flags=4", "appids ACAD GENIUS_GENOREF_13"})
    {
        // Built by appending: GCC 12 at -O3 warns falsely about "a" + std::string(b) + "c".
        std::string wanted = "\n";
        wanted.append(line).append("\n");
        EXPECT_NE(dump.find(wanted), std::string::npos) << line << dump;
    }
}

// Every drawing of the corpus, its attributes edited, has no new structural problems and holds
// the edits for ezdxf (multi-line ones in their embedded text).
TEST(EzdxfInteropTest, EveryCorpusDrawingWithEditedAttributesStaysSound) {
    if (!haveEzdxf() || !haveCorpus()) GTEST_SKIP();
    ScratchDir dir;
    std::string args;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(BRAKON_CORPUS_DIR)) {
        if (entry.path().extension() != ".dxf") continue;
        auto db = read(entry.path());
        ASSERT_TRUE(db);
        for (AcDbObjectId id : allAttributes(db.get())) {
            AcDbAttribute* a = nullptr;
            ASSERT_ES(Acad::eOk, acdbOpenObject(a, id, AcDb::kForWrite));
            a->setTextString(L"PDM \u00e4\u00f6\u00fc \u00b0");
            a->close();
        }
        fs::path out = dir / entry.path().filename().string();
        ASSERT_ES(Acad::eOk, db->saveAs(out.wstring().c_str(), false)) << entry.path();
        EXPECT_EQ(cadhost::testing::openObjectCount(db.get()), 0);
        EXPECT_EQ(auditFile(out), auditFile(entry.path())) << "no new structural problems: " << entry.path();
        args += " '" + entry.path().string() + "' '" + out.string() + "'";
        ++files;
    }
    std::istringstream lines(commandOutput("/usr/bin/python3 '" + std::string(BRAKON_SOURCE_DIR) +
                                           "/tests/host/arx/ezdxf_compare.py' 'PDM \xC3\xA4\xC3\xB6\xC3\xBC \xC2\xB0'" +
                                           args + " 2>&1"));
    int ok = 0, skipped = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("ok ", 0) == 0) ++ok;
        else if (line.rfind("skip ", 0) == 0) ++skipped;
        else ADD_FAILURE() << line;
    }
    EXPECT_EQ(ok + skipped, files);
    EXPECT_LE(skipped, 1) << "only the file ezdxf itself refuses";
}

}  // namespace
