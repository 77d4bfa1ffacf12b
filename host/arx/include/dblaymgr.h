// The layout manager: which layout of a database is the active one, and layouts by name.
#pragma once

#include "dbmain.h"

class AcDbLayoutManager {
public:
    virtual ~AcDbLayoutManager() = default;

    // The block table record of the database's active layout: *Model_Space when $TILEMODE is 1,
    // else *Paper_Space. Null id for a null database (the working database is used when none
    // is given) or when that record is missing.
    virtual AcDbObjectId getActiveLayoutBTRId(const AcDbDatabase* pDb = nullptr);
    // The layout of that name (case ignored), or the null id.
    virtual AcDbObjectId findLayoutNamed(const ACHAR* name, const AcDbDatabase* pDb = nullptr);
    virtual int countLayouts(AcDbDatabase* pDb = nullptr);
};
