// The module's per-document data: one CDocData per open document, dropped when the host
// destroys the document, and the hook that every drawing load runs.
#pragma once

#include <AcApDMgr.h>

#include "docdata/docdata.h"

// The registry, made with the module's static data; it follows the host's documents as a
// document-manager reactor.
extern AcApDataManager<CDocData> DocVars;

// For the drawing just loaded (the working database): reads its companion file into the
// document's CDocData; a drawing that is not managed is reported on the command line. Ends
// silently when there is no working database, no file name or no document.
void onDocumentLoaded();
