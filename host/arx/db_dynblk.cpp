// Dynamic blocks: a definition is a block record whose extension dictionary holds
// ACAD_ENHANCEDBLOCK; its anonymous representations name it in AcDbBlockRepBTag XDATA, and a
// reference names it through its extension dictionary (AcDbBlockRepresentation/AcDbRepData).
#include "db_internal.h"
#include "dbdynblk.h"
#include "dbents.h"
#include "dbsymtb.h"
#include "dxf/tag_scan.h"

using cadhost::DbStub;
namespace db = cadhost::db;
namespace dxf = cadhost::dxf;

namespace {

dxf::TagList tagsOf(AcDbDatabase::Impl& d, const DbStub* s) {
    dxf::TagList t;
    t.parse(d.file->objectText(*s));
    return t;
}

// The extension dictionary of a record (before its first subclass).
DbStub* extensionDictionary(AcDbDatabase::Impl& d, const DbStub* s) {
    dxf::TagCursor t(d.file->objectText(*s));
    while (t.next()) {
        if (t.code() == 100) break;
        if (t.code() == 102 && t.trimmedValue() == "{ACAD_XDICTIONARY") {
            while (t.next() && t.code() != 360) {
            }
            std::uint64_t v = 0;
            if (t.code() == 360 && dxf::parseHandle(t.value(), v)) return d.byHandle(v);
            break;
        }
    }
    return nullptr;
}

// The entry of a dictionary record (3 key followed by a 350/360 handle).
DbStub* dictionaryEntry(AcDbDatabase::Impl& d, const DbStub* dict, std::string_view key) {
    if (!dict) return nullptr;
    dxf::TagCursor t(d.file->objectText(*dict));
    bool keyed = false;
    while (t.next()) {
        if (keyed && (t.code() == 350 || t.code() == 360)) {
            std::uint64_t v = 0;
            return dxf::parseHandle(t.value(), v) ? d.byHandle(v) : nullptr;
        }
        keyed = t.code() == 3 && t.value() == key;
    }
    return nullptr;
}

// The first 1005 of an application's XDATA on a record (0 when none).
std::uint64_t xdataHandle(AcDbDatabase::Impl& d, const DbStub* s, std::string_view app) {
    if (!s->xdata && s->edit == DbStub::kNone) return 0;
    dxf::TagList t = tagsOf(d, s);
    for (int i = t.xdataStart(); i < t.size(); ++i) {
        if (t[i].code != 1001 || dxf::trimBlanks(t[i].value()) != app) continue;
        for (int k = i + 1; k < t.size() && t[k].code != 1001; ++k) {
            std::uint64_t v = 0;
            if (t[k].code == 1005 && dxf::parseHandle(t[k].value(), v)) return v;
        }
        break;
    }
    return 0;
}

bool isDefinition(AcDbDatabase::Impl& d, const DbStub* btr) {
    if (!btr || btr->erased()) return false;
    // Every block reference of a search asks this of its block: the answer is kept per record
    // until a block record, block or dictionary changes (structureChanged).
    std::vector<std::int8_t>& memo = d.dynamicByRecord;
    if (memo.size() <= btr->index) memo.resize(btr->index + 1u, -1);
    std::int8_t& known = memo[btr->index];
    if (known < 0)
        known = d.isType(btr, "BLOCK_RECORD") &&
                dictionaryEntry(d, extensionDictionary(d, btr), "ACAD_ENHANCEDBLOCK") != nullptr;
    return known != 0;
}

}  // namespace

void AcDbDatabase::Impl::ensureRepIndex() {
    if (repIndexBuilt) return;
    repsByDefinition.clear();
    for (DbStub* r : tableRecords[db::kBlockRecord]) {
        std::uint64_t def = xdataHandle(*this, r, "AcDbBlockRepBTag");
        if (def) repsByDefinition[def].push_back(r);
    }
    repIndexBuilt = true;
}

AcDbDynBlockReference::AcDbDynBlockReference(AcDbObjectId blockRefId) : m_ref(blockRefId) {}

bool AcDbDynBlockReference::isDynamicBlock(AcDbObjectId blockTableRecordId) {
    AcDbDatabase::Impl* d = db::dbOf(blockTableRecordId.stub());
    return d && isDefinition(*d, blockTableRecordId.stub());
}

bool AcDbDynBlockReference::isDynamicBlock() const { return !dynamicBlockTableRecord().isNull(); }

AcDbObjectId AcDbDynBlockReference::dynamicBlockTableRecord() const {
    DbStub* ref = m_ref.stub();
    AcDbDatabase::Impl* d = db::dbOf(ref);
    if (!d || !d->isType(ref, "INSERT")) return AcDbObjectId::kNull;
    // The reference's own record of its definition.
    DbStub* rep = dictionaryEntry(*d, extensionDictionary(*d, ref), "AcDbBlockRepresentation");
    DbStub* data = dictionaryEntry(*d, rep, "AcDbRepData");
    if (data) {
        dxf::TagList t = tagsOf(*d, data);
        int i = t.find(340);
        std::uint64_t v = 0;
        if (i >= 0 && dxf::parseHandle(t[i].value(), v) && isDefinition(*d, d->byHandle(v)))
            return AcDbObjectId::fromStub(d->byHandle(v));
    }
    // Otherwise through the inserted block: the definition itself or one of its representations.
    std::wstring name = d->codec->decode(dxf::trimBlanks(d->recordValue(ref, "AcDbBlockReference", 2)));
    DbStub* btr = d->findRecord(db::kBlockRecord, name);
    if (!btr) return AcDbObjectId::kNull;
    if (isDefinition(*d, btr)) return AcDbObjectId::fromStub(btr);
    DbStub* def = d->byHandle(xdataHandle(*d, btr, "AcDbBlockRepBTag"));
    return isDefinition(*d, def) ? AcDbObjectId::fromStub(def) : AcDbObjectId::kNull;
}

AcDbObjectId AcDbDynBlockReference::anonymousBlockTableRecord() const {
    DbStub* ref = m_ref.stub();
    AcDbDatabase::Impl* d = db::dbOf(ref);
    if (!d || !d->isType(ref, "INSERT")) return AcDbObjectId::kNull;
    std::wstring name = d->codec->decode(dxf::trimBlanks(d->recordValue(ref, "AcDbBlockReference", 2)));
    DbStub* btr = d->findRecord(db::kBlockRecord, name);
    return btr && !isDefinition(*d, btr) && xdataHandle(*d, btr, "AcDbBlockRepBTag") ? AcDbObjectId::fromStub(btr)
                                                                                     : AcDbObjectId::kNull;
}

AcDbDynBlockTableRecord::AcDbDynBlockTableRecord(AcDbObjectId blockTableRecordId) : m_record(blockTableRecordId) {}

bool AcDbDynBlockTableRecord::isDynamicBlock() const { return AcDbDynBlockReference::isDynamicBlock(m_record); }

Acad::ErrorStatus AcDbDynBlockTableRecord::getAnonymousBlockIds(AcDbObjectIdArray& anonymousIds) const {
    DbStub* s = m_record.stub();
    AcDbDatabase::Impl* d = db::dbOf(s);
    if (!d) return Acad::eNullObjectId;
    if (!isDefinition(*d, s)) return Acad::eNotApplicable;
    d->ensureRepIndex();
    auto it = d->repsByDefinition.find(s->handle);
    if (it != d->repsByDefinition.end())
        for (DbStub* r : it->second)
            if (!r->erased()) anonymousIds.append(AcDbObjectId::fromStub(r));
    return Acad::eOk;
}
