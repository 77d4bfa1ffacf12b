// Test hooks of the host's application side: drive documents, commands and messages the way
// cadhost does, and read back what modules registered. For tests only.
#pragma once

#include <string>
#include <vector>

#include "acdocman.h"

class AcDbDatabase;

namespace cadhost::testing {

// ---- Documents ----
// Makes a document over db (the document owns it) with fileName as its path, announced to
// the reactors, and makes it current (the working database follows). Null for a null db.
AcApDocument* openDocument(AcDbDatabase* db, const std::wstring& fileName);
// Makes an open document current; false when it is not open.
bool makeCurrent(AcApDocument* doc);
// Announces documentToBeDestroyed, then deletes the document and its database. False when
// doc is not open.
bool closeDocument(AcApDocument* doc);
void closeAllDocuments();
// Closes every document and tears the document manager down: acDocManagerPtr() answers null
// until restartDocumentManager().
void shutdownDocumentManager();
void restartDocumentManager();

// ---- Commands ----
// Runs a registered command found by global or local name (case ignored), guarded as cadhost
// runs it. False when no such command is registered or it threw.
bool invokeCommand(const std::wstring& name);
// The group of a registered command, empty when unknown.
std::wstring commandGroup(const std::wstring& globalName);

// ---- Registrations ----
struct RegisteredApp {
    std::wstring name;
    int loadReasons = 0;
};
std::vector<RegisteredApp> registeredApps();
// The registration of name (case ignored); loadReasons -1 when not registered.
RegisteredApp registeredApp(const std::wstring& name);
std::size_t lispFunctionCount();

// ---- Language ----
// The host's user interface language, which decides the texts modules load from their string
// tables (0x409 English, 0x407 German). Restores the previous one when it goes out of scope.
class UiLanguageScope {
  public:
    explicit UiLanguageScope(unsigned short language);
    ~UiLanguageScope();
    UiLanguageScope(const UiLanguageScope&) = delete;
    UiLanguageScope& operator=(const UiLanguageScope&) = delete;

  private:
    unsigned short m_previous;
};

// ---- Dynamic linker ----
bool isAppLocked(void* appId);
bool isAppMDIAware(void* appId);

}  // namespace cadhost::testing
