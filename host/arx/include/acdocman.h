// The host's document manager: every drawing open in the host is a document over one
// database. Modules ask it for a database's document and watch documents come and go through
// reactors.
#pragma once

#include "AdAChar.h"
#include "acadstrc.h"
#include "rxobject.h"

class AcDbDatabase;

// One open drawing. Documents are made and destroyed by the host; a pointer stays valid until
// the document manager has announced documentToBeDestroyed for it.
class AcApDocument : public AcRxObject {
  public:
    ACRX_DECLARE_MEMBERS(AcApDocument);

    // The full path the drawing was opened from (empty for a new drawing).
    virtual const ACHAR* fileName() const = 0;
    // The database the document owns.
    virtual AcDbDatabase* database() const = 0;
    // The file name without its folder.
    virtual const ACHAR* docTitle() const = 0;
    // Always true: the host runs no command while a module handles a message.
    virtual bool isQuiescent() const = 0;
};

// Notifications about documents. Every one does nothing unless a reactor overrides it.
class AcApDocManagerReactor : public AcRxObject {
  public:
    ACRX_DECLARE_MEMBERS(AcApDocManagerReactor);

    virtual void documentCreateStarted(AcApDocument* docCreating) {}
    virtual void documentCreated(AcApDocument* docCreated) {}
    virtual void documentCreateCanceled(AcApDocument* docCreateCancelled) {}
    // The document and its database are still intact; they are gone after the call.
    virtual void documentToBeDestroyed(AcApDocument* docToDestroy) {}
    virtual void documentDestroyed(const ACHAR* fileName) {}
    virtual void documentBecameCurrent(AcApDocument* doc) {}
    virtual void documentToBeActivated(AcApDocument* doc) {}
    virtual void documentToBeDeactivated(AcApDocument* doc) {}
    virtual void documentActivated(AcApDocument* doc) {}
    virtual void documentActivationModified(bool bActivation) {}
};

// Walks the documents open when it was made, in the order they were opened. The caller
// deletes it; it must not outlive a document it has not yet reached.
class AcApDocumentIterator : public AcRxObject {
  public:
    ACRX_DECLARE_MEMBERS(AcApDocumentIterator);

    virtual bool done() const = 0;
    virtual void step() = 0;
    virtual AcApDocument* document() = 0;
};

class AcApDocManager : public AcRxObject {
  public:
    ACRX_DECLARE_MEMBERS(AcApDocManager);

    // The document commands and messages work on; null when none is open.
    virtual AcApDocument* curDocument() const = 0;
    // The document shown to the user; here always the current one.
    virtual AcApDocument* mdiActiveDocument() const = 0;
    // The document that owns db, or null (also for a database without a document).
    virtual AcApDocument* document(const AcDbDatabase* db) const = 0;
    virtual int documentCount() const = 0;
    virtual AcApDocumentIterator* newAcApDocumentIterator() = 0;

    // A reactor is told about every document from now on, until removed. Adding one twice
    // adds it once; removing one that is not there does nothing. Reactors may add or remove
    // reactors while being notified.
    virtual void addReactor(AcApDocManagerReactor* reactor) = 0;
    virtual void removeReactor(AcApDocManagerReactor* reactor) = 0;
};

// The host's document manager; null once the host has torn it down at shutdown.
AcApDocManager* acDocManagerPtr();
#define acDocManager acDocManagerPtr()
