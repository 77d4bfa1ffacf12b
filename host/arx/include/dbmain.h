// The drawing database: object ids and handles, database objects and entities, opening and
// closing objects by id, and the database itself (read from and saved to drawing files).
//
// Ownership: the database owns every object in it. An object is reached through its id, opened
// with acdbOpenObject (or a table/iterator getter) and must be closed with close(); the pointer
// is only valid between open and close. Objects created with new belong to the caller until they
// are added to a database (appendAcDbEntity, a symbol table's add, appendAttribute); from then
// on the caller closes them instead of deleting them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "AdAChar.h"
#include "acadstrc.h"
#include "acarray.h"
#include "adesk.h"
#include "adsdef.h"
#include "dbextents.h"
#include "gepnt3d.h"
#include "gescl3d.h"
#include "rxobject.h"

class AcDbDatabase;
class AcDbObject;
class AcDbEntity;
class AcDbBlockTable;
class AcDbLayerTable;
class AcDbTextStyleTable;
class AcDbLinetypeTable;
class AcDbViewTable;
class AcDbUCSTable;
class AcDbViewportTable;
class AcDbRegAppTable;
class AcDbDimStyleTable;
class AcDbSymbolTable;
struct SecurityParams;

namespace cadhost {
class DbStub;
class DbObjectState;
struct DbAccess;
}  // namespace cadhost

namespace AcDb {
enum OpenMode { kForRead = 0, kForWrite = 1, kForNotify = 2 };
enum Visibility { kVisible = 0, kInvisible = 1 };

// Drawing file format versions. Files are DXF here; the DXF versions R2000 (AC1015) to R2018
// (AC1032) correspond to kDHL_1015 ... kDHL_1032.
enum AcDbDwgVersion {
    kDHL_MC0_0 = 0,
    kDHL_AC1_2 = 1,
    kDHL_AC1_50 = 2,
    kDHL_AC2_20 = 3,
    kDHL_AC2_10 = 4,
    kDHL_AC2_21 = 5,
    kDHL_AC2_22 = 6,
    kDHL_1001 = 7,
    kDHL_1002 = 8,
    kDHL_1003 = 9,
    kDHL_1004 = 10,
    kDHL_1005 = 11,
    kDHL_1006 = 12,
    kDHL_1007 = 13,
    kDHL_1008 = 14,
    kDHL_1009 = 15,
    kDHL_1010 = 16,
    kDHL_1011 = 17,
    kDHL_1012 = 18,
    kDHL_1013 = 19,
    kDHL_1014 = 20,
    kDHL_1500 = 21,
    kDHL_1015 = 23,
    kDHL_1800a = 24,
    kDHL_1800 = 25,
    kDHL_2100a = 26,
    kDHL_1021 = 27,
    kDHL_2400a = 28,
    kDHL_1024 = 29,
    kDHL_2700a = 30,
    kDHL_1027 = 31,
    kDHL_3200a = 32,
    kDHL_1032 = 33,
    kDHL_CURRENT = kDHL_1032,
    kDHL_Unknown = 32766,
    kDHL_Max = 32767,
};
}  // namespace AcDb

// A database handle: a 64-bit number, unique within one database, written as upper-case hex.
class AcDbHandle {
public:
    AcDbHandle() = default;
    AcDbHandle(std::uint64_t value) : m_value(value) {}
    // Parses hex text; text that is not hex gives the null handle.
    explicit AcDbHandle(const ACHAR* hexText);
    explicit AcDbHandle(const char* hexText);

    bool isNull() const { return m_value == 0; }
    void setNull() { m_value = 0; }
    std::uint64_t value() const { return m_value; }
    Adesk::UInt32 low() const { return static_cast<Adesk::UInt32>(m_value); }
    Adesk::UInt32 high() const { return static_cast<Adesk::UInt32>(m_value >> 32); }
    AcDbHandle& operator++() {
        ++m_value;
        return *this;
    }
    AcDbHandle operator+(const AcDbHandle& o) const { return AcDbHandle(m_value + o.m_value); }
    bool operator==(const AcDbHandle& o) const { return m_value == o.m_value; }
    bool operator!=(const AcDbHandle& o) const { return m_value != o.m_value; }
    bool operator<(const AcDbHandle& o) const { return m_value < o.m_value; }
    bool operator>(const AcDbHandle& o) const { return m_value > o.m_value; }
    // Writes the handle as upper-case hex (no leading zeros) into buf; false when it does not fit.
    bool getIntoAsciiBuffer(ACHAR* buf, std::size_t bufLen) const;
    bool getIntoAsciiBuffer(char* buf, std::size_t bufLen) const;

private:
    std::uint64_t m_value = 0;
};

// The id of an object in a loaded database. Cheap to copy, comparable and hashable; the null id
// names nothing. An id stays meaningful while its database lives.
class AcDbObjectId {
public:
    AcDbObjectId() = default;

    bool isNull() const { return m_stub == nullptr; }
    void setNull() { m_stub = nullptr; }
    // Non-null and belonging to a database.
    bool isValid() const;
    bool isErased() const;
    bool isEffectivelyErased() const { return isErased(); }
    AcDbHandle handle() const;
    AcDbDatabase* database() const;
    AcDbDatabase* originalDatabase() const { return database(); }
    // The class of the object behind the id (null for the null id).
    AcRxClass* objectClass() const;

    bool operator==(const AcDbObjectId& o) const { return m_stub == o.m_stub; }
    bool operator!=(const AcDbObjectId& o) const { return m_stub != o.m_stub; }
    bool operator<(const AcDbObjectId& o) const { return std::less<const void*>()(m_stub, o.m_stub); }
    bool operator>(const AcDbObjectId& o) const { return o < *this; }
    bool operator<=(const AcDbObjectId& o) const { return !(o < *this); }
    bool operator>=(const AcDbObjectId& o) const { return !(*this < o); }
    explicit operator bool() const = delete;

    static const AcDbObjectId kNull;

    // Host-internal: the id's stub.
    cadhost::DbStub* stub() const { return m_stub; }
    static AcDbObjectId fromStub(cadhost::DbStub* stub) {
        AcDbObjectId id;
        id.m_stub = stub;
        return id;
    }

private:
    cadhost::DbStub* m_stub = nullptr;
};

inline const AcDbObjectId AcDbObjectId::kNull{};

template <>
struct std::hash<AcDbObjectId> {
    std::size_t operator()(const AcDbObjectId& id) const noexcept {
        return std::hash<const void*>()(id.stub());
    }
};

typedef AcArray<AcDbObjectId> AcDbObjectIdArray;

// Every object of a drawing. Typed objects derive from it; objects of types the host does not
// model are still opened as AcDbObject (or AcDbEntity for graphical ones) and keep all their data.
class AcDbObject : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbObject);
    ~AcDbObject() override;
    AcDbObject(const AcDbObject&) = delete;
    AcDbObject& operator=(const AcDbObject&) = delete;

    AcDbObjectId objectId() const;
    AcDbObjectId ownerId() const;
    Acad::ErrorStatus setOwnerId(AcDbObjectId ownerId);
    void getAcDbHandle(AcDbHandle& handle) const;
    AcDbHandle handle() const;
    AcDbDatabase* database() const;
    AcDbObjectId extensionDictionary() const;

    // Ends this opening. A database-resident object must not be used after its last close.
    // A never-added object cannot be closed (eNotInDatabase); delete it instead.
    Acad::ErrorStatus close();
    // From read to write: fails with eHadMultipleReaders when others hold it open for read.
    Acad::ErrorStatus upgradeOpen();
    Acad::ErrorStatus downgradeOpen();
    bool isReadEnabled() const;
    bool isWriteEnabled() const;
    bool isNotifyEnabled() const { return false; }
    void assertReadEnabled() const;
    void assertWriteEnabled();
    bool isNewObject() const;
    bool isErased() const;
    // Erases (or with false, unerases) an object that is open for write.
    Acad::ErrorStatus erase(bool erasing = true);

    // The extended data of one registered application (a chain starting with its 1001 item),
    // or of all applications when regappName is null; null when there is none. The caller
    // owns the chain and frees it with acutRelRb.
    virtual resbuf* xData(const ACHAR* regappName = nullptr) const;
    // Replaces the extended data of each application named in the chain (1001 items); an
    // application given with no items after its name loses its data. Every application must be
    // registered (eRegappIdNotFound otherwise); the object must be open for write.
    virtual Acad::ErrorStatus setXData(const resbuf* xdata);

    // Host-internal state (tags, open state).
    cadhost::DbObjectState* state() const { return m_state; }

protected:
    // dxfType is the object's DXF type name (e.g. "INSERT"); new objects start from a template.
    explicit AcDbObject(const char* dxfType);

private:
    friend struct cadhost::DbAccess;
    cadhost::DbObjectState* m_state;
};

// A graphical object: owned by a block table record, on a layer, visible or not.
class AcDbEntity : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbEntity);

    AcDbObjectId blockId() const;
    // The layer name as a new string (caller frees with acutDelString).
    ACHAR* layer() const;
    AcDbObjectId layerId() const;
    Acad::ErrorStatus setLayer(const ACHAR* newVal, bool doSubents = true);
    Acad::ErrorStatus setLayer(AcDbObjectId newVal, bool doSubents = true);
    AcDb::Visibility visibility() const;
    Acad::ErrorStatus setVisibility(AcDb::Visibility newVal, bool doSubents = true);
    virtual Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const;

protected:
    explicit AcDbEntity(const char* dxfType);
};

namespace cadhost {
// A position in a list of object ids: the common core of the host's iterators.
class IdWalk {
public:
    explicit IdWalk(AcDbObjectIdArray ids) : m_ids(static_cast<AcDbObjectIdArray&&>(ids)) {}
    // To the first id (forward) or the last, then past erased ones in that direction if asked.
    void start(bool forward, bool skipErased) {
        m_pos = forward ? 0 : m_ids.length() - 1;
        if (skipErased) skipErasedFrom(forward);
    }
    bool done() const { return m_pos < 0 || m_pos >= m_ids.length(); }
    void move(bool forward, bool skipErased) {
        m_pos += forward ? 1 : -1;
        if (skipErased) skipErasedFrom(forward);
    }
    // The id at the position; only while !done().
    AcDbObjectId current() const { return m_ids[m_pos]; }
    // To the position of id; false (position unchanged) when the list lacks it.
    bool seek(AcDbObjectId id) {
        int i = m_ids.find(id);
        if (i < 0) return false;
        m_pos = i;
        return true;
    }

private:
    void skipErasedFrom(bool forward) {
        while (!done() && m_ids[m_pos].isErased()) m_pos += forward ? 1 : -1;
    }

    AcDbObjectIdArray m_ids;
    int m_pos = 0;
};
}  // namespace cadhost

// Iterates the sub-objects of a complex entity (the attributes of a block reference).
class AcDbObjectIterator {
public:
    virtual ~AcDbObjectIterator() = default;
    void start(bool atEnd = false);
    bool done() const;
    void step(bool backwards = false, bool skipErasedObjects = true);
    AcDbObjectId objectId() const;
    // Always null here: open objectId() instead.
    AcDbEntity* entity() { return nullptr; }
    void setPosition(AcDbObjectId id);

    // Host-internal: iterate these ids.
    explicit AcDbObjectIterator(AcDbObjectIdArray ids) : m_walk(static_cast<AcDbObjectIdArray&&>(ids)) {}

private:
    cadhost::IdWalk m_walk;
};

class AcDbDatabase : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbDatabase);

    // How readDwgFile shares the file with other programs.
    enum OpenMode {
        kForReadAndReadShare = 1,
        kForReadAndWriteNoShare = 2,
        kForReadAndAllShare = 3,
        kTryForReadShare = 4,
    };

    // buildDefaultDrawing: start with a complete empty drawing (tables, model and paper space,
    // layouts); false gives an empty database meant for readDwgFile.
    explicit AcDbDatabase(bool buildDefaultDrawing = true, bool noDocument = false);
    ~AcDbDatabase() override;
    AcDbDatabase(const AcDbDatabase&) = delete;
    AcDbDatabase& operator=(const AcDbDatabase&) = delete;

    // Reads a drawing file (ASCII DXF R2000..R2018) into an empty database. A missing file gives
    // eFileNotFound, an unreadable one eFileAccessErr, a DWG, binary DXF or older DXF
    // eUnsupportedFileFormat / eObsoleteFileFormat, a damaged file eBadDxfFile (and friends);
    // the reason, naming the file, is kept for lastErrorText(). On failure the database stays
    // empty.
    Acad::ErrorStatus readDwgFile(const ACHAR* fileName, OpenMode openMode = kForReadAndWriteNoShare,
                                  bool bAllowCPConversion = false, const wchar_t* wszPassword = nullptr);
    Acad::ErrorStatus readDwgFile(const ACHAR* fileName, int shareMode, bool bAllowCPConversion = false,
                                  const wchar_t* wszPassword = nullptr);

    // Saves to fileName: a complete new file is written beside it, synced and renamed into
    // place. With bBakAndRename the previous file is kept as NAME.bak (the extension replaced).
    // The drawing keeps the version it was read in (R2018 for a new drawing) whatever dwgVer
    // says. A save that would not change a byte of an existing file leaves it alone. Statuses:
    // eFileNotFound for a missing folder, eFileAccessErr for a folder that cannot be written or
    // a read-only file, eOutOfDisk, eFileSystemErr; the reason is kept for lastErrorText(). On
    // failure the old file (and an old backup) are as they were. Objects open for write are
    // saved as they stand.
    Acad::ErrorStatus saveAs(const ACHAR* fileName, bool bBakAndRename, AcDb::AcDbDwgVersion dwgVer = AcDb::kDHL_CURRENT,
                             const SecurityParams* pSecParams = nullptr);
    Acad::ErrorStatus saveAs(const ACHAR* fileName, const SecurityParams* pSecParams = nullptr);

    // The file the database was read from or last saved to (empty for a new one). The text is
    // owned by the database.
    Acad::ErrorStatus getFilename(const ACHAR*& name) const;
    // The reason of the last failed read or save, naming the file (empty after success).
    const ACHAR* lastErrorText() const;

    Acad::ErrorStatus getBlockTable(AcDbBlockTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getLayerTable(AcDbLayerTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getTextStyleTable(AcDbTextStyleTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getLinetypeTable(AcDbLinetypeTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getViewTable(AcDbViewTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getUCSTable(AcDbUCSTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getViewportTable(AcDbViewportTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getRegAppTable(AcDbRegAppTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getDimStyleTable(AcDbDimStyleTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getSymbolTable(AcDbBlockTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead) { return getBlockTable(pTable, mode); }
    Acad::ErrorStatus getSymbolTable(AcDbLayerTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead) { return getLayerTable(pTable, mode); }
    Acad::ErrorStatus getSymbolTable(AcDbTextStyleTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead) { return getTextStyleTable(pTable, mode); }
    Acad::ErrorStatus getSymbolTable(AcDbLinetypeTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead) { return getLinetypeTable(pTable, mode); }
    Acad::ErrorStatus getSymbolTable(AcDbViewTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead) { return getViewTable(pTable, mode); }
    Acad::ErrorStatus getSymbolTable(AcDbUCSTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead) { return getUCSTable(pTable, mode); }
    Acad::ErrorStatus getSymbolTable(AcDbViewportTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead) { return getViewportTable(pTable, mode); }
    Acad::ErrorStatus getSymbolTable(AcDbRegAppTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead) { return getRegAppTable(pTable, mode); }
    Acad::ErrorStatus getSymbolTable(AcDbDimStyleTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead) { return getDimStyleTable(pTable, mode); }

    AcDbObjectId blockTableId() const;
    AcDbObjectId layerTableId() const;
    AcDbObjectId textStyleTableId() const;
    AcDbObjectId linetypeTableId() const;
    AcDbObjectId viewTableId() const;
    AcDbObjectId UCSTableId() const;
    AcDbObjectId viewportTableId() const;
    AcDbObjectId regAppTableId() const;
    AcDbObjectId dimStyleTableId() const;
    AcDbObjectId layerZero() const;
    AcDbObjectId namedObjectsDictionaryId() const;
    AcDbObjectId layoutDictionaryId() const;

    // $TILEMODE: true when the model layout is the active one.
    bool tilemode() const;
    // The next handle that a new object will get ($HANDSEED as it will be saved).
    AcDbHandle handseed() const;
    // The version the drawing was read in (kDHL_1032 for a new one); saves keep it.
    AcDb::AcDbDwgVersion originalFileVersion() const;
    // Finds the id of a handle; eUnknownHandle when no object has it (createIfNotFound is ignored).
    Acad::ErrorStatus getAcDbObjectId(AcDbObjectId& retId, bool createIfNotFound, const AcDbHandle& objHandle,
                                      Adesk::UInt32 xRefId = 0);
    // Objects are added through their owners here (tables, block records, references);
    // this answers eNotImplementedYet.
    Acad::ErrorStatus addAcDbObject(AcDbObjectId& id, AcDbObject* pObj);
    Adesk::Int32 approxNumObjects() const;

    // Host-internal state.
    class Impl;
    Impl* impl() const { return m_impl; }

private:
    Impl* m_impl;
};

// Opens the object behind id. Statuses: eNullObjectId for the null id, eWasErased for an erased
// object (unless openErased), eWasOpenForWrite when it is open for write, eWasOpenForRead when a
// write is asked while it is open for read, eUnknownHandle / eInvalidObjectId for an id of a
// gone object. On failure pObj is null.
Acad::ErrorStatus acdbOpenObject(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode, bool openErased = false);
Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode, bool openErased = false);
// As acdbOpenObject; eNotAnEntity when the object is not an entity.
Acad::ErrorStatus acdbOpenAcDbEntity(AcDbEntity*& pEnt, AcDbObjectId id, AcDb::OpenMode mode, bool openErased = false);

namespace cadhost {
// acdbOpenObject that refuses an object of another class than `wanted` (eNotThatKindOfClass)
// before building it.
Acad::ErrorStatus openObjectOfClass(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode, bool openErased,
                                    const AcRxClass* wanted);
}  // namespace cadhost

// Typed open: eNotThatKindOfClass (and nothing left open) when the object is not a T.
template <class T>
inline Acad::ErrorStatus acdbOpenObject(T*& pObj, AcDbObjectId id, AcDb::OpenMode mode = AcDb::kForRead,
                                        bool openErased = false) {
    pObj = nullptr;
    AcDbObject* p = nullptr;
    Acad::ErrorStatus es = cadhost::openObjectOfClass(p, id, mode, openErased, T::desc());
    if (es != Acad::eOk) return es;
    pObj = T::cast(p);
    if (pObj == nullptr) {
        p->close();
        return Acad::eNotThatKindOfClass;
    }
    return Acad::eOk;
}

// Registers an application name in the working database's APPID table (nothing when it is
// there already). RTNORM on success, RTERROR without a working database or for an invalid name.
int acdbRegApp(const ACHAR* appName);
