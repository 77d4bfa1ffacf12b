// Loading modules into the host: a module is a shared object that exports acrxEntryPoint and
// acrxGetApiVersion. The host sends it its messages through the entry point, every call
// guarded so that nothing a module throws reaches the host.
#pragma once

#include <memory>
#include <string>

#include "acdocman.h"
#include "rxdefs.h"

namespace cadhost {

class LoadedModule {
  public:
    // Loads the shared object at path (RTLD_NOW: every symbol must resolve) and checks that
    // it is a module of this host: it exports both entry points and its API version is of
    // generation ACRX_API_GENERATION. On failure returns null and sets error to one line
    // naming the file and the reason; nothing stays loaded.
    static std::unique_ptr<LoadedModule> load(const std::string& path, std::string& error);

    // Unloads the module as unload() does.
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    const std::string& path() const { return m_path; }
    // What the host passes as the packet of the initialisation message; the dynamic linker
    // knows the module by it.
    void* appId() { return this; }
    // The dlopen handle; null once unloaded.
    void* handle() const { return m_handle; }

    // Sends msg with pkt to the entry point. A C++ exception out of the module is reported on
    // standard error and answered with kRetError, as is a message after unload().
    AcRx::AppRetCode sendMessage(AcRx::AppMsgCode msg, void* pkt);

    // kInitAppMsg with appId() as the packet.
    AcRx::AppRetCode initialize();
    // kLoadDwgMsg / kUnloadDwgMsg with the document as the packet.
    AcRx::AppRetCode drawingLoaded(AcApDocument* doc);
    AcRx::AppRetCode drawingUnloaded(AcApDocument* doc);

    // Sends kUnloadAppMsg if the module was initialised and closes the shared object (its
    // static data is destroyed then). Idempotent.
    void unload();

  private:
    LoadedModule(std::string path, void* handle, AcRxEntryPointFunc entryPoint);

    std::string m_path;
    void* m_handle;
    AcRxEntryPointFunc m_entryPoint;
    bool m_initialized = false;
};

}  // namespace cadhost
