// Tests of extended data: reading each value type from a real drawing, writing groups, the
// registered-application rule, and the result-buffer list helpers.
#include "acutbuild.h"
#include "db_test_util.h"

using namespace dbtest;
namespace fs = std::filesystem;

namespace {

// A chain as text: "1001:APP 1070:524 ..." (points as x,y,z).
std::wstring describe(const resbuf* rb) {
    std::wstring out;
    for (; rb; rb = rb->rbnext) {
        if (!out.empty()) out += L" ";
        out += std::to_wstring(rb->restype) + L":";
        int t = rb->restype;
        if (t == 1004) out += std::to_wstring(rb->resval.rbinary.clen) + L"b";
        else if (t >= 1010 && t <= 1013)
            for (int k = 0; k < 3; ++k) {
                wchar_t buf[40];
                std::swprintf(buf, 40, L"%s%g", k ? L"," : L"", rb->resval.rpoint[k]);
                out += buf;
            }
        else if (t >= 1040 && t <= 1042) out += std::to_wstring(rb->resval.rreal);
        else if (t == 1070) out += std::to_wstring(rb->resval.rint);
        else if (t == 1071) out += std::to_wstring(rb->resval.rlong);
        else out += rb->resval.rstring ? rb->resval.rstring : L"(null)";
    }
    return out;
}

// The extended data of app on the model-space text whose string is text.
std::wstring xdataOfText(AcDbDatabase* db, const wchar_t* text, const wchar_t* app) {
    std::wstring found = L"no such text";
    forEachEntity(blockId(db, L"*Model_Space"), [&](AcDbEntity* ent) {
        auto* t = AcDbText::cast(ent);
        if (!t || std::wstring(t->textStringConst()) != text) return;
        resbuf* rb = t->xData(app);
        found = describe(rb);
        acutRelRb(rb);
    });
    return found;
}

TEST(XDataTest, ReadsEveryValueTypeOfARealDrawing) {
    if (!haveCorpus()) GTEST_SKIP();
    auto db = read(corpus("acadsharp_sample_AC1032_ascii.dxf"));
    ASSERT_TRUE(db);
    struct Case { const wchar_t* text; const wchar_t* app; const wchar_t* chain; } cases[] = {
        {L"XData Int", L"INT_APP", L"1001:INT_APP 1002:{ 1070:524 1002:}"},
        {L"XData Long", L"app_long", L"1001:APP_LONG 1002:{ 1071:6654 1002:}"},
        {L"XData Layer", L"LAYER_APP", L"1001:LAYER_APP 1002:{ 1003:app_layer 1002:}"},
        {L"XData Str", L"STR_APP", L"1001:STR_APP 1002:{ 1000:hello this is my string 1002:}"},
        {L"XData Scale", L"SCALE_APP", L"1001:SCALE_APP 1002:{ 1042:548.540000 1002:}"},
        {L"XData All", L"MY_APP", L"1001:MY_APP 1002:{ 1000:hello this is a xdata record 1010:132.369,13.4163,0 1002:}"},
        {L"XData Int", L"STR_APP", L""},
        {L"XDATA sample", L"INT_APP", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(xdataOfText(db.get(), c.text, c.app), c.chain) << c.text;
    EXPECT_EQ(cadhost::testing::openObjectCount(db.get()), 0);
}

TEST(XDataTest, WrittenGroupsReadBackAfterSaving) {
    ScratchDir dir;
    AcDbDatabase db;
    acdbHostApplicationServices()->setWorkingDatabase(&db);
    EXPECT_EQ(acdbRegApp(L"GENIUS_GENOREF_13"), RTNORM);
    EXPECT_EQ(acdbRegApp(L"OTHER"), RTNORM);
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    AcDbObjectId tb = addBlock(&db, L"TB", {});
    AcDbObjectId ref = insert(blockId(&db, L"*Model_Space"), tb, {});
    AcDbBlockReference* br = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(br, ref, AcDb::kForWrite));
    ads_point p = {1.5, 2, 3};
    char bytes[] = {0x01, static_cast<char>(0xAB)};
    ads_binary bin{2, bytes};
    resbuf* chain = acutBuildList(1001, L"GENIUS_GENOREF_13", 1000, L"Gr\u00f6\u00dfe", 1005, L"2AF", 1010, p, 1040, 0.25,
                                  1070, 7, 1071, 70000, 1004, &bin, 1001, L"OTHER", 1000, L"x", 0);
    ASSERT_NE(chain, nullptr);
    EXPECT_ES(Acad::eOk, br->setXData(chain));
    acutRelRb(chain);
    resbuf* unknownApp = acutBuildList(1001, L"NOT_REGISTERED", 1000, L"x", 0);
    EXPECT_ES(Acad::eRegappIdNotFound, br->setXData(unknownApp));
    acutRelRb(unknownApp);
    resbuf* drop = acutBuildList(1001, L"OTHER", 0);
    EXPECT_ES(Acad::eOk, br->setXData(drop));
    acutRelRb(drop);
    br->close();
    fs::path p1 = dir / "x.dxf";
    ASSERT_ES(Acad::eOk, db.saveAs(p1.wstring().c_str(), false));
    auto again = read(p1);
    ASSERT_TRUE(again);
    AcDbObjectId ref2;
    ASSERT_ES(Acad::eOk, again->getAcDbObjectId(ref2, false, ref.handle()));
    AcDbObject* obj = nullptr;
    ASSERT_ES(Acad::eOk, acdbOpenObject(obj, ref2, AcDb::kForRead));
    resbuf* rb = obj->xData(L"GENIUS_GENOREF_13");
    EXPECT_EQ(describe(rb), L"1001:GENIUS_GENOREF_13 1000:Gr\u00f6\u00dfe 1005:2AF 1010:1.5,2,3 1040:0.250000 1070:7 "
                            L"1071:70000 1004:2b");
    acutRelRb(rb);
    EXPECT_EQ(obj->xData(L"OTHER"), nullptr);
    rb = obj->xData(nullptr);
    EXPECT_EQ(describe(rb).substr(0, 23), L"1001:GENIUS_GENOREF_13 ");
    acutRelRb(rb);
    obj->close();
    EXPECT_NE(readFile(p1).find("1000\r\nGr\xC3\xB6\xC3\x9F" "e\r\n1005\r\n2AF\r\n"), std::string::npos);
}

TEST(ResultBufferTest, BuildListCopiesValuesAndRefusesUnknownTypes) {
    ads_point p = {1, 2, 3};
    resbuf* rb = acutBuildList(RTSTR, L"text", RTSHORT, 5, RTREAL, 2.5, RTPOINT, p, RTLONG, 100000, 1001, L"APP", RTNONE);
    ASSERT_NE(rb, nullptr);
    EXPECT_EQ(describe(rb->rbnext->rbnext->rbnext->rbnext->rbnext), L"1001:APP");
    EXPECT_STREQ(rb->resval.rstring, L"text");
    EXPECT_EQ(rb->rbnext->resval.rint, 5);
    EXPECT_EQ(rb->rbnext->rbnext->resval.rreal, 2.5);
    EXPECT_EQ(rb->rbnext->rbnext->rbnext->resval.rpoint[2], 3);
    EXPECT_EQ(rb->rbnext->rbnext->rbnext->rbnext->resval.rlong, 100000);
    // A string the caller frees itself is cleared first, as the module's release does.
    std::free(rb->resval.rstring);
    rb->resval.rstring = nullptr;
    EXPECT_EQ(acutRelRb(rb), RTNORM);
    EXPECT_EQ(acutBuildList(12345, 1, 0), nullptr);
    EXPECT_EQ(acutRelRb(nullptr), RTNORM);
    ACHAR* s = nullptr;
    EXPECT_ES(Acad::eOk, acutNewString(L"abc", s));
    EXPECT_STREQ(s, L"abc");
    acutDelString(s);
    EXPECT_EQ(s, nullptr);
    // Released nodes come back for new lists: every new node starts empty, whatever it held.
    for (int round = 0; round < 3; ++round) {
        resbuf* used = acutBuildList(RTSTR, L"left over", RTPOINT, p, RTNONE);
        EXPECT_EQ(acutRelRb(used), RTNORM);
        resbuf* fresh = acutNewRb(RTSHORT);
        ASSERT_NE(fresh, nullptr);
        EXPECT_EQ(fresh->rbnext, nullptr);
        EXPECT_EQ(fresh->resval.rpoint[0], 0.0);
        EXPECT_EQ(fresh->resval.rpoint[2], 0.0);
        EXPECT_EQ(acutRelRb(fresh), RTNORM);
    }
    // The string memory of released nodes is reused: shorter, then longer texts come out whole.
    const std::wstring longer(300, L'\u00e4');
    for (const std::wstring& text : {std::wstring(L"GENIUS_GENOREF_13"), std::wstring(L"x"), longer, std::wstring()}) {
        resbuf* list = acutBuildList(1001, text.c_str(), 1000, L"second", 0);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(std::wstring(list->resval.rstring), text);
        EXPECT_STREQ(list->rbnext->resval.rstring, L"second");
        EXPECT_EQ(acutRelRb(list), RTNORM);
    }
}

}  // namespace
