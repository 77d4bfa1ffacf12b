// libFuzzer target: any bytes as a drawing file. Reading must refuse or accept without
// crashing, hanging or leaking; an accepted drawing is walked through the public database
// calls (tables, records, entities, attributes, xdata, layouts, dynamic blocks), edited and
// written back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "acutbuild.h"
#include "arx/db_internal.h"
#include "dbapserv.h"
#include "dbdynblk.h"
#include "dbents.h"
#include "dblayout.h"
#include "dblaymgr.h"
#include "dbsymtb.h"

namespace {

void walkBlock(AcDbBlockTableRecord* rec) {
    AcDbBlockTableRecordIterator* it = nullptr;
    if (rec->newIterator(it) != Acad::eOk) return;
    for (; !it->done(); it->step()) {
        AcDbEntity* ent = nullptr;
        if (it->getEntity(ent, AcDb::kForWrite) != Acad::eOk) continue;
        acutRelRb(ent->xData(nullptr));
        acutRelRb(ent->xData(L"GENIUS_GENOREF_13"));
        AcDbExtents ext;
        ent->getGeomExtents(ext);
        ent->setVisibility(AcDb::kInvisible);
        if (auto* br = AcDbBlockReference::cast(ent)) {
            AcDbDynBlockReference(br->objectId()).dynamicBlockTableRecord();
            br->blockTableRecord();
            AcDbObjectIterator* ait = br->attributeIterator();
            for (ait->start(); !ait->done(); ait->step()) {
                AcDbAttribute* a = nullptr;
                if (acdbOpenObject(a, ait->objectId(), AcDb::kForWrite) != Acad::eOk) continue;
                a->tagConst();
                a->textStringConst();
                a->setTextString(L"fuzz \u00e4");
                a->close();
            }
            delete ait;
        } else if (auto* t = AcDbText::cast(ent)) {
            t->textStringConst();
        } else if (auto* m = AcDbMText::cast(ent)) {
            m->contentsConst();
        }
        ent->close();
    }
    delete it;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    AcDbDatabase db(false, true);
    std::string text(reinterpret_cast<const char*>(data), size);
    if (cadhost::db::readFromText(db, std::move(text), "fuzz.dxf") != Acad::eOk) return 0;
    acdbHostApplicationServices()->setWorkingDatabase(&db);
    acdbRegApp(L"FUZZ");
    acdbHostApplicationServices()->layoutManager()->getActiveLayoutBTRId(&db);
    AcDbBlockTable* bt = nullptr;
    if (db.getBlockTable(bt, AcDb::kForRead) == Acad::eOk) {
        AcDbBlockTableIterator* it = nullptr;
        if (bt->newIterator(it) == Acad::eOk) {
            for (; !it->done(); it->step()) {
                AcDbBlockTableRecord* rec = nullptr;
                if (it->getRecord(rec, AcDb::kForWrite) != Acad::eOk) continue;
                const ACHAR* s = nullptr;
                rec->getName(s);
                rec->pathName(s);
                rec->isAnonymous();
                rec->hasAttributeDefinitions();
                if (rec->isFromExternalReference()) rec->setPathName(L"..\\new\\path.dwg");
                AcDbObjectIdArray ids;
                rec->getBlockReferenceIds(ids);
                AcDbDynBlockTableRecord(rec->objectId()).getAnonymousBlockIds(ids);
                AcDbLayout* layout = nullptr;
                if (acdbOpenObject(layout, rec->getLayoutId(), AcDb::kForRead) == Acad::eOk) {
                    layout->getLayoutName(s);
                    layout->close();
                }
                walkBlock(rec);
                rec->close();
            }
            delete it;
        }
        bt->close();
    }
    cadhost::db::savedText(db);
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    return 0;
}
