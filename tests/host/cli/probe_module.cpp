// cadhost_probe.so, a small module that cadhost's tests load in place of the real one: its
// messages and document notifications show on the command line, one command asks two
// questions, one throws, one tells the current drawing. A drawing whose name contains
// "throw-on-load" makes the drawing-load message throw; a copy of the module whose file name
// contains "throw-on-init" throws on the initialisation message.
#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "accmd.h"
#include "acdocman.h"
#include "acedads.h"
#include "acutads.h"
#include "rxdefs.h"
#include "rxregsvc.h"

namespace {

constexpr const ACHAR* kGroup = L"PROBE";

void askTwo() {
    ACHAR first[64] = L"";
    ACHAR second[64] = L"";
    if (acedGetString(1, L"First: ", first, 64) != RTNORM) {
        acutPrintf(L"probe_ask: cancelled at First\n");
        return;
    }
    if (acedGetString(1, L"Second: ", second, 64) != RTNORM) {
        acutPrintf(L"probe_ask: cancelled at Second\n");
        return;
    }
    acutPrintf(L"probe_ask: [%s] [%s]\n", first, second);
}

void throwFailure() { throw std::runtime_error("probe failure"); }

void tellDrawing() {
    AcApDocument* doc = acDocManager != nullptr ? acDocManager->curDocument() : nullptr;
    acutPrintf(L"probe_where: [%s]\n", doc != nullptr ? doc->fileName() : L"none");
}

class Reactor : public AcApDocManagerReactor {
  public:
    void documentToBeDestroyed(AcApDocument* doc) override {
        acutPrintf(L"probe: destroying [%s]\n", doc->fileName());
    }
};

Reactor g_reactor;

bool namedToThrowOnInit() {
    Dl_info info{};
    return dladdr(reinterpret_cast<void*>(&askTwo), &info) != 0 && info.dli_fname != nullptr &&
           std::string(info.dli_fname).find("throw-on-init") != std::string::npos;
}

AcRx::AppRetCode initialize() {
    if (namedToThrowOnInit()) {
        acedRegCmds->addCommand(kGroup, L"_probe_where", L"probe_where", ACRX_CMD_SESSION,
                                tellDrawing);
        throw std::runtime_error("probe init failure");
    }
    AcEdCommandStack* stack = acedRegCmds;
    stack->addCommand(kGroup, L"_probe_ask", L"probe_frage", ACRX_CMD_SESSION, askTwo);
    stack->addCommand(kGroup, L"_probe_throw", L"probe_throw", ACRX_CMD_SESSION, throwFailure);
    stack->addCommand(kGroup, L"_probe_where", L"probe_where", ACRX_CMD_SESSION, tellDrawing);
    acDocManager->addReactor(&g_reactor);
    acutPrintf(L"probe: initialised\n");
    return AcRx::kRetOK;
}

AcRx::AppRetCode unload() {
    acedRegCmds->removeGroup(kGroup);
    if (acDocManager != nullptr) acDocManager->removeReactor(&g_reactor);
    acutPrintf(L"probe: unloaded\n");
    return AcRx::kRetOK;
}

AcRx::AppRetCode drawingLoaded(AcApDocument* doc) {
    const std::wstring name = doc != nullptr ? doc->fileName() : L"";
    acutPrintf(L"probe: loaded [%s]\n", name.c_str());
    if (name.find(L"throw-on-load") != std::wstring::npos)
        throw std::runtime_error("probe load failure");
    return AcRx::kRetOK;
}

}  // namespace

ACRX_EXPORT AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt) {
    switch (msg) {
        case AcRx::kInitAppMsg:
            return initialize();
        case AcRx::kUnloadAppMsg:
            return unload();
        case AcRx::kLoadDwgMsg:
            return drawingLoaded(static_cast<AcApDocument*>(pkt));
        case AcRx::kUnloadDwgMsg:
            acutPrintf(L"probe: unloading [%s]\n", static_cast<AcApDocument*>(pkt)->fileName());
            return AcRx::kRetOK;
        default:
            return AcRx::kRetOK;
    }
}

ACRX_EXPORT void* acrxGetApiVersion() { return reinterpret_cast<void*>(ACRX_API_VERSION); }
