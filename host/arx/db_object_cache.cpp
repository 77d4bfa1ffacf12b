// What the database keeps between opens: letting go of the closed objects it keeps (db_object.cpp
// keeps and hands them out, beside opening and closing), and the answers that walks over
// layouts and block references ask again and again.
#include "db_internal.h"

using cadhost::DbAccess;
using cadhost::DbObjectState;
using cadhost::DbStub;

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
