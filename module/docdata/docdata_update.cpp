// The update runs of CDocData that write into the drawing database.
#include "docdata/docdata.h"

// The update runs arrive with the drawing database; until then they write nothing.
int CDocData::updateLayoutTitleBlocks(const DocumentRecord&, const wchar_t*, CVoVurSettings&,
                                      AcDbDatabase*, int, int) {
    return 0;
}

// The update runs arrive with the drawing database; until then they write nothing.
int CDocData::updateAllTitleBlocks(AcDbDatabase*) { return 0; }

// The update runs arrive with the drawing database; until then they write nothing.
int CDocData::updateAllLayouts(AcDbDatabase*) { return 0; }

// The update runs arrive with the drawing database; until then they write nothing.
int CDocData::updateRevisionTable(const DocumentRecord&, const wchar_t*, CVoVurSettings&,
                                  AcDbDatabase*) {
    return 0;
}
