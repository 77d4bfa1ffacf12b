// The document manager: documents over databases, the current document, and the reactors
// that modules register to follow them.
#include "arx/doc_manager.h"

#include <algorithm>

#include "arx/module_guard.h"

ACRX_DEFINE_MEMBERS(AcApDocument, AcRxObject)
ACRX_DEFINE_MEMBERS(AcApDocManagerReactor, AcRxObject)
ACRX_DEFINE_MEMBERS(AcApDocumentIterator, AcRxObject)
ACRX_DEFINE_MEMBERS(AcApDocManager, AcRxObject)

namespace cadhost {
namespace {

// Never destroyed by the C++ runtime: a module's static data may ask for the manager while
// the process ends, and must then find it alive (or null after an orderly shutdown).
DocumentManager* g_manager = nullptr;
bool g_shutDown = false;

class SnapshotIterator final : public AcApDocumentIterator {
  public:
    explicit SnapshotIterator(std::vector<AcApDocument*> documents)
        : m_documents(std::move(documents)) {}
    bool done() const override { return m_next >= m_documents.size(); }
    void step() override { ++m_next; }
    AcApDocument* document() override { return done() ? nullptr : m_documents[m_next]; }

  private:
    std::vector<AcApDocument*> m_documents;
    std::size_t m_next = 0;
};

std::wstring titleOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L"/\\");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

Document::Document(AcDbDatabase* db, std::wstring fileName)
    : m_database(db), m_fileName(std::move(fileName)), m_title(titleOf(m_fileName)) {}

Document::~Document() { deleteDocumentDatabase(m_database); }

void Document::setFileName(std::wstring fileName) {
    m_fileName = std::move(fileName);
    m_title = titleOf(m_fileName);
}

DocumentManager* DocumentManager::instance() {
    if (g_manager == nullptr && !g_shutDown) g_manager = new DocumentManager;
    return g_manager;
}

DocumentManager* DocumentManager::start() {
    g_shutDown = false;
    return instance();
}

void DocumentManager::shutdown() {
    if (g_manager != nullptr) {
        g_manager->destroyAllDocuments();
        delete g_manager;
        g_manager = nullptr;
    }
    g_shutDown = true;
}

DocumentManager::~DocumentManager() = default;

template <class Notify>
void DocumentManager::notify(std::string_view what, Notify notifyOne) {
    const std::vector<AcApDocManagerReactor*> snapshot = m_reactors;
    for (AcApDocManagerReactor* reactor : snapshot) {
        if (std::find(m_reactors.begin(), m_reactors.end(), reactor) == m_reactors.end())
            continue;  // removed by an earlier reactor of this round
        guardedCall(what, [&] { notifyOne(reactor); });
    }
}

AcApDocument* DocumentManager::createDocument(AcDbDatabase* db, std::wstring fileName) {
    if (db == nullptr) return nullptr;
    m_documents.push_back(std::make_unique<Document>(db, std::move(fileName)));
    AcApDocument* doc = m_documents.back().get();
    notify("documentCreateStarted",
           [&](AcApDocManagerReactor* r) { r->documentCreateStarted(doc); });
    notify("documentCreated", [&](AcApDocManagerReactor* r) { r->documentCreated(doc); });
    return doc;
}

bool DocumentManager::isOpen(const AcApDocument* doc) const {
    return doc != nullptr &&
           std::any_of(m_documents.begin(), m_documents.end(),
                       [&](const std::unique_ptr<Document>& d) { return d.get() == doc; });
}

bool DocumentManager::makeCurrent(AcApDocument* doc) {
    if (!isOpen(doc)) return false;
    if (doc == m_current) {
        setHostWorkingDatabase(doc->database());
        return true;
    }
    if (AcApDocument* previous = m_current) {
        notify("documentToBeDeactivated",
               [&](AcApDocManagerReactor* r) { r->documentToBeDeactivated(previous); });
    }
    notify("documentToBeActivated",
           [&](AcApDocManagerReactor* r) { r->documentToBeActivated(doc); });
    m_current = doc;
    setHostWorkingDatabase(doc->database());
    notify("documentBecameCurrent",
           [&](AcApDocManagerReactor* r) { r->documentBecameCurrent(doc); });
    notify("documentActivated", [&](AcApDocManagerReactor* r) { r->documentActivated(doc); });
    return true;
}

bool DocumentManager::destroyDocument(AcApDocument* doc) {
    if (!isOpen(doc)) return false;
    notify("documentToBeDestroyed",
           [&](AcApDocManagerReactor* r) { r->documentToBeDestroyed(doc); });
    // A reactor may itself have destroyed the document while being told.
    auto it = std::find_if(m_documents.begin(), m_documents.end(),
                           [&](const std::unique_ptr<Document>& d) { return d.get() == doc; });
    if (it == m_documents.end()) return true;
    const std::wstring fileName = doc->fileName();
    if (doc == m_current) m_current = nullptr;
    // The working database must never point at a deleted database.
    if (hostWorkingDatabase() == doc->database()) setHostWorkingDatabase(nullptr);
    std::unique_ptr<Document> dying = std::move(*it);
    m_documents.erase(it);
    dying.reset();
    notify("documentDestroyed",
           [&](AcApDocManagerReactor* r) { r->documentDestroyed(fileName.c_str()); });
    return true;
}

void DocumentManager::destroyAllDocuments() {
    while (!m_documents.empty()) destroyDocument(m_documents.back().get());
}

AcApDocument* DocumentManager::document(const AcDbDatabase* db) const {
    if (db == nullptr) return nullptr;
    for (const auto& d : m_documents)
        if (d->database() == db) return d.get();
    return nullptr;
}

AcApDocumentIterator* DocumentManager::newAcApDocumentIterator() {
    std::vector<AcApDocument*> documents;
    for (const auto& d : m_documents) documents.push_back(d.get());
    return new SnapshotIterator(std::move(documents));
}

void DocumentManager::addReactor(AcApDocManagerReactor* reactor) {
    if (reactor == nullptr) return;
    if (std::find(m_reactors.begin(), m_reactors.end(), reactor) == m_reactors.end())
        m_reactors.push_back(reactor);
}

void DocumentManager::removeReactor(AcApDocManagerReactor* reactor) {
    m_reactors.erase(std::remove(m_reactors.begin(), m_reactors.end(), reactor), m_reactors.end());
}

}  // namespace cadhost

AcApDocManager* acDocManagerPtr() { return cadhost::DocumentManager::instance(); }
