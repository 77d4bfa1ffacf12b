// The per-document registry and the drawing-load hook: one CDocData per document, gone with
// its document, and the not-managed message.
#include "frame/doc_registry.h"

#include <gtest/gtest.h>

#include <string>

#include <dbapserv.h>
#include <dbmain.h>

#include "frame/brakon_app.h"
#include "testing_app.h"
#include "testing_input.h"

namespace {

using cadhost::testing::closeAllDocuments;
using cadhost::testing::closeDocument;
using cadhost::testing::openDocument;

class DocRegistryTest : public ::testing::Test {
  protected:
    void SetUp() override { closeAllDocuments(); }
    void TearDown() override { closeAllDocuments(); }

    // A new drawing, never saved: its database has an empty file name.
    static AcApDocument* openNewDrawing(const std::wstring& path) {
        return openDocument(new AcDbDatabase(true, false), path);
    }
    static std::wstring loadDrawing() {
        cadhost::testing::InputSession capture;
        EXPECT_EQ(AcRx::kRetOK, acrxEntryPoint(AcRx::kLoadDwgMsg, nullptr));
        return capture.commandLine();
    }
};

TEST_F(DocRegistryTest, EachDocumentHasItsOwnDataUntilItIsDestroyed) {
    AcApDocument* a = openNewDrawing(L"/work/a.dxf");
    AcApDocument* b = openNewDrawing(L"/work/b.dxf");
    CDocData* dataA = &DocVars.docData(a);
    CDocData* dataB = &DocVars.docData(b);
    EXPECT_NE(dataA, dataB);
    EXPECT_EQ(dataA, &DocVars.docData(a)) << "found again, not made anew";
    dataA->setPath(L"marker a");
    dataB->setPath(L"marker b");

    ASSERT_TRUE(closeDocument(a));
    EXPECT_EQ(dataB, &DocVars.docData(b));
    EXPECT_EQ(CString(L"marker b"), DocVars.docData(b).getPath()) << "b's data is untouched";
}

TEST_F(DocRegistryTest, LoadOfADocumentMakesItsDataAndKeepsItAcrossUnload) {
    AcApDocument* a = openNewDrawing(L"/work/a.dxf");
    loadDrawing();
    CDocData* data = &DocVars.docData(a);
    EXPECT_FALSE(data->isManaged());
    EXPECT_EQ(AcRx::kRetOK, acrxEntryPoint(AcRx::kUnloadDwgMsg, nullptr));
    EXPECT_EQ(data, &DocVars.docData(a)) << "unloading a drawing keeps its data";
}

TEST_F(DocRegistryTest, UnmanagedDrawingPrintsTheMessageInTheHostsLanguage) {
    openNewDrawing(L"/work/new.dxf");
    {
        cadhost::testing::UiLanguageScope english(0x409);
        EXPECT_EQ(L"\nThe file [] is not managed by PDM.", loadDrawing());
    }
    {
        cadhost::testing::UiLanguageScope german(0x407);
        EXPECT_EQ(L"\nDie Datei [] ist nicht vom PDM verwaltet.", loadDrawing());
    }
}

TEST_F(DocRegistryTest, UnmanagedDrawingFromDiskIsNamedWithItsFullPath) {
    const std::wstring path = L"" BRAKON_CORPUS_DIR L"/acadsharp_sample_AC1015_ascii.dxf";
    auto* db = new AcDbDatabase(false, true);
    const Acad::ErrorStatus es = db->readDwgFile(path.c_str());
    if (es != Acad::eOk) {
        delete db;
        GTEST_SKIP() << "the database cannot read drawings yet";
    }
    const ACHAR* stored = nullptr;
    ASSERT_EQ(Acad::eOk, db->getFilename(stored));
    const std::wstring fileName = stored;
    EXPECT_EQ(L'/', fileName.front()) << "a full path";
    EXPECT_NE(std::wstring::npos, fileName.find(L"acadsharp_sample_AC1015_ascii.dxf"));
    openDocument(db, path);
    cadhost::testing::UiLanguageScope english(0x409);
    EXPECT_EQ(L"\nThe file [" + fileName + L"] is not managed by PDM.", loadDrawing());
}

TEST_F(DocRegistryTest, HookStopsSilentlyWithoutDatabaseOrDocument) {
    // No document open: no working database.
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    EXPECT_EQ(L"", loadDrawing());
    // A working database that no document owns.
    AcDbDatabase loose(true, true);
    acdbHostApplicationServices()->setWorkingDatabase(&loose);
    EXPECT_EQ(L"", loadDrawing());
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
}

TEST_F(DocRegistryTest, RegistryOutlivingTheDocumentManagerCleansUpAlone) {
    AcApDocument* a = openNewDrawing(L"/work/a.dxf");
    auto registry = std::make_unique<AcApDataManager<CDocData>>();
    registry->docData(a).setPath(L"a");
    cadhost::testing::shutdownDocumentManager();
    ASSERT_EQ(nullptr, acDocManagerPtr());
    registry->docData(nullptr);  // data the manager never announced
    registry.reset();            // must not reach for the document manager
    cadhost::testing::restartDocumentManager();
    // The module's own registry follows the new manager, as it would a host started anew.
    acDocManagerPtr()->addReactor(&DocVars);
}

}  // namespace
