// The drawing-load hook: the document's CDocData made on load and kept across unload, and the
// not-managed message. The per-document bookkeeping itself is the host's data manager's, tested
// with the document manager.
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
    for (const auto& [language, message] :
         {std::pair(0x409, L"\nThe file [] is not managed by PDM."),
          std::pair(0x407, L"\nDie Datei [] ist nicht vom PDM verwaltet.")}) {
        cadhost::testing::UiLanguageScope scope(language);
        EXPECT_EQ(message, loadDrawing());
    }
}

TEST_F(DocRegistryTest, UnmanagedDrawingFromDiskIsNamedWithItsFullPath) {
    const std::wstring path = L"" BRAKON_CORPUS_DIR L"/acadsharp_sample_AC1015_ascii.dxf";
    auto* db = new AcDbDatabase(false, true);
    ASSERT_EQ(Acad::eOk, db->readDwgFile(path.c_str()));
    const ACHAR* fileName = nullptr;
    ASSERT_EQ(Acad::eOk, db->getFilename(fileName));
    ASSERT_EQ(L'/', fileName[0]) << "a full path";
    const std::wstring expected =
        std::wstring(L"\nThe file [") + fileName + L"] is not managed by PDM.";
    openDocument(db, path);
    cadhost::testing::UiLanguageScope english(0x409);
    EXPECT_EQ(expected, loadDrawing());
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

}  // namespace
