// The module's application object: it answers the host's messages, registers the four batch
// commands of group "KOVA" and the application name "brakon", and runs the drawing-load hook.
#pragma once

#include <acrxEntryPoint.h>

// The command group and the application name the host knows the module by.
#define BRAKON_COMMAND_GROUP L"KOVA"
#define BRAKON_APP_NAME L"brakon"

class CBrakonApp : public AcRxArxApp {
  public:
    CBrakonApp();

    // The framework's initialisation and unloading as they are.
    AcRx::AppRetCode onInitApp(void* pkt) override;
    AcRx::AppRetCode onUnloadApp(void* pkt) override;
    // LISP functions (none), then the per-document load hook.
    AcRx::AppRetCode onLoadDwg(void* pkt) override;
    AcRx::AppRetCode onUnloadDwg(void* pkt) override;
    AcRx::AppRetCode onInvokeSubr(void* pkt) override;
    // Registers "brakon" for loading at start-up and on command invocation.
    void registerServerComponents() override;
};

// The single application object, made with the module's static data.
extern CBrakonApp theArxApp;
