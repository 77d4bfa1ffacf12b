// Block table records: what a block is (layout, anonymous, xref, with attribute definitions),
// its stored xref path, its entities and the references that insert it.
#include <algorithm>
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

namespace {

db::BlockInfo* infoOf(const DbObjectState* st) {
    if (!st->stub || !st->db) return nullptr;
    auto it = st->db->blocks.find(st->stub);
    return it == st->db->blocks.end() ? nullptr : &it->second;
}

// A layout's block record by its name alone, for files whose layouts do not name it.
bool hasLayoutName(const DbObjectState* st) {
    std::wstring name = db::upperWide(st->decode(dxf::trimBlanks(st->valueIn("AcDbSymbolTableRecord", 2))));
    return name == L"*MODEL_SPACE" || name.rfind(L"*PAPER_SPACE", 0) == 0;
}

}  // namespace

namespace cadhost::db {

bool editRecord(AcDbDatabase::Impl& d, DbStub* r, std::string_view marker, int code, std::string_view value) {
    if (!r) return false;
    if (r->openObject) return DbAccess::state(static_cast<AcDbObject*>(r->openObject))->setIn(marker, code, value);
    dxf::TagList t;
    std::string text(d.file->objectText(*r));
    t.parse(text);
    auto [first, end] = t.subclassSpan(marker);
    if (first < 0) return false;
    int i = t.find(code, first, end);
    if (i >= 0) t.setValue(i, value);
    else t.insert(end, code, value, d.file->format());
    if (t.changed()) {
        d.file->setObjectText(*r, t.text());
        d.recordEdited(r);
    }
    return true;
}

Acad::ErrorStatus addEntity(AcDbDatabase::Impl& d, AcDbEntity* entity, DbStub& before, std::uint64_t ownerHandle,
                            bool paper, dxf::Section section, DbStub*& added) {
    DbObjectState* es = DbAccess::state(entity);
    es->db = &d;
    dxf::TagList& t = es->tags();
    std::uint64_t h = d.allocateHandle();
    int hi = t.find(5);
    if (hi >= 0) t.setValue(hi, formatHandle(h));
    int oi = t.find(330);
    if (oi >= 0) t.setValue(oi, formatHandle(ownerHandle));
    int s = t.findSubclass("AcDbEntity");
    if (paper && s >= 0 && t.find(67, s + 1, t.subclassEnd(s)) < 0) t.insert(s + 1, 67, formatInt(1, d.file->format()), d.file->format());
    DbStub& r = d.addRecord(before, es->type, d.render(t), section, h);
    r.owner = ownerHandle;
    bindNew(entity, d, r);
    added = &r;
    return Acad::eOk;
}

}  // namespace cadhost::db

ACRX_DEFINE_MEMBERS(AcDbBlockTableRecord, AcDbSymbolTableRecord)

AcDbBlockTableRecord::AcDbBlockTableRecord() : AcDbSymbolTableRecord("BLOCK_RECORD") {}

bool AcDbBlockTableRecord::isLayout() const {
    const DbObjectState* st = state();
    db::BlockInfo* info = infoOf(st);
    // An object that split its text may hold a name or layout link not yet written back.
    if (!info || st->parsed()) return !getLayoutId().isNull() || hasLayoutName(st);
    if (!info->knows(db::BlockInfo::kLayoutKnown, st->db->namesVersion)) {
        info->layout = !getLayoutId().isNull() || hasLayoutName(st);
        info->factsKnown |= db::BlockInfo::kLayoutKnown;
    }
    return info->layout;
}

bool AcDbBlockTableRecord::isAnonymous() const {
    const DbObjectState* st = state();
    return st->db && st->stub && (st->db->blockFlags(st->stub) & 1) != 0;
}

bool AcDbBlockTableRecord::hasAttributeDefinitions() const {
    const DbObjectState* st = state();
    db::BlockInfo* info = infoOf(st);
    if (!info) return false;
    if (!info->knows(db::BlockInfo::kAttdefsKnown, st->db->namesVersion)) {
        const std::uint16_t attdef = st->db->attdefType();
        info->attributeDefinitions = false;
        for (const DbStub* e : info->entities)
            if (e->type == attdef && !e->erased()) {
                info->attributeDefinitions = true;
                break;
            }
        info->factsKnown |= db::BlockInfo::kAttdefsKnown;
    }
    return info->attributeDefinitions;
}

bool AcDbBlockTableRecord::isFromExternalReference() const {
    const DbObjectState* st = state();
    if (!st->stub) return !st->pendingPath.empty();
    return st->db && (st->db->blockFlags(st->stub) & 4) != 0;
}

bool AcDbBlockTableRecord::isFromOverlayReference() const {
    const DbObjectState* st = state();
    return st->db && st->stub && (st->db->blockFlags(st->stub) & 8) != 0;
}

namespace {

// The layout of a block record: the record's 340 link, or the layout that names the record.
DbStub* findLayout(const DbObjectState* st) {
    std::uint64_t h = 0;
    std::string_view v = st->valueIn("AcDbBlockTableRecord", 340);
    if (dxf::parseHandle(v, h)) {
        DbStub* layout = st->db->byHandle(h);
        if (st->db->isType(layout, "LAYOUT") && !layout->erased()) return layout;
    }
    // Files from some writers leave the link out; the layout still names its block record.
    AcDbDatabase::Impl& d = *st->db;
    if (!d.layoutIndexBuilt) {
        for (DbStub* layout : d.layouts) {
            std::uint64_t owner = 0;
            if (dxf::parseHandle(d.recordValue(layout, "AcDbLayout", 330), owner)) d.layoutByBlock.emplace(owner, layout);
        }
        d.layoutIndexBuilt = true;
    }
    auto it = d.layoutByBlock.find(st->stub->handle);
    return it == d.layoutByBlock.end() || it->second->erased() ? nullptr : it->second;
}

}  // namespace

AcDbObjectId AcDbBlockTableRecord::getLayoutId() const {
    const DbObjectState* st = state();
    if (!st->db || !st->stub) return AcDbObjectId::kNull;
    if (st->parsed()) return AcDbObjectId::fromStub(findLayout(st));
    // Every layout walk asks each block record for its layout.
    auto [it, added] = st->db->layoutOfBlockMemo.try_emplace(st->stub, nullptr);
    if (added) it->second = findLayout(st);
    return AcDbObjectId::fromStub(it->second);
}

Acad::ErrorStatus AcDbBlockTableRecord::setLayoutId(AcDbObjectId layoutId) {
    if (!state()->write) return Acad::eNotOpenForWrite;
    return state()->setIn("AcDbBlockTableRecord", 340, db::formatHandle(layoutId.handle().value())) ? Acad::eOk
                                                                                                  : Acad::eMissingDxfField;
}

AcGePoint3d AcDbBlockTableRecord::origin() const {
    const db::BlockInfo* info = infoOf(state());
    if (!info || !info->block) return AcGePoint3d::kOrigin;
    auto num = [&](int code) {
        return std::strtod(state()->db->recordValue(info->block, "AcDbBlockBegin", code).c_str(), nullptr);
    };
    return AcGePoint3d(num(10), num(20), num(30));
}

Acad::ErrorStatus AcDbBlockTableRecord::setOrigin(const AcGePoint3d& origin) {
    if (!state()->write) return Acad::eNotOpenForWrite;
    const db::BlockInfo* info = infoOf(state());
    if (!info || !info->block) return Acad::eNotInDatabase;
    bool ok = db::editRecord(*state()->db, info->block, "AcDbBlockBegin", 10, db::formatReal(origin.x)) &&
              db::editRecord(*state()->db, info->block, "AcDbBlockBegin", 20, db::formatReal(origin.y)) &&
              db::editRecord(*state()->db, info->block, "AcDbBlockBegin", 30, db::formatReal(origin.z));
    return ok ? Acad::eOk : Acad::eMissingDxfField;
}

Acad::ErrorStatus AcDbBlockTableRecord::pathName(const ACHAR*& pPath) const {
    pPath = nullptr;
    Acad::ErrorStatus es;
    if (db::injectedFault(DbCall::kPathName, es)) return es;
    DbObjectState* st = state();
    const db::BlockInfo* info = infoOf(st);
    if (!st->stub) st->text[1] = st->pendingPath;
    else st->text[1] = info && info->block ? st->db->recordText(info->block, "AcDbBlockBegin", 1) : std::wstring();
    pPath = st->text[1].c_str();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::pathName(ACHAR*& pPath) const {
    pPath = nullptr;
    const ACHAR* p = nullptr;
    Acad::ErrorStatus es = pathName(p);
    if (es != Acad::eOk) return es;
    return acutNewString(p, pPath);
}

Acad::ErrorStatus AcDbBlockTableRecord::setPathName(const ACHAR* pathStr) {
    Acad::ErrorStatus es;
    if (db::injectedFault(DbCall::kSetPathName, es)) return es;
    if (!pathStr) return Acad::eInvalidInput;
    DbObjectState* st = state();
    if (!st->write) return Acad::eNotOpenForWrite;
    std::wstring path(pathStr);
    if (path.size() > 2048) return Acad::eStringTooLong;
    for (wchar_t c : path)
        if (c < 0x20) return Acad::eInvalidInput;
    if (!st->stub) {
        st->pendingPath = path;
        return Acad::eOk;
    }
    const db::BlockInfo* info = infoOf(st);
    if (!info || !info->block) return Acad::eNotApplicable;
    // A BLOCK without its AcDbBlockBegin data cannot hold a path: refused, not lost.
    return db::editRecord(*st->db, info->block, "AcDbBlockBegin", 1, st->encode(path)) ? Acad::eOk
                                                                                        : Acad::eMissingDxfField;
}

Acad::ErrorStatus AcDbBlockTableRecord::getBlockReferenceIds(AcDbObjectIdArray& ids, bool, bool) const {
    Acad::ErrorStatus es;
    if (db::injectedFault(DbCall::kGetBlockReferenceIds, es)) return es;
    DbObjectState* st = state();
    if (!st->stub || !st->db) return Acad::eNotInDatabase;
    AcDbDatabase::Impl& d = *st->db;
    const std::vector<std::uint32_t>* groups = d.insertGroupsOf(st->stub);
    if (!groups) return Acad::eOk;
    auto appendLive = [&](const std::vector<std::uint32_t>& references) {
        ids.setPhysicalLength(ids.length() + static_cast<int>(references.size()));
        for (std::uint32_t i : references)
            if (!d.insertRecords[i]->erased()) ids.append(AcDbObjectId::fromStub(d.insertRecords[i]));
    };
    if (groups->size() == 1) {
        appendLive(d.insertGroups[groups->front()].references);
        return Acad::eOk;
    }
    // Names that differ in letter case or spelling only: the references of all, in file order.
    std::vector<std::uint32_t> merged;
    for (std::uint32_t g : *groups) {
        const auto& references = d.insertGroups[g].references;
        merged.insert(merged.end(), references.begin(), references.end());
    }
    std::sort(merged.begin(), merged.end());
    appendLive(merged);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::newIterator(AcDbBlockTableRecordIterator*& pIterator, bool atBeginning,
                                                    bool skipDeleted) const {
    pIterator = nullptr;
    Acad::ErrorStatus es;
    if (db::injectedFault(DbCall::kNewIterator, es)) return es;
    if (!state()->stub) return Acad::eNotInDatabase;
    AcDbObjectIdArray ids;
    if (const db::BlockInfo* info = infoOf(state())) {
        ids.setPhysicalLength(static_cast<int>(info->entities.size()));
        for (DbStub* e : info->entities) ids.append(AcDbObjectId::fromStub(e));
    }
    pIterator = new AcDbBlockTableRecordIterator(std::move(ids), atBeginning, skipDeleted);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::appendAcDbEntity(AcDbEntity* pEntity) {
    AcDbObjectId id;
    return appendAcDbEntity(id, pEntity);
}

Acad::ErrorStatus AcDbBlockTableRecord::appendAcDbEntity(AcDbObjectId& pOutputId, AcDbEntity* pEntity) {
    if (!pEntity) return Acad::eNullEntityPointer;
    DbObjectState* st = state();
    if (!st->stub || !st->db) return Acad::eNotInDatabase;
    if (!st->write) return Acad::eNotOpenForWrite;
    if (DbAccess::state(pEntity)->stub) return Acad::eAlreadyInDb;
    AcDbDatabase::Impl& d = *st->db;
    db::BlockInfo& info = d.blocks[st->stub];
    bool entitiesSection = d.inEntitiesSection(st->stub);
    DbStub* before = entitiesSection ? d.entitiesEnd : info.endblk;
    if (!before) return Acad::eNotApplicable;
    DbStub* added = nullptr;
    Acad::ErrorStatus es = db::addEntity(d, pEntity, *before, st->stub->handle, d.isPaperSpace(st->stub),
                                         entitiesSection ? dxf::Section::kEntities : dxf::Section::kBlocks, added);
    if (es != Acad::eOk) return es;
    info.entities.push_back(added);
    if (d.isType(added, "INSERT")) d.insertIndexBuilt = false;
    pOutputId = AcDbObjectId::fromStub(added);
    return Acad::eOk;
}

// ---- entity iterator ----

AcDbBlockTableRecordIterator::AcDbBlockTableRecordIterator(AcDbObjectIdArray ids, bool atBeginning, bool skipDeleted)
    : m_walk(std::move(ids)) {
    start(atBeginning, skipDeleted);
}

AcDbBlockTableRecordIterator::~AcDbBlockTableRecordIterator() = default;

void AcDbBlockTableRecordIterator::start(bool atBeginning, bool skipDeleted) { m_walk.start(atBeginning, skipDeleted); }

bool AcDbBlockTableRecordIterator::done() const { return m_walk.done(); }

void AcDbBlockTableRecordIterator::step(bool forward, bool skipDeleted) {
    if (!done()) m_walk.move(forward, skipDeleted);
}

Acad::ErrorStatus AcDbBlockTableRecordIterator::getEntityId(AcDbObjectId& id) const {
    if (done()) return Acad::eIteratorDone;
    id = m_walk.current();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecordIterator::getEntity(AcDbEntity*& pObject, AcDb::OpenMode mode, bool openErasedEntity) const {
    pObject = nullptr;
    if (done()) return Acad::eIteratorDone;
    return acdbOpenAcDbEntity(pObject, m_walk.current(), mode, openErasedEntity);
}

Acad::ErrorStatus AcDbBlockTableRecordIterator::seek(AcDbObjectId id) {
    return m_walk.seek(id) ? Acad::eOk : Acad::eInvalidInput;
}
