// Layouts and the layout manager (the active layout of a database).
#include <cstdlib>

#include "db_internal.h"
#include "dbapserv.h"
#include "dblayout.h"
#include "dblaymgr.h"

using cadhost::DbObjectState;
using cadhost::DbStub;
namespace db = cadhost::db;
namespace dxf = cadhost::dxf;
using cadhost::testing::DbCall;

ACRX_DEFINE_MEMBERS(AcDbPlotSettings, AcDbObject)
ACRX_DEFINE_MEMBERS(AcDbLayout, AcDbPlotSettings)

AcDbPlotSettings::AcDbPlotSettings(const char* dxfType) : AcDbObject(dxfType) {}

AcDbLayout::AcDbLayout() : AcDbPlotSettings("LAYOUT") {
    state()->newTemplate = "  0\nLAYOUT\n  5\n0\n330\n0\n100\nAcDbPlotSettings\n  1\n\n100\nAcDbLayout\n  1\n\n 70\n1\n 71\n0\n";
}

Acad::ErrorStatus AcDbLayout::getLayoutName(const ACHAR*& layoutName) const {
    layoutName = nullptr;
    Acad::ErrorStatus es;
    if (db::injectedFault(DbCall::kGetLayoutName, es)) return es;
    DbObjectState* st = state();
    // The first 1 of a layout is the page setup name; the layout's name follows AcDbLayout.
    if (st->parsed() || !st->db || !st->stub) {
        st->text[0] = st->decode(st->valueIn("AcDbLayout", 1));
        layoutName = st->text[0].c_str();
        return Acad::eOk;
    }
    // Every walk over the block table asks each layout for its name.
    auto [it, added] = st->db->layoutNameMemo.try_emplace(st->stub);
    if (added) it->second = st->decode(st->valueIn("AcDbLayout", 1));
    layoutName = it->second.c_str();
    return Acad::eOk;
}

AcDbObjectId AcDbLayout::getBlockTableRecordId() const {
    const DbObjectState* st = state();
    std::uint64_t h = 0;
    if (!st->db || !dxf::parseHandle(st->valueIn("AcDbLayout", 330), h)) return AcDbObjectId::kNull;
    return AcDbObjectId::fromStub(st->db->byHandle(h));
}

int AcDbLayout::getTabOrder() const { return std::atoi(std::string(state()->valueIn("AcDbLayout", 71)).c_str()); }

bool AcDbLayout::modelType() const {
    const DbObjectState* st = state();
    std::uint64_t h = 0;
    if (!st->db || !dxf::parseHandle(st->valueIn("AcDbLayout", 330), h)) return false;
    return db::equalsNoCase(st->db->blockName(st->db->byHandle(h)), L"*Model_Space");
}

// ---- layout manager ----

namespace {

AcDbDatabase::Impl* implOf(const AcDbDatabase* pDb) {
    if (!pDb) pDb = acdbHostApplicationServices()->workingDatabase();
    return pDb && pDb->impl()->file ? pDb->impl() : nullptr;
}

}  // namespace

AcDbObjectId AcDbLayoutManager::getActiveLayoutBTRId(const AcDbDatabase* pDb) {
    AcDbDatabase::Impl* d = implOf(pDb);
    if (!d) return AcDbObjectId::kNull;
    return AcDbObjectId::fromStub(d->findRecord(db::kBlockRecord, d->file->tilemode() ? L"*Model_Space" : L"*Paper_Space"));
}

AcDbObjectId AcDbLayoutManager::findLayoutNamed(const ACHAR* name, const AcDbDatabase* pDb) {
    AcDbDatabase::Impl* d = implOf(pDb);
    if (!d || !name) return AcDbObjectId::kNull;
    for (DbStub* layout : d->layouts)
        if (!layout->erased() && db::equalsNoCase(d->recordText(layout, "AcDbLayout", 1), name))
            return AcDbObjectId::fromStub(layout);
    return AcDbObjectId::kNull;
}

int AcDbLayoutManager::countLayouts(AcDbDatabase* pDb) {
    AcDbDatabase::Impl* d = implOf(pDb);
    int n = 0;
    if (d)
        for (DbStub* layout : d->layouts) n += layout->erased() ? 0 : 1;
    return n;
}
