// The host SDK's application framework for modules: an application class whose virtual
// operations answer the host's messages, the record tables a module declares (commands, custom
// classes, dynamic properties, LISP functions), and IMPLEMENT_ARX_ENTRYPOINT, which makes the
// single application object and exports acrxEntryPoint and acrxGetApiVersion.
//
// A module declares its tables as arrays of record pointers (null entries are skipped) and
// hands them to the framework's constructor:
//
//     static _ARXCOMMAND_ENTRY kDoIt = {L"GROUP", L"_doit", L"doit", ACRX_CMD_SESSION, doIt};
//     static _ARXCOMMAND_ENTRY* const kCommands[] = {&kDoIt};
//     class CMyApp : public AcRxArxApp {
//     public:
//         CMyApp() : AcRxArxApp(AcRxModuleTables{kCommands, 1}) {}
//         void registerServerComponents() override { ... }
//     };
//     IMPLEMENT_ARX_ENTRYPOINT(CMyApp)
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "accmd.h"
#include "aced.h"
#include "rxdefs.h"
#include "rxregsvc.h"

// The module's own instance handle. Defined by the module: its library attach stores it.
extern HINSTANCE _hdllInstance;

// A command: group, global name, local name (null: string localNameID of the module), flags,
// handler, UI context.
struct _ARXCOMMAND_ENTRY {
    const ACHAR* pszCmdGroupName;
    const ACHAR* pszCmdGlobalName;
    const ACHAR* pszCmdLocalName;
    std::int32_t commandFlags;
    AcRxFunctionPtr pCommandFct;
    AcEdUIContext* pUIContext;
    UINT localNameID;
};

// A custom runtime class: its descriptor, its initialisation and whether it is registered.
struct _ACRXCLASS_ENTRY {
    AcRxClass* (*pfnDesc)();
    void (*pfnRxInit)();
    bool bRegistered;
};

// A property extension for the host's property palette.
struct _OBJECT_ENTRY {
    AcRxClass* (*pfnDesc)();
    void (*pfnRegister)();
    void (*pfnUnregister)();
};

// A LISP function: name (null: string nameID of the module), the function, and whether it is
// also registered as callable.
struct _ADSSYMBOL_ENTRY {
    const ACHAR* pszName;
    int (*fct)();
    bool bRegFunc;
    UINT nameID;
};

// The record tables of one module.
struct AcRxModuleTables {
    _ARXCOMMAND_ENTRY* const* commands = nullptr;
    std::size_t commandCount = 0;
    _ACRXCLASS_ENTRY* const* classes = nullptr;
    std::size_t classCount = 0;
    _OBJECT_ENTRY* const* dynamicProperties = nullptr;
    std::size_t dynamicPropertyCount = 0;
    _ADSSYMBOL_ENTRY* const* lispFunctions = nullptr;
    std::size_t lispFunctionCount = 0;
};

// Registers the module's property extensions while it lives.
class AcRxDynPropManager {
  public:
    AcRxDynPropManager(_OBJECT_ENTRY* const* entries, std::size_t count)
        : m_entries(entries), m_count(count) {
        for (std::size_t i = 0; i < m_count; ++i)
            if (m_entries[i] != nullptr && m_entries[i]->pfnRegister != nullptr)
                m_entries[i]->pfnRegister();
    }
    ~AcRxDynPropManager() {
        for (std::size_t i = 0; i < m_count; ++i)
            if (m_entries[i] != nullptr && m_entries[i]->pfnUnregister != nullptr)
                m_entries[i]->pfnUnregister();
    }
    AcRxDynPropManager(const AcRxDynPropManager&) = delete;
    AcRxDynPropManager& operator=(const AcRxDynPropManager&) = delete;

  private:
    _OBJECT_ENTRY* const* m_entries;
    std::size_t m_count;
};

// The application object of a module. The virtual operations below are in the host's slot
// order (slot 0 onInitApp ... 15 onNullMsg, 16 registerServerComponents); each handler takes
// the message packet and answers kRetOK unless a module overrides it.
class AcRxDbxApp {
  public:
    explicit AcRxDbxApp(const AcRxModuleTables& tables) : m_tables(tables) {}
    AcRxDbxApp(const AcRxDbxApp&) = delete;
    AcRxDbxApp& operator=(const AcRxDbxApp&) = delete;

    virtual AcRx::AppRetCode onInitApp(void* pkt) {
        m_hdllInstance = _hdllInstance;
        if (m_bUnlocked) {
            if (AcRxDynamicLinker* linker = acrxDynamicLinker) linker->unlockApplication(pkt);
        }
        if (m_bMDIAware) {
            if (AcRxDynamicLinker* linker = acrxDynamicLinker) linker->registerAppMDIAware(pkt);
        }
        registerServerComponents();
        int initialised = 0;
        forEach(m_tables.classes, m_tables.classCount, [&](_ACRXCLASS_ENTRY* entry) {
            if (entry->pfnRxInit != nullptr) entry->pfnRxInit();
            entry->bRegistered = true;
            ++initialised;
        });
        if (initialised > 0) acrxBuildClassHierarchy();
        return AcRx::kRetOK;
    }

    virtual AcRx::AppRetCode onUnloadApp(void* pkt) {
        forEach(m_tables.classes, m_tables.classCount, [&](_ACRXCLASS_ENTRY* entry) {
            if (entry->bRegistered) unregisterClass(entry);
        });
        return AcRx::kRetOK;
    }

    virtual AcRx::AppRetCode onLoadDwg(void* pkt) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode onUnloadDwg(void* pkt) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode onInvokeSubr(void* pkt) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode onCfg(void* pkt) { return AcRx::kRetOK; }           // 6
    virtual AcRx::AppRetCode onEnd(void* pkt) { return AcRx::kRetOK; }           // 7
    virtual AcRx::AppRetCode onQuit(void* pkt) { return AcRx::kRetOK; }          // 8
    virtual AcRx::AppRetCode onSave(void* pkt) { return AcRx::kRetOK; }          // 9
    virtual AcRx::AppRetCode onDependency(void* pkt) { return AcRx::kRetOK; }    // 10
    virtual AcRx::AppRetCode onNoDependency(void* pkt) { return AcRx::kRetOK; }  // 11
    virtual AcRx::AppRetCode onOleUnloadApp(void* pkt) { return AcRx::kRetOK; }  // 12
    virtual AcRx::AppRetCode onPreQuit(void* pkt) { return AcRx::kRetOK; }       // 13
    virtual AcRx::AppRetCode onInitDialog(void* pkt) { return AcRx::kRetOK; }    // 14
    virtual AcRx::AppRetCode onEndDialog(void* pkt) { return AcRx::kRetOK; }     // 15
    virtual AcRx::AppRetCode onNullMsg(void* pkt) { return AcRx::kRetOK; }       // 0
    virtual void registerServerComponents() = 0;

    virtual ~AcRxDbxApp() = default;

    // Passes messages 0 to 15 to their handler; later codes are answered with kRetOK unseen.
    AcRx::AppRetCode dispatch(AcRx::AppMsgCode msg, void* pkt) {
        using Handler = AcRx::AppRetCode (AcRxDbxApp::*)(void*);
        static constexpr Handler kHandlers[] = {
            &AcRxDbxApp::onNullMsg,      &AcRxDbxApp::onInitApp,    &AcRxDbxApp::onUnloadApp,
            &AcRxDbxApp::onLoadDwg,      &AcRxDbxApp::onUnloadDwg,  &AcRxDbxApp::onInvokeSubr,
            &AcRxDbxApp::onCfg,          &AcRxDbxApp::onEnd,        &AcRxDbxApp::onQuit,
            &AcRxDbxApp::onSave,         &AcRxDbxApp::onDependency, &AcRxDbxApp::onNoDependency,
            &AcRxDbxApp::onOleUnloadApp, &AcRxDbxApp::onPreQuit,    &AcRxDbxApp::onInitDialog,
            &AcRxDbxApp::onEndDialog};
        const int code = static_cast<int>(msg);
        if (code < 0 || code > AcRx::kEndDialogMsg) return AcRx::kRetOK;
        return (this->*kHandlers[code])(pkt);
    }

    HINSTANCE m_hdllInstance = nullptr;
    bool m_bUnlocked = true;
    bool m_bMDIAware = true;

  protected:
    template <class Entry, class Visit>
    static void forEach(Entry* const* table, std::size_t count, Visit visit) {
        for (std::size_t i = 0; i < count; ++i)
            if (table[i] != nullptr) visit(table[i]);
    }

    // The text of a module string, for records whose name is given by resource id.
    static void loadName(UINT id, ACHAR (&buffer)[132]) {
        buffer[0] = L'\0';
        LoadStringW(_hdllInstance, id, buffer, 132);
    }

    AcRxModuleTables m_tables;

  private:
    // Children first: a class registered by this module whose parent is entry's class goes
    // before its parent.
    void unregisterClass(_ACRXCLASS_ENTRY* entry) {
        AcRxClass* desc = entry->pfnDesc != nullptr ? entry->pfnDesc() : nullptr;
        entry->bRegistered = false;
        forEach(m_tables.classes, m_tables.classCount, [&](_ACRXCLASS_ENTRY* other) {
            if (other->bRegistered && other->pfnDesc != nullptr && desc != nullptr &&
                other->pfnDesc()->myParent() == desc)
                unregisterClass(other);
        });
        if (desc != nullptr) deleteAcRxClass(desc);
    }
};

// Adds what an application with commands, property extensions and LISP functions does.
class AcRxArxApp : public AcRxDbxApp {
  public:
    using AcRxDbxApp::AcRxDbxApp;

    AcRx::AppRetCode onInitApp(void* pkt) override {
        const AcRx::AppRetCode result = AcRxDbxApp::onInitApp(pkt);
        m_pDynPropManager =
            new AcRxDynPropManager(m_tables.dynamicProperties, m_tables.dynamicPropertyCount);
        forEach(m_tables.commands, m_tables.commandCount, [&](_ARXCOMMAND_ENTRY* entry) {
            ACHAR localName[132];
            const ACHAR* local = entry->pszCmdLocalName;
            if (local == nullptr) {
                loadName(entry->localNameID, localName);
                local = localName;
            }
            // Application-context commands run without the module's resources.
            void* resources =
                (entry->commandFlags & ACRX_CMD_SESSION) != 0 ? nullptr : m_hdllInstance;
            if (AcEdCommandStack* stack = acedRegCmds) {
                stack->addCommand(entry->pszCmdGroupName, entry->pszCmdGlobalName, local,
                                  entry->commandFlags, entry->pCommandFct, entry->pUIContext, -1,
                                  resources, nullptr);
            }
        });
        return result;
    }

    AcRx::AppRetCode onUnloadApp(void* pkt) override {
        const AcRx::AppRetCode result = AcRxDbxApp::onUnloadApp(pkt);
        delete m_pDynPropManager;
        m_pDynPropManager = nullptr;
        forEach(m_tables.commands, m_tables.commandCount, [&](_ARXCOMMAND_ENTRY* entry) {
            if (AcEdCommandStack* stack = acedRegCmds)
                stack->removeCmd(entry->pszCmdGroupName, entry->pszCmdGlobalName);
        });
        return result;
    }

    AcRx::AppRetCode onLoadDwg(void* pkt) override {
        int index = 0;
        forEach(m_tables.lispFunctions, m_tables.lispFunctionCount, [&](_ADSSYMBOL_ENTRY* e) {
            ACHAR buffer[132];
            const ACHAR* name = e->pszName;
            if (name == nullptr) {
                loadName(e->nameID, buffer);
                name = buffer;
            }
            acedDefun(name, index);
            if (e->bRegFunc) acedRegFunc(e->fct, index);
            ++index;
        });
        return AcRx::kRetOK;
    }

    AcRx::AppRetCode onUnloadDwg(void* pkt) override {
        int index = 0;
        forEach(m_tables.lispFunctions, m_tables.lispFunctionCount, [&](_ADSSYMBOL_ENTRY* e) {
            ACHAR buffer[132];
            const ACHAR* name = e->pszName;
            if (name == nullptr) {
                loadName(e->nameID, buffer);
                name = buffer;
            }
            acedUndef(name, index);
            ++index;
        });
        return AcRx::kRetOK;
    }

    AcRx::AppRetCode onInvokeSubr(void* pkt) override {
        const int code = acedGetFunCode();
        int index = 0;
        int (*function)() = nullptr;
        forEach(m_tables.lispFunctions, m_tables.lispFunctionCount, [&](_ADSSYMBOL_ENTRY* e) {
            if (index++ == code) function = e->fct;
        });
        if (function != nullptr) function();
        return AcRx::kRetOK;
    }

    ~AcRxArxApp() override { delete m_pDynPropManager; }

    AcRxDynPropManager* m_pDynPropManager = nullptr;
};

// The entry points every module exports (IMPLEMENT_ARX_ENTRYPOINT defines them).
ACRX_EXPORT AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt);
ACRX_EXPORT void* acrxGetApiVersion();

// Makes the module's single application object (theArxApp, of class CLASSNAME) and exports
// the host's two entry points.
#define IMPLEMENT_ARX_ENTRYPOINT(CLASSNAME)                                        \
    CLASSNAME theArxApp;                                                           \
    ACRX_EXPORT AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt) { \
        return theArxApp.dispatch(msg, pkt);                                       \
    }                                                                              \
    ACRX_EXPORT void* acrxGetApiVersion() { return reinterpret_cast<void*>(ACRX_API_VERSION); }
