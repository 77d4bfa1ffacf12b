// The dynamic linker's records of which modules may be unloaded and which are MDI aware.
#include "rxdlinkr.h"
#include "rxregsvc.h"

bool AcRxDynamicLinker::unlockApplication(void* appId) const {
    if (appId == nullptr) return false;
    m_unlocked.insert(appId);
    return true;
}

bool AcRxDynamicLinker::lockApplication(void* appId) const {
    if (appId == nullptr) return false;
    m_unlocked.erase(appId);
    return true;
}

bool AcRxDynamicLinker::isAppLocked(void* appId) const { return m_unlocked.count(appId) == 0; }

bool AcRxDynamicLinker::registerAppMDIAware(void* appId) const {
    if (appId == nullptr) return false;
    m_mdiAware.insert(appId);
    return true;
}

bool AcRxDynamicLinker::registerAppNotMDIAware(void* appId) const {
    if (appId == nullptr) return false;
    m_mdiAware.erase(appId);
    return true;
}

bool AcRxDynamicLinker::isAppMDIAware(void* appId) const { return m_mdiAware.count(appId) != 0; }

bool acrxUnlockApplication(void* appId) { return acrxDynamicLinker->unlockApplication(appId); }
bool acrxRegisterAppMDIAware(void* appId) { return acrxDynamicLinker->registerAppMDIAware(appId); }
bool acrxRegisterAppNotMDIAware(void* appId) {
    return acrxDynamicLinker->registerAppNotMDIAware(appId);
}
