// Message and return codes of the host's application interface, the reasons a module is
// loaded, and the interface version a module reports.
#pragma once

#include <cstdint>

struct AcRx {
    // Messages the host sends to a module's acrxEntryPoint. The numbers are the host's.
    enum AppMsgCode {
        kNullMsg = 0,
        kInitAppMsg = 1,
        kUnloadAppMsg = 2,
        kLoadDwgMsg = 3,
        kUnloadDwgMsg = 4,
        kInvkSubrMsg = 5,
        kCfgMsg = 6,
        kEndMsg = 7,
        kQuitMsg = 8,
        kSaveMsg = 9,
        kDependencyMsg = 10,
        kNoDependencyMsg = 11,
        kOleUnloadAppMsg = 12,
        kPreQuitMsg = 13,
        kInitDialogMsg = 14,
        kEndDialogMsg = 15,
        kSuspendMsg = 16,
        kInitTabGroupMsg = 17,
        kEndTabGroupMsg = 18,
    };

    enum AppRetCode {
        kRetOK = 0,
        kRetError = 3,
    };
};

struct AcadApp {
    // Why the host loads a module; acrxRegisterApp takes a combination of these bits.
    enum LoadReasons {
        kOnProxyDetection = 0x01,
        kOnAutoCADStartup = 0x02,
        kOnCommandInvocation = 0x04,
        kOnLoadRequest = 0x08,
        kLoadDisabled = 0x10,
        kTransparentlyLoadable = 0x20,
        kOnIdleLoad = 0x40,
    };
};

// The interface generation this host implements ("24": the 2021 to 2024 releases).
// acrxGetApiVersion answers it as (generation << 16) | minor, carried in a pointer.
#define ACRX_API_GENERATION 24
#define ACRX_API_MINOR 0
#define ACRX_API_VERSION ((static_cast<std::uintptr_t>(ACRX_API_GENERATION) << 16) | ACRX_API_MINOR)

// Entry points a module exports. The host looks them up by these names.
#define ACRX_ENTRY_POINT_NAME "acrxEntryPoint"
#define ACRX_API_VERSION_NAME "acrxGetApiVersion"

#if defined(__GNUC__)
#define ACRX_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define ACRX_EXPORT extern "C"
#endif

typedef AcRx::AppRetCode (*AcRxEntryPointFunc)(AcRx::AppMsgCode msg, void* pkt);
typedef void* (*AcRxGetApiVersionFunc)();
