// Symbol tables (blocks, layers, text styles, linetypes, views, UCS, viewports, registered
// applications, dimension styles), their records and iterators, and block table records with
// their entities.
//
// Names are compared without regard to case, as the host does. Iterators are created by their
// table or record and deleted by the caller with delete; they see records in file order.
#pragma once

#include "dbmain.h"

class AcDbSymbolTableRecord;
class AcDbSymbolTableIterator;
class AcDbBlockTableRecord;
class AcDbBlockTableIterator;
class AcDbBlockTableRecordIterator;
class AcDbLayerTableRecord;
class AcDbTextStyleTableRecord;
class AcDbLinetypeTableRecord;
class AcDbViewTableRecord;
class AcDbUCSTableRecord;
class AcDbViewportTableRecord;
class AcDbRegAppTableRecord;
class AcDbDimStyleTableRecord;

class AcDbSymbolTable : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbSymbolTable);

    // Finds a record by name: eKeyNotFound when absent (or only erased, unless getErasedRecord).
    // id is left untouched on failure.
    Acad::ErrorStatus getIdAt(const ACHAR* entryName, AcDbObjectId& recordId, bool getErasedRecord = false) const;
    Acad::ErrorStatus getAt(const ACHAR* entryName, AcDbObjectId& recordId, bool getErasedRecord = false) const {
        return getIdAt(entryName, recordId, getErasedRecord);
    }
    Acad::ErrorStatus getAt(const ACHAR* entryName, AcDbSymbolTableRecord*& pRec, AcDb::OpenMode openMode,
                            bool openErasedRec = false) const;
    bool has(const ACHAR* name) const;
    bool has(AcDbObjectId id) const;
    Acad::ErrorStatus newIterator(AcDbSymbolTableIterator*& pIterator, bool atBeginning = true,
                                  bool skipDeleted = true) const;
    // Adds a new record (the table must be open for write): eDuplicateRecordName when the name is
    // taken, eInvalidInput for a record of another table, eAlreadyInDb for a resident record.
    Acad::ErrorStatus add(AcDbSymbolTableRecord* pRecord);
    Acad::ErrorStatus add(AcDbObjectId& recordId, AcDbSymbolTableRecord* pRecord);

protected:
    explicit AcDbSymbolTable(const char* dxfType);
    // The ids of all records in file order (erased ones included).
    Acad::ErrorStatus recordIds(AcDbObjectIdArray& ids) const;
};

class AcDbSymbolTableRecord : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbSymbolTableRecord);

    // The name as a new string (caller frees with acutDelString); null on failure.
    Acad::ErrorStatus getName(ACHAR*& pName) const;
    // The name as text owned by the open record (valid until close).
    Acad::ErrorStatus getName(const ACHAR*& pName) const;
    Acad::ErrorStatus setName(const ACHAR* pName);
    bool isDependent() const;
    bool isResolved() const;

protected:
    explicit AcDbSymbolTableRecord(const char* dxfType);
};

class AcDbSymbolTableIterator {
public:
    virtual ~AcDbSymbolTableIterator();
    void start(bool atBeginning = true, bool skipDeleted = true);
    bool done() const;
    void step(bool forward = true, bool skipDeleted = true);
    Acad::ErrorStatus getRecordId(AcDbObjectId& id) const;
    Acad::ErrorStatus getRecord(AcDbSymbolTableRecord*& pRecord, AcDb::OpenMode openMode = AcDb::kForRead,
                                bool openErasedRec = false) const;
    Acad::ErrorStatus seek(AcDbObjectId id);

    // Host-internal: a walk over these record ids.
    AcDbSymbolTableIterator(AcDbObjectIdArray ids, bool atBeginning, bool skipDeleted);

private:
    cadhost::IdWalk m_walk;
};

// One typed table, its record type and iterator type. The macro keeps the nine tables alike.
#define CADHOST_DECLARE_SYMBOL_TABLE(TABLE, RECORD, ITERATOR)                                          \
    class ITERATOR : public AcDbSymbolTableIterator {                                                   \
    public:                                                                                             \
        using AcDbSymbolTableIterator::AcDbSymbolTableIterator;                                         \
        using AcDbSymbolTableIterator::getRecord;                                                       \
        Acad::ErrorStatus getRecord(RECORD*& pRecord, AcDb::OpenMode openMode = AcDb::kForRead,         \
                                    bool openErasedRec = false) const;                                  \
    };                                                                                                  \
    class TABLE : public AcDbSymbolTable {                                                              \
    public:                                                                                             \
        ACRX_DECLARE_MEMBERS(TABLE);                                                                    \
        TABLE();                                                                                        \
        using AcDbSymbolTable::getAt;                                                                   \
        using AcDbSymbolTable::newIterator;                                                             \
        using AcDbSymbolTable::add;                                                                     \
        Acad::ErrorStatus getAt(const ACHAR* entryName, RECORD*& pRec, AcDb::OpenMode openMode,         \
                                bool openErasedRec = false) const;                                      \
        Acad::ErrorStatus newIterator(ITERATOR*& pIterator, bool atBeginning = true,                    \
                                      bool skipDeleted = true) const;                                   \
        Acad::ErrorStatus add(RECORD* pRecord);                                                         \
        Acad::ErrorStatus add(AcDbObjectId& recordId, RECORD* pRecord);                                 \
    };

CADHOST_DECLARE_SYMBOL_TABLE(AcDbBlockTable, AcDbBlockTableRecord, AcDbBlockTableIterator)
CADHOST_DECLARE_SYMBOL_TABLE(AcDbLayerTable, AcDbLayerTableRecord, AcDbLayerTableIterator)
CADHOST_DECLARE_SYMBOL_TABLE(AcDbTextStyleTable, AcDbTextStyleTableRecord, AcDbTextStyleTableIterator)
CADHOST_DECLARE_SYMBOL_TABLE(AcDbLinetypeTable, AcDbLinetypeTableRecord, AcDbLinetypeTableIterator)
CADHOST_DECLARE_SYMBOL_TABLE(AcDbViewTable, AcDbViewTableRecord, AcDbViewTableIterator)
CADHOST_DECLARE_SYMBOL_TABLE(AcDbUCSTable, AcDbUCSTableRecord, AcDbUCSTableIterator)
CADHOST_DECLARE_SYMBOL_TABLE(AcDbViewportTable, AcDbViewportTableRecord, AcDbViewportTableIterator)
CADHOST_DECLARE_SYMBOL_TABLE(AcDbRegAppTable, AcDbRegAppTableRecord, AcDbRegAppTableIterator)
CADHOST_DECLARE_SYMBOL_TABLE(AcDbDimStyleTable, AcDbDimStyleTableRecord, AcDbDimStyleTableIterator)

#define CADHOST_DECLARE_SYMBOL_RECORD(RECORD)     \
    class RECORD : public AcDbSymbolTableRecord { \
    public:                                       \
        ACRX_DECLARE_MEMBERS(RECORD);             \
        RECORD();                                 \
    };

CADHOST_DECLARE_SYMBOL_RECORD(AcDbLayerTableRecord)
CADHOST_DECLARE_SYMBOL_RECORD(AcDbTextStyleTableRecord)
CADHOST_DECLARE_SYMBOL_RECORD(AcDbLinetypeTableRecord)
CADHOST_DECLARE_SYMBOL_RECORD(AcDbViewTableRecord)
CADHOST_DECLARE_SYMBOL_RECORD(AcDbUCSTableRecord)
CADHOST_DECLARE_SYMBOL_RECORD(AcDbViewportTableRecord)
CADHOST_DECLARE_SYMBOL_RECORD(AcDbRegAppTableRecord)
CADHOST_DECLARE_SYMBOL_RECORD(AcDbDimStyleTableRecord)

// A block definition: model space, a paper space layout, a plain block, an anonymous block or an
// external reference. Its entities are reached with newIterator.
class AcDbBlockTableRecord : public AcDbSymbolTableRecord {
public:
    ACRX_DECLARE_MEMBERS(AcDbBlockTableRecord);
    AcDbBlockTableRecord();

    bool isLayout() const;
    bool isAnonymous() const;
    // True when the block holds attribute definitions.
    bool hasAttributeDefinitions() const;
    bool isFromExternalReference() const;
    bool isFromOverlayReference() const;
    // The layout of a layout block (null id otherwise).
    AcDbObjectId getLayoutId() const;
    Acad::ErrorStatus setLayoutId(AcDbObjectId layoutId);
    AcGePoint3d origin() const;
    Acad::ErrorStatus setOrigin(const AcGePoint3d& origin);

    // The stored path of an external reference (empty for other blocks). The const form hands out
    // text owned by the open record; the other a new string (acutDelString).
    Acad::ErrorStatus pathName(const ACHAR*& pPath) const;
    Acad::ErrorStatus pathName(ACHAR*& pPath) const;
    // Stores a new path (record open for write).
    Acad::ErrorStatus setPathName(const ACHAR* pathStr);

    // The block references of this block, in file order. bDirectOnly: references anywhere
    // in the drawing that name this block directly (nesting is never followed here).
    // bForceValidity is accepted and ignored. ids is appended to.
    Acad::ErrorStatus getBlockReferenceIds(AcDbObjectIdArray& ids, bool bDirectOnly = true,
                                           bool bForceValidity = false) const;

    Acad::ErrorStatus newIterator(AcDbBlockTableRecordIterator*& pIterator, bool atBeginning = true,
                                  bool skipDeleted = true) const;
    // Adds a new entity at the end (record open for write, entity not yet in a database).
    Acad::ErrorStatus appendAcDbEntity(AcDbEntity* pEntity);
    Acad::ErrorStatus appendAcDbEntity(AcDbObjectId& pOutputId, AcDbEntity* pEntity);
};

class AcDbBlockTableRecordIterator {
public:
    virtual ~AcDbBlockTableRecordIterator();
    void start(bool atBeginning = true, bool skipDeleted = true);
    bool done() const;
    void step(bool forward = true, bool skipDeleted = true);
    Acad::ErrorStatus getEntityId(AcDbObjectId& entityId) const;
    Acad::ErrorStatus getEntity(AcDbEntity*& pEntity, AcDb::OpenMode openMode = AcDb::kForRead,
                                bool openErasedEntity = false) const;
    Acad::ErrorStatus seek(AcDbObjectId id);

    // Host-internal: a walk over these entity ids.
    AcDbBlockTableRecordIterator(AcDbObjectIdArray ids, bool atBeginning, bool skipDeleted);

private:
    cadhost::IdWalk m_walk;
};
