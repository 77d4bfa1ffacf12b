// The root class descriptor of the host's runtime class system.
#include "rxobject.h"

AcRxClass* AcRxObject::desc() {
    static AcRxClass s_class(L"AcRxObject", nullptr);
    return &s_class;
}

AcRxClass* AcRxObject::isA() const { return AcRxObject::desc(); }
