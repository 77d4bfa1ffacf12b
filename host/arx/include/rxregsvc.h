// Registration services of the host: the system registry, application registration and the
// class hierarchy.
#pragma once

#include "AdAChar.h"
#include "acadstrc.h"
#include "rxdefs.h"
#include "rxdict.h"
#include "rxdlinkr.h"

// The host's system registry; never null. Holds the dynamic linker under ACRX_DYNAMIC_LINKER
// and the command stack under ACRX_COMMAND_DOCK.
AcRxDictionary* acrxSysRegistry();

// Records that the application appName is to be loaded for the given reasons (a combination of
// AcadApp::LoadReasons). A second registration of the same name (case ignored) replaces the
// first. eInvalidInput for a null or empty name.
Acad::ErrorStatus acrxRegisterApp(AcadApp::LoadReasons reasons, const ACHAR* appName,
                                  bool dwgU = false);
// Forgets a registration; eKeyNotFound when there was none.
Acad::ErrorStatus acrxUnregisterApp(const ACHAR* appName, bool dwgU = false);

// Rebuilds the runtime class tree after classes were added; the host's classes are static,
// so there is nothing to rebuild, but modules call it as the host expects.
void acrxBuildClassHierarchy();
// Withdraws a module's runtime class when the module unloads. The host's class descriptors
// live as long as the code that defines them, so this only forgets the class.
void deleteAcRxClass(AcRxClass* pClassObj);

bool acrxUnlockApplication(void* appId);
bool acrxRegisterAppMDIAware(void* appId);
bool acrxRegisterAppNotMDIAware(void* appId);
