// The document manager: documents over databases, the current document and working database,
// reactor notifications in order, the per-document data manager, and teardown.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AcApDMgr.h"
#include "acdocman.h"
#include "arx/doc_manager.h"
#include "dbapserv.h"
#include "dbmain.h"

namespace {

using cadhost::DocumentManager;

// Records every notification as "event:title".
class RecordingReactor : public AcApDocManagerReactor {
  public:
    std::vector<std::wstring> events;
    void documentCreateStarted(AcApDocument* d) override { add(L"createStarted", d); }
    void documentCreated(AcApDocument* d) override { add(L"created", d); }
    void documentToBeDestroyed(AcApDocument* d) override {
        add(L"toBeDestroyed", d);
        // The document and its database are still intact at this point.
        if (d->database() == nullptr) events.push_back(L"database already gone");
    }
    void documentDestroyed(const ACHAR* fileName) override {
        events.push_back(std::wstring(L"destroyed:") + fileName);
    }
    void documentBecameCurrent(AcApDocument* d) override { add(L"becameCurrent", d); }
    void documentToBeActivated(AcApDocument* d) override { add(L"toBeActivated", d); }
    void documentToBeDeactivated(AcApDocument* d) override { add(L"toBeDeactivated", d); }
    void documentActivated(AcApDocument* d) override { add(L"activated", d); }
  private:
    void add(const wchar_t* what, AcApDocument* d) {
        events.push_back(std::wstring(what) + L":" + d->docTitle());
    }
};

class DocManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        manager = DocumentManager::start();
        ASSERT_NE(nullptr, manager);
        manager->addReactor(&reactor);
    }
    void TearDown() override {
        if (DocumentManager* m = DocumentManager::instance()) {
            m->removeReactor(&reactor);
            m->destroyAllDocuments();
        }
        DocumentManager::start();
    }
    AcApDocument* open(const std::wstring& path) {
        return manager->createDocument(new AcDbDatabase(false, true), path);
    }
    DocumentManager* manager = nullptr;
    RecordingReactor reactor;
};

using Events = std::vector<std::wstring>;

TEST_F(DocManagerTest, AnnouncesCreationActivationAndDestructionInOrder) {
    AcApDocument* a = open(L"/work/a.dxf");
    AcApDocument* b = open(L"C:\\Work\\b.dxf");
    ASSERT_TRUE(manager->makeCurrent(a));
    ASSERT_TRUE(manager->makeCurrent(b));
    ASSERT_TRUE(manager->destroyDocument(a));
    EXPECT_EQ(
        (Events{L"createStarted:a.dxf", L"created:a.dxf", L"createStarted:b.dxf", L"created:b.dxf",
                L"toBeActivated:a.dxf", L"becameCurrent:a.dxf", L"activated:a.dxf",
                L"toBeDeactivated:a.dxf", L"toBeActivated:b.dxf", L"becameCurrent:b.dxf",
                L"activated:b.dxf", L"toBeDestroyed:a.dxf", L"destroyed:/work/a.dxf"}),
        reactor.events);
}

TEST_F(DocManagerTest, CurrentDocumentCarriesTheWorkingDatabase) {
    AcApDocument* a = open(L"/work/a.dxf");
    AcApDocument* b = open(L"/work/b.dxf");
    EXPECT_EQ(nullptr, manager->curDocument()) << "opening does not make a document current";
    ASSERT_TRUE(manager->makeCurrent(a));
    EXPECT_EQ(a, manager->curDocument());
    EXPECT_EQ(a->database(), acdbHostApplicationServices()->workingDatabase());
    ASSERT_TRUE(manager->makeCurrent(b));
    EXPECT_EQ(b->database(), acdbHostApplicationServices()->workingDatabase());
    // Destroying the current document leaves none current and no working database behind.
    ASSERT_TRUE(manager->destroyDocument(b));
    EXPECT_EQ(nullptr, manager->curDocument());
    EXPECT_EQ(nullptr, acdbHostApplicationServices()->workingDatabase());
    EXPECT_EQ(1, manager->documentCount());
}

TEST_F(DocManagerTest, FindsDocumentsByDatabaseAndIteratesThem) {
    AcApDocument* a = open(L"/work/a.dxf");
    AcApDocument* b = open(L"/work/b.dxf");
    EXPECT_EQ(a, manager->document(a->database()));
    EXPECT_EQ(b, manager->document(b->database()));
    AcDbDatabase loose(false, true);
    EXPECT_EQ(nullptr, manager->document(&loose)) << "a database without a document";
    EXPECT_EQ(nullptr, manager->document(nullptr));
    std::unique_ptr<AcApDocumentIterator> it(manager->newAcApDocumentIterator());
    std::vector<AcApDocument*> seen;
    for (; !it->done(); it->step()) seen.push_back(it->document());
    EXPECT_EQ((std::vector<AcApDocument*>{a, b}), seen);
    EXPECT_EQ(nullptr, it->document());
}

TEST_F(DocManagerTest, RefusesWhatIsNotAnOpenDocument) {
    EXPECT_EQ(nullptr, manager->createDocument(nullptr, L"/work/none.dxf"));
    AcApDocument* a = open(L"/work/a.dxf");
    ASSERT_TRUE(manager->destroyDocument(a));
    reactor.events.clear();
    EXPECT_FALSE(manager->destroyDocument(a)) << "already destroyed";
    EXPECT_FALSE(manager->makeCurrent(a));
    EXPECT_FALSE(manager->makeCurrent(nullptr));
    EXPECT_TRUE(reactor.events.empty());
}

TEST_F(DocManagerTest, ReactorsAreAddedOnceAndCanLeaveWhileNotified) {
    manager->addReactor(&reactor);  // a second time: still told once
    // This reactor removes itself and the recording reactor on its first notification.
    struct Leaver : AcApDocManagerReactor {
        AcApDocManager* manager = nullptr;
        AcApDocManagerReactor* other = nullptr;
        int calls = 0;
        void documentCreateStarted(AcApDocument*) override {
            ++calls;
            manager->removeReactor(this);
            manager->removeReactor(other);
        }
    } leaver;
    leaver.manager = manager;
    leaver.other = &reactor;
    manager->removeReactor(&reactor);
    manager->addReactor(&leaver);
    manager->addReactor(&reactor);
    open(L"/work/a.dxf");
    EXPECT_EQ(1, leaver.calls);
    EXPECT_TRUE(reactor.events.empty()) << "removed before its turn";
    manager->removeReactor(&leaver);  // not there any more: nothing happens
}

TEST_F(DocManagerTest, AThrowingReactorDoesNotStopTheOthers) {
    struct Thrower : AcApDocManagerReactor {
        void documentCreated(AcApDocument*) override { throw "Bounds Error"; }
    } thrower;
    manager->removeReactor(&reactor);
    manager->addReactor(&thrower);
    manager->addReactor(&reactor);
    ::testing::internal::CaptureStderr();
    ASSERT_NE(nullptr, open(L"/work/a.dxf"));
    EXPECT_EQ("cadhost: documentCreated: Bounds Error\n", ::testing::internal::GetCapturedStderr());
    EXPECT_EQ((Events{L"createStarted:a.dxf", L"created:a.dxf"}), reactor.events);
    manager->removeReactor(&thrower);
}

TEST_F(DocManagerTest, ShutdownDestroysEveryDocumentThenTheManager) {
    open(L"/work/a.dxf");
    open(L"/work/b.dxf");
    DocumentManager::shutdown();
    EXPECT_EQ(nullptr, acDocManagerPtr());
    EXPECT_EQ(nullptr, DocumentManager::instance()) << "not remade on demand after shutdown";
    EXPECT_EQ((Events{L"createStarted:a.dxf", L"created:a.dxf", L"createStarted:b.dxf",
                      L"created:b.dxf", L"toBeDestroyed:b.dxf", L"destroyed:/work/b.dxf",
                      L"toBeDestroyed:a.dxf", L"destroyed:/work/a.dxf"}),
              reactor.events);
    EXPECT_NE(nullptr, DocumentManager::start());
    EXPECT_EQ(0, acDocManagerPtr()->documentCount());
}

struct Counted {
    static inline int alive = 0;
    int value = 0;
    Counted() { ++alive; }
    ~Counted() { --alive; }
};

TEST_F(DocManagerTest, DataManagerKeepsOneEntryPerDocumentUntilItIsDestroyed) {
    AcApDocument* a = open(L"/work/a.dxf");
    AcApDocument* b = open(L"/work/b.dxf");
    {
        AcApDataManager<Counted> data;
        data.docData(a).value = 1;
        data.docData(b).value = 2;
        EXPECT_EQ(1, data.docData(a).value) << "found again, not made anew";
        EXPECT_EQ(2, Counted::alive);
        ASSERT_TRUE(manager->destroyDocument(a));
        EXPECT_EQ(1, Counted::alive) << "only the destroyed document's data goes";
        EXPECT_EQ(2, data.docData(b).value);
        ASSERT_TRUE(manager->makeCurrent(b));
        EXPECT_EQ(2, data.docData().value) << "the current document's data";
    }
    EXPECT_EQ(0, Counted::alive) << "the manager's own destruction drops the rest";
    // And it left the reactor list: destroying b must not reach the dead manager.
    ASSERT_TRUE(manager->destroyDocument(b));
}

TEST_F(DocManagerTest, DataManagerOutlivingTheDocumentManagerStillCleansUp) {
    AcApDocument* a = open(L"/work/a.dxf");
    auto data = std::make_unique<AcApDataManager<Counted>>();
    data->docData(a);
    manager->removeReactor(&reactor);
    DocumentManager::shutdown();  // announces a's destruction: its data goes
    EXPECT_EQ(0, Counted::alive);
    AcApDocument* stale = reinterpret_cast<AcApDocument*>(0x1000);
    data->docData(stale);  // an entry the document manager never announced
    EXPECT_EQ(1, Counted::alive);
    data.reset();  // must not touch the document manager, which is gone
    EXPECT_EQ(0, Counted::alive);
}

TEST(DataManagerTest, WithoutADocumentManagerRegistersNothing) {
    DocumentManager::shutdown();
    {
        AcApDataManager<Counted> data;
        data.docData(nullptr);
        EXPECT_EQ(1, Counted::alive);
    }
    EXPECT_EQ(0, Counted::alive);
    DocumentManager* manager = DocumentManager::start();
    ASSERT_NE(nullptr, manager);
}

}  // namespace
