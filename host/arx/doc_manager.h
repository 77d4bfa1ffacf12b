// The host's document manager as cadhost drives it: documents are made over databases, made
// current, announced to reactors and destroyed. Modules see only acdocman.h.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "acdocman.h"

namespace cadhost {

class Document final : public AcApDocument {
  public:
    Document(AcDbDatabase* db, std::wstring fileName);
    ~Document() override;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const ACHAR* fileName() const override { return m_fileName.c_str(); }
    AcDbDatabase* database() const override { return m_database; }
    const ACHAR* docTitle() const override { return m_title.c_str(); }
    bool isQuiescent() const override { return true; }
    // After the drawing was saved under another name (SAVEAS): the full path from now on.
    void setFileName(std::wstring fileName);

  private:
    AcDbDatabase* m_database;  // owned
    std::wstring m_fileName;
    std::wstring m_title;
};

class DocumentManager final : public AcApDocManager {
  public:
    // The manager, made on first use; null after shutdown() until start().
    static DocumentManager* instance();
    // Makes a manager if there is none (after a shutdown) and returns it.
    static DocumentManager* start();
    // Destroys every document (each announced as below) and then the manager itself.
    static void shutdown();

    // Makes a document over db, which the document owns from now on (also when db is null:
    // a document without a database is refused and null returned). Reactors hear
    // documentCreateStarted and documentCreated. fileName is the drawing's full path.
    AcApDocument* createDocument(AcDbDatabase* db, std::wstring fileName);
    // Makes doc current; the host's working database becomes its database. Reactors hear
    // documentToBeDeactivated (for the previous one), documentToBeActivated,
    // documentBecameCurrent and documentActivated. False when doc is not an open document.
    bool makeCurrent(AcApDocument* doc);
    // Reactors hear documentToBeDestroyed while the document is intact, then the document
    // and its database are deleted and they hear documentDestroyed with its file name. If it
    // was current, no document is current afterwards and the working database is null.
    // False when doc is not an open document.
    bool destroyDocument(AcApDocument* doc);
    // Destroys every document, the most recently opened first.
    void destroyAllDocuments();
    bool isOpen(const AcApDocument* doc) const;

    AcApDocument* curDocument() const override { return m_current; }
    AcApDocument* mdiActiveDocument() const override { return m_current; }
    AcApDocument* document(const AcDbDatabase* db) const override;
    int documentCount() const override { return static_cast<int>(m_documents.size()); }
    AcApDocumentIterator* newAcApDocumentIterator() override;
    void addReactor(AcApDocManagerReactor* reactor) override;
    void removeReactor(AcApDocManagerReactor* reactor) override;

    ~DocumentManager() override;

  private:
    DocumentManager() = default;

    // Tells every reactor registered now and still registered when its turn comes; a reactor
    // that throws is reported and the others are still told.
    template <class Notify>
    void notify(std::string_view what, Notify notifyOne);

    std::vector<std::unique_ptr<Document>> m_documents;  // in the order opened
    AcApDocument* m_current = nullptr;
    std::vector<AcApDocManagerReactor*> m_reactors;
};

// The database side of documents, kept apart so that the manager needs only a declared
// AcDbDatabase.
void deleteDocumentDatabase(AcDbDatabase* db);
AcDbDatabase* hostWorkingDatabase();
void setHostWorkingDatabase(AcDbDatabase* db);

}  // namespace cadhost
