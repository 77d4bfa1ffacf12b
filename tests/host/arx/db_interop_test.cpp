// Interoperability: drawings built in code and drawings edited here are read back by an
// independent reader (ezdxf, Debian's python3) with a clean audit and exactly the expected
// layouts, attributes, xref paths and extended data.
#include <sys/wait.h>

#include <cstdio>

#include "acutbuild.h"
#include "db_test_util.h"
#include "dblayout.h"

using namespace dbtest;
namespace fs = std::filesystem;

namespace {

const char kPython[] = "/usr/bin/python3";

bool haveEzdxf() {
    static int have = -1;
    if (have < 0) have = std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") == 0;
    return have == 1;
}

// Runs the ezdxf dump on a file and returns its output lines.
std::vector<std::string> ezdxfDump(const fs::path& file) {
    std::string script = std::string(BRAKON_SOURCE_DIR) + "/tests/host/arx/ezdxf_dump.py";
    std::string cmd = std::string(kPython) + " '" + script + "' '" + file.string() + "' 2>&1";
    std::vector<std::string> lines;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return lines;
    char buf[4096];
    std::string line;
    while (std::fgets(buf, sizeof buf, p)) {
        line += buf;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            lines.push_back(line);
            line.clear();
        }
    }
    ::pclose(p);
    return lines;
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

TEST(EzdxfInteropTest, ADrawingBuiltInCodeLoadsWithACleanAudit) {
    if (!haveEzdxf()) GTEST_SKIP() << "no ezdxf";
    ScratchDir dir;
    AcDbDatabase db;
    acdbHostApplicationServices()->setWorkingDatabase(&db);
    ASSERT_EQ(acdbRegApp(L"GENIUS_GENOREF_13"), RTNORM);
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    AcDbObjectId tb = addBlock(&db, L"TB_A3", {L"TITLE", L"DATE"});
    AcDbObjectId model = blockId(&db, L"*Model_Space");
    AcDbObjectId paper = blockId(&db, L"*Paper_Space");
    AcDbObjectId r1 = insert(model, tb, {{L"TITLE", L"Welle \u00d850"}, {L"DATE", L"2026-12-06"}});
    insert(paper, tb, {{L"TITLE", L"Sheet"}});
    // An external reference.
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
    auto lines = ezdxfDump(p);
    std::string all = joined(lines);
    EXPECT_TRUE(contains(lines, "audit errors=0 fixes=0")) << all;
    EXPECT_TRUE(contains(lines, "layout Model block=*Model_Space")) << all;
    EXPECT_TRUE(contains(lines, "layout Layout1 block=*Paper_Space")) << all;
    EXPECT_TRUE(contains(lines, "insert Model/TB_A3 [TITLE=Welle \xC3\x98" "50;DATE=2026-12-06] invisible")) << all;
    EXPECT_TRUE(contains(lines, "insert Layout1/TB_A3 [TITLE=Sheet]")) << all;
    EXPECT_TRUE(contains(lines, "insert Model/PART_B []")) << all;
    EXPECT_TRUE(contains(lines, "xdata TB_A3 GENIUS_GENOREF_13 1000:border 1005:1F 1070:3")) << all;
    EXPECT_TRUE(contains(lines, "xref PART_B ..\\Parts\\B.dxf flags=4")) << all;
    EXPECT_TRUE(contains(lines, "appids ACAD GENIUS_GENOREF_13")) << all;
}

TEST(EzdxfInteropTest, EditedRealDrawingsLoadWithTheEdits) {
    if (!haveEzdxf() || !haveCorpus()) GTEST_SKIP();
    ScratchDir dir;
    fs::path p = dir / "edited.dxf";
    copyWritable(corpus("libredwg_example_2007.dxf"), p);
    auto db = read(p);
    ASSERT_TRUE(db);
    // Every attribute of every reference gets a new value.
    int changed = 0;
    AcDbBlockTable* bt = nullptr;
    ASSERT_ES(Acad::eOk, db->getBlockTable(bt, AcDb::kForRead));
    AcDbBlockTableIterator* it = nullptr;
    bt->newIterator(it);
    for (; !it->done(); it->step()) {
        AcDbBlockTableRecord* rec = nullptr;
        it->getRecord(rec);
        AcDbObjectIdArray refs;
        rec->getBlockReferenceIds(refs);
        rec->close();
        for (AcDbObjectId r : refs) {
            AcDbBlockReference* br = nullptr;
            acdbOpenObject(br, r, AcDb::kForRead);
            AcDbObjectIterator* ait = br->attributeIterator();
            for (ait->start(); !ait->done(); ait->step()) {
                AcDbAttribute* a = nullptr;
                ASSERT_ES(Acad::eOk, acdbOpenObject(a, ait->objectId(), AcDb::kForWrite));
                a->setTextString((L"PDM-" + std::to_wstring(++changed)).c_str());
                a->close();
            }
            delete ait;
            br->close();
        }
    }
    delete it;
    bt->close();
    ASSERT_EQ(changed, 2);
    acdbHostApplicationServices()->setWorkingDatabase(db.get());
    ASSERT_EQ(acdbRegApp(L"BRAKON"), RTNORM);
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    ASSERT_ES(Acad::eOk, db->saveAs(p.wstring().c_str(), true));
    EXPECT_TRUE(fs::exists(dir / "edited.bak"));
    EXPECT_EQ(auditFile(p), std::vector<std::string>{});
    auto lines = ezdxfDump(p);
    std::string all = joined(lines);
    EXPECT_TRUE(contains(lines, "audit errors=0 fixes=0")) << all;
    EXPECT_NE(all.find("=PDM-1]"), std::string::npos) << all;
    EXPECT_NE(all.find("=PDM-2]"), std::string::npos) << all;
    EXPECT_TRUE(all.find(" BRAKON ") != std::string::npos || all.find(" BRAKON\n") != std::string::npos) << all;
}

}  // namespace

namespace {

// Sets every attribute of every reference to text; returns how many were set.
int setAllAttributes(AcDbDatabase* db, const wchar_t* text) {
    int changed = 0;
    AcDbBlockTable* bt = nullptr;
    if (db->getBlockTable(bt, AcDb::kForRead) != Acad::eOk) return 0;
    AcDbBlockTableIterator* it = nullptr;
    bt->newIterator(it);
    for (; !it->done(); it->step()) {
        AcDbBlockTableRecord* rec = nullptr;
        if (it->getRecord(rec) != Acad::eOk) continue;
        AcDbBlockTableRecordIterator* eit = nullptr;
        rec->newIterator(eit);
        for (; !eit->done(); eit->step()) {
            AcDbEntity* ent = nullptr;
            if (eit->getEntity(ent) != Acad::eOk) continue;
            if (auto* br = AcDbBlockReference::cast(ent)) {
                AcDbObjectIterator* ait = br->attributeIterator();
                for (ait->start(); !ait->done(); ait->step()) {
                    AcDbAttribute* a = nullptr;
                    if (acdbOpenObject(a, ait->objectId(), AcDb::kForWrite) != Acad::eOk) continue;
                    changed += a->setTextString(text) == Acad::eOk;
                    a->close();
                }
                delete ait;
            }
            ent->close();
        }
        delete eit;
        rec->close();
    }
    delete it;
    bt->close();
    return changed;
}

TEST(EzdxfInteropTest, EveryCorpusDrawingWithEditedAttributesStaysSound) {
    if (!haveEzdxf() || !haveCorpus()) GTEST_SKIP();
    ScratchDir dir;
    const wchar_t* text = L"PDM \u00e4\u00f6\u00fc \u00b0";
    std::string args;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(BRAKON_CORPUS_DIR)) {
        if (entry.path().extension() != ".dxf") continue;
        auto db = read(entry.path());
        ASSERT_TRUE(db);
        setAllAttributes(db.get(), text);
        fs::path out = dir / entry.path().filename().string();
        ASSERT_ES(Acad::eOk, db->saveAs(out.wstring().c_str(), false)) << entry.path();
        EXPECT_EQ(cadhost::testing::openObjectCount(db.get()), 0);
        EXPECT_EQ(auditFile(out), auditFile(entry.path())) << "no new structural problems: " << entry.path();
        args += " '" + entry.path().string() + "' '" + out.string() + "'";
        ++files;
    }
    std::string script = std::string(BRAKON_SOURCE_DIR) + "/tests/host/arx/ezdxf_compare.py";
    std::string cmd = std::string(kPython) + " '" + script + "' 'PDM \xC3\xA4\xC3\xB6\xC3\xBC \xC2\xB0'" + args + " 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buf[4096];
    int ok = 0, skipped = 0;
    while (std::fgets(buf, sizeof buf, p)) {
        std::string line(buf);
        if (line.rfind("ok ", 0) == 0) ++ok;
        else if (line.rfind("skip ", 0) == 0) ++skipped;
        else ADD_FAILURE() << line;
    }
    ::pclose(p);
    EXPECT_EQ(ok + skipped, files);
    EXPECT_LE(skipped, 1) << "only the file ezdxf itself refuses";
}

}  // namespace
