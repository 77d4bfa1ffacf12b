// Per-document data for a module: a document-manager reactor that keeps one T per document
// and drops it when the host announces that the document is about to be destroyed.
#pragma once

#include <map>

#include "acdocman.h"

template <class T>
class AcApDataManager : public AcApDocManagerReactor {
  public:
    // Registers with the document manager, if there is one.
    AcApDataManager() {
        if (AcApDocManager* manager = acDocManagerPtr()) manager->addReactor(this);
    }

    // Leaves the document manager alone once the host has torn it down (a module's static
    // data may outlive it); the remaining data is destroyed either way.
    ~AcApDataManager() override {
        if (AcApDocManager* manager = acDocManagerPtr()) manager->removeReactor(this);
        m_dataMap.clear();
    }

    AcApDataManager(const AcApDataManager&) = delete;
    AcApDataManager& operator=(const AcApDataManager&) = delete;

    void documentToBeDestroyed(AcApDocument* pDoc) override { m_dataMap.erase(pDoc); }

    // The document's data; a default-constructed T is made for a document seen for the first
    // time.
    T& docData(AcApDocument* pDoc) { return m_dataMap.try_emplace(pDoc).first->second; }

    // The current document's data.
    T& docData() { return docData(acDocManagerPtr()->curDocument()); }

  private:
    std::map<AcApDocument*, T> m_dataMap;
};
