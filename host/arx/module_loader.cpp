// dlopen-based module loading and the guarded message channel into a module.
#include "arx/module_loader.h"

#include <dlfcn.h>

#include <cstdint>

#include "arx/module_guard.h"

namespace cadhost {
namespace {

std::string lastDlError() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown reason";
}

const char* messageName(AcRx::AppMsgCode msg) {
    switch (msg) {
        case AcRx::kInitAppMsg:
            return "initialisation message";
        case AcRx::kUnloadAppMsg:
            return "unload message";
        case AcRx::kLoadDwgMsg:
            return "drawing-load message";
        case AcRx::kUnloadDwgMsg:
            return "drawing-unload message";
        default:
            return "message";
    }
}

}  // namespace

std::unique_ptr<LoadedModule> LoadedModule::load(const std::string& path, std::string& error) {
    dlerror();
    void* handle = nullptr;
    // The module's static constructors run inside dlopen; an exception out of them is the
    // module's failure, not the host's.
    if (!guardedCall(path + ": loading",
                     [&] { handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); })) {
        error = path + ": cannot load module: its initialisation threw";
        return nullptr;
    }
    if (handle == nullptr) {
        error = path + ": cannot load module: " + lastDlError();
        return nullptr;
    }
    auto fail = [&](const std::string& reason) {
        error = path + ": " + reason;
        dlclose(handle);
        return nullptr;
    };
    auto entryPoint = reinterpret_cast<AcRxEntryPointFunc>(dlsym(handle, ACRX_ENTRY_POINT_NAME));
    if (entryPoint == nullptr) return fail("not a module of this host (no acrxEntryPoint)");
    auto apiVersion = reinterpret_cast<AcRxGetApiVersionFunc>(dlsym(handle, ACRX_API_VERSION_NAME));
    if (apiVersion == nullptr) return fail("not a module of this host (no acrxGetApiVersion)");
    void* version = nullptr;
    if (!guardedCall(path + ": acrxGetApiVersion", [&] { version = apiVersion(); }))
        return fail("acrxGetApiVersion failed");
    const auto generation = (reinterpret_cast<std::uintptr_t>(version) >> 16) & 0xFFFF;
    if (generation != ACRX_API_GENERATION) {
        return fail("built for interface generation " + std::to_string(generation) +
                    ", this host is generation " + std::to_string(ACRX_API_GENERATION));
    }
    return std::unique_ptr<LoadedModule>(new LoadedModule(path, handle, entryPoint));
}

LoadedModule::LoadedModule(std::string path, void* handle, AcRxEntryPointFunc entryPoint)
    : m_path(std::move(path)), m_handle(handle), m_entryPoint(entryPoint) {}

LoadedModule::~LoadedModule() { unload(); }

AcRx::AppRetCode LoadedModule::sendMessage(AcRx::AppMsgCode msg, void* pkt) {
    if (m_handle == nullptr) return AcRx::kRetError;
    AcRx::AppRetCode result = AcRx::kRetError;
    guardedCall(m_path + ": " + messageName(msg), [&] { result = m_entryPoint(msg, pkt); });
    return result;
}

AcRx::AppRetCode LoadedModule::initialize() {
    const AcRx::AppRetCode result = sendMessage(AcRx::kInitAppMsg, appId());
    m_initialized = m_handle != nullptr;
    return result;
}

AcRx::AppRetCode LoadedModule::drawingLoaded(AcApDocument* doc) {
    return sendMessage(AcRx::kLoadDwgMsg, doc);
}

AcRx::AppRetCode LoadedModule::drawingUnloaded(AcApDocument* doc) {
    return sendMessage(AcRx::kUnloadDwgMsg, doc);
}

void LoadedModule::unload() {
    if (m_handle == nullptr) return;
    if (m_initialized) sendMessage(AcRx::kUnloadAppMsg, appId());
    m_initialized = false;
    // The module's static destructors run inside dlclose; they are module code too.
    void* handle = m_handle;
    m_handle = nullptr;
    guardedCall(m_path + ": unloading", [&] { dlclose(handle); });
}

}  // namespace cadhost
