// What the database keeps between opens: closed objects, for the next open of their record
// (tables, symbol table records, layouts) or of another record of their type (entities), and
// the answers that walks over layouts and block references ask again and again.
#include "db_internal.h"

using cadhost::DbAccess;
using cadhost::DbObjectState;
using cadhost::DbStub;

bool DbAccess::keepSpare(AcDbObject* obj) {
    DbObjectState* st = state(obj);
    // An object that split or changed its text holds a copy of it: only a plain one is
    // the same as a freshly built object.
    if (!st->db || !st->stub || st->parsed()) return false;
    AcDbDatabase::Impl& d = *st->db;
    if (keptByRecord(d, *st->stub)) {
        if (d.spares.size() <= st->stub->index) d.spares.resize(st->stub->index + 1u, nullptr);
        AcDbObject*& slot = d.spares[st->stub->index];
        if (slot) return false;
        slot = obj;
        return true;
    }
    // Entities come and go by the thousand in every walk: a few of each type wait, unbound,
    // for the next record of that type.
    if (d.pool.size() <= st->stub->type) d.pool.resize(st->stub->type + 1u);
    std::vector<AcDbObject*>& waiting = d.pool[st->stub->type];
    if (waiting.size() >= 8) return false;
    st->stub = nullptr;
    waiting.push_back(obj);
    return true;
}

AcDbObject* DbAccess::reuse(AcDbDatabase::Impl& d, DbStub& stub, bool byRecord, const AcRxClass* cls) {
    AcDbObject* obj = nullptr;
    if (byRecord) {
        if (stub.index < d.spares.size()) std::swap(obj, d.spares[stub.index]);
        return obj;
    }
    if (stub.type >= d.pool.size() || d.pool[stub.type].empty()) return nullptr;
    obj = d.pool[stub.type].back();
    // A type name met in two sections is built as two classes.
    if (obj->isA() != cls) return nullptr;
    d.pool[stub.type].pop_back();
    state(obj)->stub = &stub;
    return obj;
}

void AcDbDatabase::Impl::releaseSpares() {
    for (AcDbObject* obj : spares) {
        if (!obj) continue;
        DbAccess::state(obj)->stub = nullptr;  // the record may be gone already
        delete obj;
    }
    spares.clear();
    for (auto& waiting : pool)
        for (AcDbObject* obj : waiting) delete obj;
    pool.clear();
}

void AcDbDatabase::Impl::structureChanged() {
    ++namesVersion;
    layoutNameMemo.clear();
    layoutOfBlockMemo.clear();
    blockByRawNameMemo.clear();
    dynamicByRecord.clear();
    layoutIndexBuilt = false;
    layoutByBlock.clear();
}

void AcDbDatabase::Impl::recordEdited(const DbStub* r) {
    const std::string& t = file->typeName(r->type);
    if (t == "LAYOUT" || t == "BLOCK_RECORD" || t == "BLOCK" || t == "DICTIONARY") structureChanged();
}
