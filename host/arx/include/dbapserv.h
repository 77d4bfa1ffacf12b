// The host application services as the drawing database sees them: the working database and the
// layout manager.
#pragma once

#include "dbmain.h"

class AcDbLayoutManager;

class AcDbHostApplicationServices {
public:
    virtual ~AcDbHostApplicationServices() = default;
    // The database that database calls without an explicit database work on (null when none).
    AcDbDatabase* workingDatabase() const { return m_working; }
    // Not owned; the caller keeps the database alive while it is the working one.
    void setWorkingDatabase(AcDbDatabase* pDatabase) { m_working = pDatabase; }
    AcDbLayoutManager* layoutManager() const;

private:
    AcDbDatabase* m_working = nullptr;
};

// The process-wide services object (never null).
AcDbHostApplicationServices* acdbHostApplicationServices();
