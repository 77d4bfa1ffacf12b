// The application-side test hooks, forwarding to the host internals cadhost uses.
#include "testing_app.h"

#include "accmd.h"
#include "arx/app_registry.h"
#include "arx/case_fold.h"
#include "arx/command_invoke.h"
#include "arx/doc_manager.h"
#include "rxregsvc.h"
#include "win/ui_language.h"

namespace cadhost::testing {

AcApDocument* openDocument(AcDbDatabase* db, const std::wstring& fileName) {
    DocumentManager* manager = DocumentManager::instance();
    if (manager == nullptr) return nullptr;
    AcApDocument* doc = manager->createDocument(db, fileName);
    if (doc != nullptr) manager->makeCurrent(doc);
    return doc;
}

bool makeCurrent(AcApDocument* doc) {
    DocumentManager* manager = DocumentManager::instance();
    return manager != nullptr && manager->makeCurrent(doc);
}

bool closeDocument(AcApDocument* doc) {
    DocumentManager* manager = DocumentManager::instance();
    return manager != nullptr && manager->destroyDocument(doc);
}

void closeAllDocuments() {
    if (DocumentManager* manager = DocumentManager::instance()) manager->destroyAllDocuments();
}

void shutdownDocumentManager() { DocumentManager::shutdown(); }
void restartDocumentManager() { DocumentManager::start(); }

bool invokeCommand(const std::wstring& name) { return cadhost::invokeCommand(findCommand(name)); }

std::wstring commandGroup(const std::wstring& globalName) {
    AcEdCommand* cmd = acedRegCmds->lookupGlobalCmd(globalName.c_str());
    return cmd != nullptr ? cmd->groupName() : std::wstring();
}

std::vector<RegisteredApp> registeredApps() {
    std::vector<RegisteredApp> apps;
    for (const auto& app : cadhost::registeredApps()) apps.push_back({app.name, app.loadReasons});
    return apps;
}

RegisteredApp registeredApp(const std::wstring& name) {
    for (const auto& app : cadhost::registeredApps())
        if (names::equalNoCase(app.name, name)) return {app.name, app.loadReasons};
    return {name, -1};
}

std::size_t lispFunctionCount() { return cadhost::lispFunctionCount(); }

UiLanguageScope::UiLanguageScope(unsigned short language) : m_previous(uiLanguage()) {
    setUiLanguage(language);
}

UiLanguageScope::~UiLanguageScope() { setUiLanguage(m_previous); }

bool isAppLocked(void* appId) { return acrxDynamicLinker->isAppLocked(appId); }
bool isAppMDIAware(void* appId) { return acrxDynamicLinker->isAppMDIAware(appId); }

}  // namespace cadhost::testing
