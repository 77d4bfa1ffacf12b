// Test hooks of the drawing database: make a chosen host call fail with a chosen status, and
// count the objects a database still holds open. For tests only; never on a module's path.
#pragma once

#include "acadstrc.h"
#include "dbmain.h"

namespace cadhost::testing {

// The database calls that can be made to fail.
enum class DbCall {
    kOpenObject,         // acdbOpenObject and every getter that opens an object
    kGetSymbolTable,     // AcDbDatabase::getBlockTable, getRegAppTable ...
    kNewIterator,        // newIterator of tables and block records, attributeIterator (gives null)
    kGetName,            // AcDbSymbolTableRecord::getName
    kGetLayoutName,      // AcDbLayout::getLayoutName
    kPathName,           // AcDbBlockTableRecord::pathName
    kSetPathName,        // AcDbBlockTableRecord::setPathName
    kGetBlockReferenceIds,
    kUpgradeOpen,
    kSetTextString,
    kSetVisibility,
    kReadDwgFile,
    kSaveAs,
    kClose,
};

// From now on, the call fails with status, after `skip` successful calls, `times` times
// (times < 0: always). Faults of the same call queue up in order.
void failCall(DbCall call, Acad::ErrorStatus status, int skip = 0, int times = 1);
// Opening this object (any mode) fails with status until cleared.
void failOpen(AcDbObjectId id, Acad::ErrorStatus status);
// Removes every fault.
void clearDbFaults();

// Objects of db currently open (each opening counts once).
int openObjectCount(const AcDbDatabase* db);

// Clears faults when it goes out of scope.
class DbFaultScope {
public:
    DbFaultScope() = default;
    ~DbFaultScope() { clearDbFaults(); }
    DbFaultScope(const DbFaultScope&) = delete;
    DbFaultScope& operator=(const DbFaultScope&) = delete;
};

}  // namespace cadhost::testing
