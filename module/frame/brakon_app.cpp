// The application object, its command table and the module's exported entry points.
#include "frame/brakon_app.h"

#include "commands/commands.h"
#include "frame/doc_registry.h"

namespace {

// The "tarvik_" names are second names for the same two operations.
void tarvikGetDependencies() { getDependenciesCommand(); }
void tarvikReplaceReferencedDocument() { replaceReferencedDocumentCommand(); }

_ARXCOMMAND_ENTRY kValloGetDependencies = {BRAKON_COMMAND_GROUP,
                                           L"_vallo_get_dependencies",
                                           L"vallo_get_dependencies",
                                           ACRX_CMD_SESSION,
                                           getDependenciesCommand,
                                           nullptr,
                                           0};
_ARXCOMMAND_ENTRY kValloReplace = {BRAKON_COMMAND_GROUP,
                                   L"_vallo_replace_referenced_document",
                                   L"vallo_replace_referenced_document",
                                   ACRX_CMD_SESSION,
                                   replaceReferencedDocumentCommand,
                                   nullptr,
                                   0};
_ARXCOMMAND_ENTRY kTarvikGetDependencies = {BRAKON_COMMAND_GROUP,
                                            L"_tarvik_get_dependencies",
                                            L"tarvik_get_dependencies",
                                            ACRX_CMD_SESSION,
                                            tarvikGetDependencies,
                                            nullptr,
                                            0};
_ARXCOMMAND_ENTRY kTarvikReplace = {BRAKON_COMMAND_GROUP,
                                    L"_tarvik_replace_referenced_document",
                                    L"tarvik_replace_referenced_document",
                                    ACRX_CMD_SESSION,
                                    tarvikReplaceReferencedDocument,
                                    nullptr,
                                    0};

_ARXCOMMAND_ENTRY* const kCommands[] = {&kValloGetDependencies, &kValloReplace,
                                        &kTarvikGetDependencies, &kTarvikReplace};

// The module has no custom classes, property extensions or LISP functions.
AcRxModuleTables moduleTables() {
    AcRxModuleTables tables;
    tables.commands = kCommands;
    tables.commandCount = sizeof kCommands / sizeof kCommands[0];
    return tables;
}

}  // namespace

CBrakonApp::CBrakonApp() : AcRxArxApp(moduleTables()) {}

AcRx::AppRetCode CBrakonApp::onInitApp(void* pkt) { return AcRxArxApp::onInitApp(pkt); }

AcRx::AppRetCode CBrakonApp::onUnloadApp(void* pkt) { return AcRxArxApp::onUnloadApp(pkt); }

AcRx::AppRetCode CBrakonApp::onLoadDwg(void* pkt) {
    AcRxArxApp::onLoadDwg(pkt);
    onDocumentLoaded();
    return AcRx::kRetOK;
}

AcRx::AppRetCode CBrakonApp::onUnloadDwg(void* pkt) { return AcRxArxApp::onUnloadDwg(pkt); }

AcRx::AppRetCode CBrakonApp::onInvokeSubr(void* pkt) { return AcRxArxApp::onInvokeSubr(pkt); }

void CBrakonApp::registerServerComponents() {
    acrxRegisterApp(static_cast<AcadApp::LoadReasons>(AcadApp::kOnAutoCADStartup |
                                                      AcadApp::kOnCommandInvocation),
                    BRAKON_APP_NAME);
}

IMPLEMENT_ARX_ENTRYPOINT(CBrakonApp)
