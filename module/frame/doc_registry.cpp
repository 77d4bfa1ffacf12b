// The drawing-load hook over the per-document registry.
#include "frame/doc_registry.h"

#include <acdocman.h>
#include <afx.h>
#include <acutads.h>
#include <dbapserv.h>

#include "frame/messages.h"
#include "frame/resource.h"

AcApDataManager<CDocData> DocVars;

void onDocumentLoaded() {
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    if (db == nullptr) return;
    const ACHAR* fileName = nullptr;
    if (db->getFilename(fileName) != Acad::eOk || fileName == nullptr) return;
    AcApDocManager* manager = acDocManagerPtr();
    AcApDocument* doc = manager != nullptr ? manager->document(db) : nullptr;
    if (doc == nullptr) return;

    CDocData& data = DocVars.docData(doc);
    data.load(db, fileName, 1, 1);
    if (data.isManaged()) {
        // The cursor comes back on every way out, also when the update raises.
        CWaitCursor wait;
        data.updateAllTitleBlocks(db);
        return;
    }
    acutPrintf(L"\n");
    acutPrintf(loadMessage(IDS_FILE_NOT_MANAGED), fileName);
}
