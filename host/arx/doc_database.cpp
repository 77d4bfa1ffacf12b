// Where documents meet the drawing database: a document deletes its database and moves the
// host's working database.
#include "arx/doc_manager.h"
#include "dbapserv.h"
#include "dbmain.h"

namespace cadhost {

void deleteDocumentDatabase(AcDbDatabase* db) { delete db; }

AcDbDatabase* hostWorkingDatabase() { return acdbHostApplicationServices()->workingDatabase(); }

void setHostWorkingDatabase(AcDbDatabase* db) {
    acdbHostApplicationServices()->setWorkingDatabase(db);
}

}  // namespace cadhost
