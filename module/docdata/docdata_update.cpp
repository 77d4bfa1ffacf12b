// The update runs of CDocData that write PDM data into the drawing: the title blocks (and
// mechanical title borders) of the active layout or of every layout, with page numbers, and
// the revision tables of the same layouts.
#include "docdata/docdata.h"

#include <dbapserv.h>

#include "attributes/block.h"
#include "drawing/arxdatabase.h"
#include "frame/error_report.h"
#include "titleborder/acmtitlebordermgr.h"

namespace {

// Reports of the update runs name the document data unit.
constexpr const wchar_t* kSource = L"docdata.cpp";

AcDbDatabase* databaseOrWorking(AcDbDatabase* db) {
    return db != nullptr ? db : acdbHostApplicationServices()->workingDatabase();
}

bool isGiven(const wchar_t* layoutName) { return layoutName != nullptr && *layoutName != L'\0'; }

}  // namespace

int CDocData::updateAllTitleBlocks(AcDbDatabase* db) {
    db = databaseOrWorking(db);
    if (db == nullptr) return 0;
    int result = 0;
    reportingBoundary(kSource, __LINE__, [&] {
        CArxDatabase drawing(db);
        const CString modelName = drawing.getModelLayoutName();
        if (getSettingInt(L"autocad.updatealltitleblock", 0) != 0) {
            result = updateAllLayouts(db);
            return;
        }
        CString activeName;
        if (!drawing.getCurrentLayoutName(activeName)) return;

        // The active layout shows its own PDM layout object; without one only the model
        // layout falls back to the document's record. Revisions always come from the document.
        DocumentRecord layoutRecord;
        if (findRelation(layoutRecord, activeName)) {
            updateLayoutTitleBlocks(layoutRecord, activeName, getSettings(), db, -1, -1);
            updateRevisionTable(document(), activeName, getSettings(), db);
            result = 1;
            return;
        }
        if (activeName.CompareNoCase(modelName) == 0) {
            updateLayoutTitleBlocks(document(), modelName, getSettings(), db, -1, -1);
            updateRevisionTable(document(), modelName, getSettings(), db);
        }
    });
    return result;
}

int CDocData::updateAllLayouts(AcDbDatabase* db) {
    db = databaseOrWorking(db);
    if (db == nullptr) return 1;
    reportingBoundary(kSource, __LINE__, [&] {
        CArxDatabase drawing(db);
        const CString modelName = drawing.getModelLayoutName();
        if (getSettingInt(L"autocad.multilayout", 0) == 0 && getVariantType() != 3) {
            updateLayoutTitleBlocks(document(), nullptr, getSettings(), db, -1, -1);
            updateRevisionTable(document(), nullptr, getSettings(), db);
            return;
        }

        updateLayoutTitleBlocks(document(), modelName, getSettings(), db, -1, -1);
        updateRevisionTable(document(), modelName, getSettings(), db);
        CStringArray names;
        const int pages = drawing.getLayoutNames(names);
        for (int i = 0; i < pages; ++i) {
            DocumentRecord layoutRecord;
            if (!findRelation(layoutRecord, names.GetAt(i))) continue;
            updateLayoutTitleBlocks(layoutRecord, names.GetAt(i), getSettings(), db, i, pages);
            updateRevisionTable(document(), names.GetAt(i), getSettings(), db);
        }
    });
    return 1;
}

int CDocData::updateLayoutTitleBlocks(const DocumentRecord& record, const wchar_t* layoutName,
                                      CVoVurSettings& settings, AcDbDatabase* db, int page,
                                      int pages) {
    db = databaseOrWorking(db);
    if (db == nullptr) return 0;
    int result = 0;
    reportingBoundary(kSource, __LINE__, [&] {
        CMapStringToString values;
        if (buildTitleBlockValues(record.properties, values, settings) == 0) return;

        // A layout named without its page: number it by its place among the paper layouts.
        // The model layout is not among them, so it gets the page count only.
        if (isGiven(layoutName) && page < 0) {
            CStringArray names;
            if (CArxDatabase(db).getLayoutNames(names) > 0) {
                pages = static_cast<int>(names.GetSize());
                for (INT_PTR i = 0; i < names.GetSize(); ++i) {
                    if (names.GetAt(i).CompareNoCase(layoutName) == 0) {
                        page = static_cast<int>(i);
                        break;
                    }
                }
            }
        }
        CString number;
        if (page >= 0) {
            number.Format(L"%d", page + 1);
            values.SetAt(L"PAGE", number);
        }
        if (pages > 0) {
            number.Format(L"%d", pages);
            values.SetAt(L"PAGES", number);
        }

        AcmTitleBorderMgr titleBorders(getSettingInt(L"autocad.titlebordermode", 0), db);
        if (!titleBorders.collect(layoutName, *settings.GetTitleBlockNames())) return;
        result = titleBorders.setAttributeValues(values) ? 1 : 0;
    });
    return result;
}

int CDocData::updateRevisionTable(const DocumentRecord& record, const wchar_t* layoutName,
                                  CVoVurSettings& settings, AcDbDatabase* db) {
    db = databaseOrWorking(db);
    if (db == nullptr) return 0;
    int result = 0;
    reportingBoundary(kSource, __LINE__, [&] {
        CMapStringToString values;
        CAttBlockList tables(db);
        if (!tables.collectFromLayouts(layoutName, *settings.GetRevisionBlockNames())) return;
        if (buildRevisionValues(record, values) == 0) return;
        result = tables.setAttributeValues(values) ? 1 : 0;
    });
    return result;
}
