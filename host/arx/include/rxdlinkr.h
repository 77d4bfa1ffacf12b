// The host's dynamic linker: what the host knows about each loaded module. A module identifies
// itself by the application id that came as the packet of its initialisation message.
#pragma once

#include <set>

#include "rxobject.h"

class AcRxDynamicLinker : public AcRxObject {
  public:
    ACRX_DECLARE_MEMBERS(AcRxDynamicLinker);

    // A module is locked (the host will not unload it at run time) until it unlocks itself.
    // Each answers true when appId is not null.
    bool unlockApplication(void* appId) const;
    bool lockApplication(void* appId) const;
    bool isAppLocked(void* appId) const;

    // A module that works with several open documents says so once at initialisation.
    bool registerAppMDIAware(void* appId) const;
    bool registerAppNotMDIAware(void* appId) const;
    bool isAppMDIAware(void* appId) const;

  private:
    // The linker is the host's; its records change through the const interface the host gives.
    mutable std::set<void*> m_unlocked;
    mutable std::set<void*> m_mdiAware;
};

#define ACRX_DYNAMIC_LINKER L"DynamicLinker"
#define acrxDynamicLinker AcRxDynamicLinker::cast(acrxSysRegistry()->at(ACRX_DYNAMIC_LINKER))
