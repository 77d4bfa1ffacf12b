// Symbol tables, their records and iterators; adding records (with the BLOCK and ENDBLK of a
// new block record).
#include <cstdlib>

#include "acutmem.h"
#include "db_internal.h"
#include "dxf/tag_scan.h"
#include "dbsymtb.h"

using cadhost::DbAccess;
using cadhost::DbObjectState;
using cadhost::DbStub;
namespace db = cadhost::db;
namespace dxf = cadhost::dxf;
using cadhost::testing::DbCall;

ACRX_DEFINE_MEMBERS(AcDbSymbolTable, AcDbObject)
ACRX_DEFINE_MEMBERS(AcDbSymbolTableRecord, AcDbObject)

namespace {

// Record templates; handles and owners are filled in when a record is added.
const char* recordTemplate(const std::string& type) {
    if (type == "BLOCK_RECORD")
        return "  0\nBLOCK_RECORD\n  5\n0\n330\n0\n100\nAcDbSymbolTableRecord\n100\nAcDbBlockTableRecord\n  2\n\n"
               " 70\n0\n280\n1\n281\n0\n";
    if (type == "LAYER")
        return "  0\nLAYER\n  5\n0\n330\n0\n100\nAcDbSymbolTableRecord\n100\nAcDbLayerTableRecord\n  2\n\n 70\n0\n"
               " 62\n7\n  6\nContinuous\n370\n-3\n";
    if (type == "STYLE")
        return "  0\nSTYLE\n  5\n0\n330\n0\n100\nAcDbSymbolTableRecord\n100\nAcDbTextStyleTableRecord\n  2\n\n 70\n0\n"
               " 40\n0.0\n 41\n1.0\n 50\n0.0\n 71\n0\n 42\n2.5\n  3\ntxt\n  4\n\n";
    if (type == "LTYPE")
        return "  0\nLTYPE\n  5\n0\n330\n0\n100\nAcDbSymbolTableRecord\n100\nAcDbLinetypeTableRecord\n  2\n\n 70\n0\n"
               "  3\n\n 72\n65\n 73\n0\n 40\n0.0\n";
    if (type == "APPID")
        return "  0\nAPPID\n  5\n0\n330\n0\n100\nAcDbSymbolTableRecord\n100\nAcDbRegAppTableRecord\n  2\n\n 70\n0\n";
    if (type == "DIMSTYLE")
        return "  0\nDIMSTYLE\n105\n0\n330\n0\n100\nAcDbSymbolTableRecord\n100\nAcDbDimStyleTableRecord\n  2\n\n 70\n0\n";
    if (type == "VIEW")
        return "  0\nVIEW\n  5\n0\n330\n0\n100\nAcDbSymbolTableRecord\n100\nAcDbViewTableRecord\n  2\n\n 70\n0\n"
               " 40\n1.0\n 10\n0.0\n 20\n0.0\n 41\n1.0\n 11\n0.0\n 21\n0.0\n 31\n1.0\n 12\n0.0\n 22\n0.0\n 32\n0.0\n"
               " 42\n50.0\n 43\n0.0\n 44\n0.0\n 50\n0.0\n 71\n0\n281\n0\n 72\n0\n";
    if (type == "UCS")
        return "  0\nUCS\n  5\n0\n330\n0\n100\nAcDbSymbolTableRecord\n100\nAcDbUCSTableRecord\n  2\n\n 70\n0\n"
               " 10\n0.0\n 20\n0.0\n 30\n0.0\n 11\n1.0\n 21\n0.0\n 31\n0.0\n 12\n0.0\n 22\n1.0\n 32\n0.0\n 79\n0\n146\n0.0\n";
    if (type == "VPORT")
        return "  0\nVPORT\n  5\n0\n330\n0\n100\nAcDbSymbolTableRecord\n100\nAcDbViewportTableRecord\n  2\n\n 70\n0\n"
               " 10\n0.0\n 20\n0.0\n 11\n1.0\n 21\n1.0\n 12\n0.0\n 22\n0.0\n 13\n0.0\n 23\n0.0\n 14\n10.0\n 24\n10.0\n"
               " 15\n10.0\n 25\n10.0\n 16\n0.0\n 26\n0.0\n 36\n1.0\n 17\n0.0\n 27\n0.0\n 37\n0.0\n 40\n1000.0\n 41\n1.34\n"
               " 42\n50.0\n 43\n0.0\n 44\n0.0\n 50\n0.0\n 51\n0.0\n 71\n0\n 72\n100\n 73\n1\n 74\n3\n 75\n0\n 76\n0\n"
               " 77\n0\n 78\n0\n";
    return "";
}

db::TableKind kindOfRecordType(const std::string& type) {
    for (int k = 0; k < db::kTableCount; ++k)
        if (type == db::tableName(static_cast<db::TableKind>(k))) return static_cast<db::TableKind>(k);
    return db::kTableCount;
}


}  // namespace

namespace cadhost::db {

void bindNew(AcDbObject* obj, AcDbDatabase::Impl& d, DbStub& r) {
    DbObjectState* st = DbAccess::state(obj);
    st->stub = &r;
    st->db = &d;
    st->write = true;
    r.openObject = obj;
    r.writer = true;
    r.readers = 0;
    ++d.openCount;
}

// Adds the BLOCK and ENDBLK of a new block record at the end of the BLOCKS section.
void addBlockEntities(AcDbDatabase::Impl& d, DbStub& btr, const std::string& rawName, const std::string& rawPath) {
    if (!d.blocksEnd) return;
    bool paper = upperAscii(rawName).rfind("*PAPER_SPACE", 0) == 0;
    bool anonymous = !rawName.empty() && rawName[0] == '*' && !paper && upperAscii(rawName) != "*MODEL_SPACE";
    int flags = (anonymous ? 1 : 0) | (rawPath.empty() ? 0 : 4);
    const dxf::TagFormat& f = d.file->format();
    dxf::TagList t;
    std::string owner = formatHandle(btr.handle);
    std::uint64_t bh = d.allocateHandle();
    std::string blockText = "  0\nBLOCK\n  5\n" + formatHandle(bh) + "\n330\n" + owner + "\n100\nAcDbEntity\n" +
                            (paper ? " 67\n1\n" : "") + "  8\n0\n100\nAcDbBlockBegin\n  2\n" + rawName + "\n 70\n" +
                            formatInt(flags, f) + "\n 10\n0.0\n 20\n0.0\n 30\n0.0\n  3\n" + rawName + "\n  1\n" + rawPath + "\n";
    t.parse(blockText);
    DbStub& block = d.addRecord(*d.blocksEnd, "BLOCK", d.render(t), dxf::Section::kBlocks, bh);
    block.owner = btr.handle;
    std::uint64_t eh = d.allocateHandle();
    std::string endText = "  0\nENDBLK\n  5\n" + formatHandle(eh) + "\n330\n" + owner + "\n100\nAcDbEntity\n" +
                          (paper ? " 67\n1\n" : "") + "  8\n0\n100\nAcDbBlockEnd\n";
    t.parse(endText);
    DbStub& endblk = d.addRecord(*d.blocksEnd, "ENDBLK", d.render(t), dxf::Section::kBlocks, eh);
    endblk.owner = btr.handle;
    BlockInfo& info = d.blocks[&btr];
    info.block = &block;
    info.endblk = &endblk;
}

}  // namespace cadhost::db

// ---- tables ----

AcDbSymbolTable::AcDbSymbolTable(const char* dxfType) : AcDbObject(dxfType) {}

Acad::ErrorStatus AcDbSymbolTable::getIdAt(const ACHAR* entryName, AcDbObjectId& recordId, bool getErasedRecord) const {
    DbObjectState* st = state();
    if (!st->stub || !st->db) return Acad::eNotInDatabase;
    if (!entryName) return Acad::eInvalidInput;
    DbStub* r = st->db->findRecord(st->db->tableKindOf(st->stub), entryName, getErasedRecord);
    if (!r) return Acad::eKeyNotFound;
    recordId = AcDbObjectId::fromStub(r);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTable::getAt(const ACHAR* entryName, AcDbSymbolTableRecord*& pRec, AcDb::OpenMode mode,
                                         bool openErasedRec) const {
    pRec = nullptr;
    AcDbObjectId id;
    Acad::ErrorStatus es = getIdAt(entryName, id, openErasedRec);
    if (es != Acad::eOk) return es;
    return acdbOpenObject(pRec, id, mode, openErasedRec);
}

bool AcDbSymbolTable::has(const ACHAR* name) const {
    AcDbObjectId id;
    return getIdAt(name, id) == Acad::eOk;
}

bool AcDbSymbolTable::has(AcDbObjectId id) const {
    DbStub* s = id.stub();
    return s && state()->stub && !s->erased() && s->owner == state()->stub->handle && s->database == state()->stub->database;
}

Acad::ErrorStatus AcDbSymbolTable::recordIds(AcDbObjectIdArray& ids) const {
    Acad::ErrorStatus es;
    if (db::injectedFault(DbCall::kNewIterator, es)) return es;
    DbObjectState* st = state();
    if (!st->stub || !st->db) return Acad::eNotInDatabase;
    db::TableKind kind = st->db->tableKindOf(st->stub);
    if (kind < db::kTableCount) {
        ids.setPhysicalLength(static_cast<int>(st->db->tableRecords[kind].size()));
        for (DbStub* r : st->db->tableRecords[kind]) ids.append(AcDbObjectId::fromStub(r));
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTable::newIterator(AcDbSymbolTableIterator*& pIterator, bool atBeginning, bool skipDeleted) const {
    pIterator = nullptr;
    AcDbObjectIdArray ids;
    Acad::ErrorStatus es = recordIds(ids);
    if (es != Acad::eOk) return es;
    pIterator = new AcDbSymbolTableIterator(std::move(ids), atBeginning, skipDeleted);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTable::add(AcDbSymbolTableRecord* pRecord) {
    AcDbObjectId id;
    return add(id, pRecord);
}

Acad::ErrorStatus AcDbSymbolTable::add(AcDbObjectId& recordId, AcDbSymbolTableRecord* pRecord) {
    if (!pRecord) return Acad::eNullObjectPointer;
    DbObjectState* st = state();
    if (!st->stub || !st->db) return Acad::eNotInDatabase;
    if (!st->write) return Acad::eNotOpenForWrite;
    DbObjectState* rs = DbAccess::state(pRecord);
    if (rs->stub) return Acad::eAlreadyInDb;
    AcDbDatabase::Impl& d = *st->db;
    db::TableKind kind = d.tableKindOf(st->stub);
    if (kind == db::kTableCount || kindOfRecordType(rs->type) != kind || !d.tableEnds[kind]) return Acad::eInvalidInput;
    std::string rawName(dxf::trimBlanks(rs->valueIn("AcDbSymbolTableRecord", 2)));
    if (rawName.empty()) return Acad::eInvalidInput;
    if (d.findRecord(kind, rs->decode(rawName))) return Acad::eDuplicateRecordName;

    // The record's text is rendered in this file's format; its tags came from a template.
    rs->db = &d;
    dxf::TagList& t = rs->tags();
    std::uint64_t h = d.allocateHandle();
    int hi = t.find(kind == db::kDimstyle ? 105 : 5);
    if (hi >= 0) t.setValue(hi, db::formatHandle(h));
    int oi = t.find(330);
    if (oi >= 0) t.setValue(oi, db::formatHandle(st->stub->handle));
    std::string rawPath = rs->encode(rs->pendingPath);
    DbStub& r = d.addRecord(*d.tableEnds[kind], db::tableName(kind), d.render(t), dxf::Section::kTables, h);
    r.owner = st->stub->handle;
    d.tableRecords[kind].push_back(&r);
    if (d.namesBuilt[kind]) d.names[kind][db::upperWide(rs->decode(rawName))].push_back(&r);
    ++d.namesVersion;
    if (kind == db::kBlockRecord) db::addBlockEntities(d, r, rawName, rawPath);
    db::bindNew(pRecord, d, r);
    recordId = AcDbObjectId::fromStub(&r);
    return Acad::eOk;
}

// ---- records ----

AcDbSymbolTableRecord::AcDbSymbolTableRecord(const char* dxfType) : AcDbObject(dxfType) {
    state()->newTemplate = recordTemplate(dxfType);
}

Acad::ErrorStatus AcDbSymbolTableRecord::getName(const ACHAR*& pName) const {
    pName = nullptr;
    Acad::ErrorStatus es;
    if (db::injectedFault(DbCall::kGetName, es)) return es;
    DbObjectState* st = state();
    st->text[0] = st->decode(dxf::trimBlanks(st->valueIn("AcDbSymbolTableRecord", 2)));
    pName = st->text[0].c_str();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTableRecord::getName(ACHAR*& pName) const {
    pName = nullptr;
    const ACHAR* name = nullptr;
    Acad::ErrorStatus es = getName(name);
    if (es != Acad::eOk) return es;
    return acutNewString(name, pName);
}

Acad::ErrorStatus AcDbSymbolTableRecord::setName(const ACHAR* pName) {
    if (!pName || !*pName) return Acad::eInvalidInput;
    DbObjectState* st = state();
    if (!st->write) return Acad::eNotOpenForWrite;
    for (const ACHAR* p = pName; *p; ++p)
        if (*p < 0x20) return Acad::eInvalidSymbolTableName;
    std::string raw = st->encode(pName);
    if (st->stub && st->db) {
        AcDbDatabase::Impl& d = *st->db;
        DbStub* table = d.byHandle(st->stub->owner);
        db::TableKind kind = d.tableKindOf(table);
        DbStub* other = d.findRecord(kind, pName);
        if (other && other != st->stub) return Acad::eDuplicateRecordName;
        if (kind < db::kTableCount) d.namesBuilt[kind] = false;
        d.structureChanged();
        // A block's name is also written on its BLOCK entity.
        auto it = d.blocks.find(st->stub);
        if (it != d.blocks.end() && it->second.block) {
            dxf::TagList bt;
            bt.parse(d.file->objectText(*it->second.block));
            int s = bt.findSubclass("AcDbBlockBegin");
            int e = s < 0 ? -1 : bt.subclassEnd(s);
            for (int i = s + 1; s >= 0 && i < e; ++i)
                if (bt[i].code == 2 || bt[i].code == 3) bt.setValue(i, raw);
            if (bt.changed()) d.file->setObjectText(*it->second.block, bt.text());
        }
        d.insertIndexBuilt = false;
    }
    return st->setIn("AcDbSymbolTableRecord", 2, raw) ? Acad::eOk : Acad::eMissingDxfField;
}

bool AcDbSymbolTableRecord::isDependent() const {
    return state()->valueIn("AcDbSymbolTableRecord", 2).find('|') != std::string_view::npos;
}

bool AcDbSymbolTableRecord::isResolved() const {
    return (std::atoi(std::string(state()->valueIn("AcDbSymbolTableRecord", 70)).c_str()) & 32) != 0;
}

// ---- iterators ----

AcDbSymbolTableIterator::AcDbSymbolTableIterator(AcDbObjectIdArray ids, bool atBeginning, bool skipDeleted)
    : m_walk(std::move(ids)) {
    start(atBeginning, skipDeleted);
}

AcDbSymbolTableIterator::~AcDbSymbolTableIterator() = default;

void AcDbSymbolTableIterator::start(bool atBeginning, bool skipDeleted) { m_walk.start(atBeginning, skipDeleted); }

bool AcDbSymbolTableIterator::done() const { return m_walk.done(); }

void AcDbSymbolTableIterator::step(bool forward, bool skipDeleted) {
    if (!done()) m_walk.move(forward, skipDeleted);
}

Acad::ErrorStatus AcDbSymbolTableIterator::getRecordId(AcDbObjectId& id) const {
    if (done()) return Acad::eIteratorDone;
    id = m_walk.current();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTableIterator::getRecord(AcDbSymbolTableRecord*& pObject, AcDb::OpenMode mode, bool openErasedRec) const {
    pObject = nullptr;
    if (done()) return Acad::eIteratorDone;
    return acdbOpenObject(pObject, m_walk.current(), mode, openErasedRec);
}

Acad::ErrorStatus AcDbSymbolTableIterator::seek(AcDbObjectId id) {
    return m_walk.seek(id) ? Acad::eOk : Acad::eInvalidInput;
}

// ---- the typed tables ----

#define CADHOST_DEFINE_SYMBOL_TABLE(TABLE, RECORD, ITERATOR, KIND)                                            \
    ACRX_DEFINE_MEMBERS(TABLE, AcDbSymbolTable)                                                              \
    TABLE::TABLE() : AcDbSymbolTable("TABLE") {}                                                             \
    Acad::ErrorStatus TABLE::getAt(const ACHAR* entryName, RECORD*& pRec, AcDb::OpenMode openMode,           \
                                   bool openErasedRec) const {                                               \
        pRec = nullptr;                                                                                      \
        AcDbObjectId id;                                                                                     \
        Acad::ErrorStatus es = getIdAt(entryName, id, openErasedRec);                                        \
        if (es != Acad::eOk) return es;                                                                      \
        return acdbOpenObject(pRec, id, openMode, openErasedRec);                                            \
    }                                                                                                        \
    Acad::ErrorStatus TABLE::newIterator(ITERATOR*& pIterator, bool atBeginning, bool skipDeleted) const {   \
        pIterator = nullptr;                                                                                 \
        AcDbObjectIdArray ids;                                                                               \
        Acad::ErrorStatus es = recordIds(ids);                                                               \
        if (es != Acad::eOk) return es;                                                                      \
        pIterator = new ITERATOR(std::move(ids), atBeginning, skipDeleted);                                  \
        return Acad::eOk;                                                                                    \
    }                                                                                                        \
    Acad::ErrorStatus TABLE::add(RECORD* pRecord) { return AcDbSymbolTable::add(pRecord); }                  \
    Acad::ErrorStatus TABLE::add(AcDbObjectId& recordId, RECORD* pRecord) {                                  \
        return AcDbSymbolTable::add(recordId, pRecord);                                                      \
    }                                                                                                        \
    Acad::ErrorStatus ITERATOR::getRecord(RECORD*& pRecord, AcDb::OpenMode openMode, bool openErasedRec) const { \
        pRecord = nullptr;                                                                                   \
        AcDbObjectId id;                                                                                     \
        Acad::ErrorStatus es = getRecordId(id);                                                              \
        if (es != Acad::eOk) return es;                                                                      \
        return acdbOpenObject(pRecord, id, openMode, openErasedRec);                                         \
    }

CADHOST_DEFINE_SYMBOL_TABLE(AcDbBlockTable, AcDbBlockTableRecord, AcDbBlockTableIterator, kBlockRecord)
CADHOST_DEFINE_SYMBOL_TABLE(AcDbLayerTable, AcDbLayerTableRecord, AcDbLayerTableIterator, kLayer)
CADHOST_DEFINE_SYMBOL_TABLE(AcDbTextStyleTable, AcDbTextStyleTableRecord, AcDbTextStyleTableIterator, kStyle)
CADHOST_DEFINE_SYMBOL_TABLE(AcDbLinetypeTable, AcDbLinetypeTableRecord, AcDbLinetypeTableIterator, kLtype)
CADHOST_DEFINE_SYMBOL_TABLE(AcDbViewTable, AcDbViewTableRecord, AcDbViewTableIterator, kView)
CADHOST_DEFINE_SYMBOL_TABLE(AcDbUCSTable, AcDbUCSTableRecord, AcDbUCSTableIterator, kUcs)
CADHOST_DEFINE_SYMBOL_TABLE(AcDbViewportTable, AcDbViewportTableRecord, AcDbViewportTableIterator, kVport)
CADHOST_DEFINE_SYMBOL_TABLE(AcDbRegAppTable, AcDbRegAppTableRecord, AcDbRegAppTableIterator, kAppid)
CADHOST_DEFINE_SYMBOL_TABLE(AcDbDimStyleTable, AcDbDimStyleTableRecord, AcDbDimStyleTableIterator, kDimstyle)

#define CADHOST_DEFINE_SYMBOL_RECORD(RECORD, TYPE)      \
    ACRX_DEFINE_MEMBERS(RECORD, AcDbSymbolTableRecord) \
    RECORD::RECORD() : AcDbSymbolTableRecord(TYPE) {}

CADHOST_DEFINE_SYMBOL_RECORD(AcDbLayerTableRecord, "LAYER")
CADHOST_DEFINE_SYMBOL_RECORD(AcDbTextStyleTableRecord, "STYLE")
CADHOST_DEFINE_SYMBOL_RECORD(AcDbLinetypeTableRecord, "LTYPE")
CADHOST_DEFINE_SYMBOL_RECORD(AcDbViewTableRecord, "VIEW")
CADHOST_DEFINE_SYMBOL_RECORD(AcDbUCSTableRecord, "UCS")
CADHOST_DEFINE_SYMBOL_RECORD(AcDbViewportTableRecord, "VPORT")
CADHOST_DEFINE_SYMBOL_RECORD(AcDbRegAppTableRecord, "APPID")
CADHOST_DEFINE_SYMBOL_RECORD(AcDbDimStyleTableRecord, "DIMSTYLE")
