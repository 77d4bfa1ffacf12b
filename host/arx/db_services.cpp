// The host application services object and the layout manager it hands out.
#include "dbapserv.h"
#include "dblaymgr.h"

AcDbHostApplicationServices* acdbHostApplicationServices() {
    static AcDbHostApplicationServices s_services;
    return &s_services;
}

AcDbLayoutManager* AcDbHostApplicationServices::layoutManager() const {
    static AcDbLayoutManager s_manager;
    return &s_manager;
}
