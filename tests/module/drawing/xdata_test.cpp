// CResbuf, CAppXdata, openSymbolTable and hasSymbolRecord.
#include "drawing/xdata.h"

#include <acutbuild.h>
#include <gtest/gtest.h>
#include <testing_db.h>
#include <testing_input.h>

#include <cstdlib>
#include <cstring>

#include "module/drawing/drawing_test_support.h"

using namespace updatetest;

namespace {

resbuf* linkChain(const wchar_t* handle) {
    return acutBuildList(1001, L"GENIUS_GENOREF_13", 1000, L"BORDER", 1005, handle, 0);
}

int regAppCount(AcDbDatabase* db) {
    AcDbRegAppTable* table = nullptr;
    if (db->getRegAppTable(table, AcDb::kForRead) != Acad::eOk) return -1;
    AcDbRegAppTableIterator* it = nullptr;
    table->newIterator(it);
    int n = 0;
    for (; !it->done(); it->step()) ++n;
    delete it;
    table->close();
    return n;
}

}  // namespace

TEST(CResbufTest, GetStringFindsTheFirstItemOfTheCode) {
    CResbuf data(acutBuildList(1001, L"APP", 1005, L"1F", 1005, L"2A", 0));
    CString value(L"unchanged");
    EXPECT_TRUE(data.getString(value, 1005));
    EXPECT_STREQ(value, L"1F");
    EXPECT_TRUE(data.getString(value, 1001));
    EXPECT_STREQ(value, L"APP");
    value = L"unchanged";
    EXPECT_FALSE(data.getString(value, 1000));
    EXPECT_STREQ(value, L"unchanged");
    CResbuf empty;
    EXPECT_FALSE(empty.getString(value, 1005));
    EXPECT_EQ(empty.head(), nullptr);
}

// Strings of every kind and binary chunks go with the chain (the sanitizer build checks).
TEST(CResbufTest, OwnedChainsAreReleasedWithWhatTheyHold) {
    CResbuf data(linkChain(L"1F"));
    data.attach(acutBuildList(1001, L"APP", 1004, nullptr, 1010, nullptr, 1070, 7, 0));
    data.release();
    EXPECT_EQ(data.head(), nullptr);
    ads_binary chunk{3, new char[3]{1, 2, 3}};
    CResbuf::freeChain(
        acutBuildList(1000, L"a", 1003, L"0", 1004, &chunk, 1005, L"2", 1040, 1.5, 1071, 9, 0));
    delete[] chunk.buf;
    CResbuf::freeChain(nullptr);
}

TEST(CResbufTest, BorrowedChainIsNeverReleased) {
    resbuf* chain = linkChain(L"1F");
    {
        CResbuf borrowed(chain, true);
        borrowed.release();
        EXPECT_EQ(borrowed.head(), chain);
        borrowed.attach(linkChain(L"2A"));
        CString value;
        EXPECT_TRUE(borrowed.getString(value, 1005));
        EXPECT_STREQ(value, L"2A");
        // The second chain is borrowed as well now: free it here.
        CResbuf::freeChain(borrowed.head());
    }
    // Still intact after the borrower is gone.
    EXPECT_EQ(chain->restype, 1001);
    EXPECT_STREQ(chain->rbnext->rbnext->resval.rstring, L"1F");
    CResbuf::freeChain(chain);
}

TEST(CAppXdataTest, RegistersAMissingApplicationOnce) {
    TestDrawing drawing("sheets.dxf");
    ASSERT_FALSE(hasSymbolRecord(AcDbRegAppTableRecord::desc(), L"GENIUS_GENOREF_13"));
    const int before = regAppCount(drawing.db());
    {
        CAppXdata xdata(L"GENIUS_GENOREF_13");
        EXPECT_STREQ(xdata.appName(), L"GENIUS_GENOREF_13");
    }
    EXPECT_TRUE(hasSymbolRecord(AcDbRegAppTableRecord::desc(), L"GENIUS_GENOREF_13", drawing.db()));
    EXPECT_EQ(regAppCount(drawing.db()), before + 1);
    CAppXdata again(L"genius_genoref_13");
    EXPECT_EQ(regAppCount(drawing.db()), before + 1);
}

TEST(CAppXdataTest, ReadTakesOnlyTheApplicationsData) {
    TestDrawing drawing("sheets.dxf");
    const AcDbObjectId linked = drawing.insert(L"Model", L"TB2");
    drawing.setLink(linked, L"4B");
    const AcDbObjectId plain = drawing.insert(L"Model", L"TB2");
    // Data of other applications only.
    acdbRegApp(L"OTHER_APP");
    AcDbObject* object = nullptr;
    ASSERT_EQ(acdbOpenObject(object, plain, AcDb::kForWrite), Acad::eOk);
    resbuf* other = acutBuildList(1001, L"OTHER_APP", 1005, L"4B", 0);
    object->setXData(other);
    acutRelRb(other);
    object->close();
    CAppXdata xdata(L"GENIUS_GENOREF_13");
    ASSERT_EQ(acdbOpenObject(object, linked, AcDb::kForRead), Acad::eOk);
    xdata.read(object);
    object->close();
    ASSERT_NE(xdata.data().head(), nullptr);
    CString handle;
    EXPECT_TRUE(xdata.data().getString(handle, 1005));
    EXPECT_STREQ(handle, L"4B");
    // A second read releases the first chain and finds nothing on the other object.
    ASSERT_EQ(acdbOpenObject(object, plain, AcDb::kForRead), Acad::eOk);
    xdata.read(object);
    object->close();
    EXPECT_EQ(xdata.data().head(), nullptr);
    xdata.read(nullptr);
    EXPECT_EQ(xdata.data().head(), nullptr);
}

TEST(OpenSymbolTableTest, OpensTheTableOfEachRecordClass) {
    TestDrawing drawing("sheets.dxf");
    AcRxClass* classes[] = {AcDbBlockTableRecord::desc(),     AcDbDimStyleTableRecord::desc(),
                            AcDbLayerTableRecord::desc(),     AcDbLinetypeTableRecord::desc(),
                            AcDbTextStyleTableRecord::desc(), AcDbRegAppTableRecord::desc(),
                            AcDbUCSTableRecord::desc(),       AcDbViewTableRecord::desc(),
                            AcDbViewportTableRecord::desc()};
    for (AcRxClass* recordClass : classes) {
        AcDbSymbolTable* table = openSymbolTable(recordClass, AcDb::kForRead);
        ASSERT_NE(table, nullptr) << narrow(recordClass->name());
        table->close();
    }
    EXPECT_TRUE(hasSymbolRecord(AcDbBlockTableRecord::desc(), L"tb2"));
    EXPECT_TRUE(hasSymbolRecord(AcDbLayerTableRecord::desc(), L"0", drawing.db()));
    EXPECT_FALSE(hasSymbolRecord(AcDbBlockTableRecord::desc(), L"NO_SUCH_BLOCK"));
}

TEST(OpenSymbolTableTest, UnsupportedClassOrUnopenableTableIsReported) {
    TestDrawing drawing("sheets.dxf");
    FaultSession session;
    EXPECT_EQ(openSymbolTable(AcDbBlockReference::desc(), AcDb::kForRead), nullptr);
    EXPECT_TRUE(isErrorReport(session.commandLine(), L"eInvalidInput", L"xdata"));
    session.clearCommandLine();
    failCall(DbCall::kGetSymbolTable, Acad::eWasOpenForWrite);
    EXPECT_FALSE(hasSymbolRecord(AcDbBlockTableRecord::desc(), L"TB2"));
    EXPECT_TRUE(isErrorReport(session.commandLine(), L"eWasOpenForWrite", L"xdata"));
    EXPECT_EQ(drawing.openObjects(), 0);
    // Without a working database: null, silently.
    session.clearCommandLine();
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    EXPECT_EQ(openSymbolTable(AcDbBlockTableRecord::desc(), AcDb::kForRead), nullptr);
    EXPECT_FALSE(hasSymbolRecord(AcDbBlockTableRecord::desc(), L"TB2"));
    acdbHostApplicationServices()->setWorkingDatabase(drawing.db());
    EXPECT_EQ(session.commandLine(), L"");
}
