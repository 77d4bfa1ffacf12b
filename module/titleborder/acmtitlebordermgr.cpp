// AcmTitleBorderMgr: collecting title blocks and mechanical title borders layout by layout,
// pairing borders with their titles, and writing value maps into them.
#include "titleborder/acmtitlebordermgr.h"

#include <acutmem.h>
#include <dbapserv.h>
#include <dbents.h>

#include "attributes/block.h"
#include "drawing/arxdatabase.h"
#include "drawing/blocktablewalk.h"
#include "drawing/objectholder.h"
#include "drawing/xdata.h"
#include "frame/error_report.h"

namespace {

constexpr const wchar_t* kSource = BRAKON_SOURCE_NAME;

// The link handle carried by an open object: the first 1005 item of its link data.
bool linkHandleOf(const AcDbObject* object, CString& handle) {
    CResbuf data(object->xData(kTitleBorderLinkApp));
    return data.getString(handle, 1005);
}

}  // namespace

AcmTitleBorderMgr::AcmTitleBorderMgr(int mode, AcDbDatabase* db)
    : m_db(db != nullptr ? db : acdbHostApplicationServices()->workingDatabase()), m_mode(mode) {}

AcmTitleBorderMgr::~AcmTitleBorderMgr() = default;

bool AcmTitleBorderMgr::collectFromLayout(const AcDbBlockTableRecord* layout,
                                          const CStringArray& patterns) {
    if (layout == nullptr || !layout->isLayout()) return count() > 0;
    reportingBoundary(kSource, __LINE__, [&] {
        if (m_mode == 0)
            scanEntities(layout, patterns);
        else
            scanDefinitions(layout, patterns);
    });
    return count() > 0;
}

// Borders by their link data and definition text; title blocks by effective name, visible
// ones only.
void AcmTitleBorderMgr::scanEntities(const AcDbBlockTableRecord* layout,
                                     const CStringArray& patterns) {
    walkBlockEntities(layout, kSource, __LINE__, [&](AcDbObjectId id) {
        if (isBorderReference(id)) {
            append(AcmTitleBorder(AcmBorder(id), AcmTitle()));
            return true;
        }
        CObjectHolder<AcDbEntity> entity;
        if (acdbOpenObject(entity.out(), id, AcDb::kForRead) != Acad::eOk) return true;
        const AcDbBlockReference* reference = AcDbBlockReference::cast(entity.get());
        if (reference == nullptr || reference->visibility() != AcDb::kVisible) return true;
        ACHAR* name = nullptr;
        if (getBlockName(name, reference) != 0) {
            if (matchesAnyName(patterns, name))
                append(AcmTitleBorder(AcmBorder(), AcmTitle(id, true)));
            acutDelString(name);
        }
        return true;
    });
}

// Title blocks by their definitions' names: invisible references included, anonymous
// representations of dynamic blocks not searched.
void AcmTitleBorderMgr::scanDefinitions(const AcDbBlockTableRecord* layout,
                                        const CStringArray& patterns) {
    const AcDbObjectId layoutId = layout->objectId();
    forEachNamedReference(m_db, layoutId, patterns, kSource, __LINE__, [&](const AcDbObjectId& id) {
        append(AcmTitleBorder(AcmBorder(), AcmTitle(id, true)));
    });
}

bool AcmTitleBorderMgr::collect(const wchar_t* layoutName, const CStringArray& patterns) {
    const bool filtered = layoutName != nullptr && *layoutName != L'\0';
    const bool ok = reportingBoundary(kSource, __LINE__, [&] {
        walkBlockTable(m_db, kSource, __LINE__, [&](AcDbBlockTableRecord* record) {
            if (!record->isLayout()) return true;
            if (filtered) {
                CString name;
                if (!getLayoutNameOfBlock(name, record) || !matchesName(layoutName, name))
                    return true;
            }
            collectFromLayout(record, patterns);
            return true;
        });
        resolveTitles();
    });
    return ok && count() > 0;
}

bool AcmTitleBorderMgr::findByPoint(AcmTitleBorder& result, const AcGePoint2d& point) {
    bool found = false;
    reportingBoundary(kSource, __LINE__, [&] {
        for (std::uint64_t i = 0; i < count(); ++i) {
            if (!at(i).containsPoint(point)) continue;
            result.assign(at(i));
            found = true;
            return;
        }
    });
    return found;
}

bool AcmTitleBorderMgr::findByPoint(AcmTitleBorder& result, const AcGePoint3d& point) {
    return findByPoint(result, AcGePoint2d(point.x, point.y));
}

bool AcmTitleBorderMgr::getAttributeValues(CMapStringToString& values) {
    bool all = true;
    const bool ok = reportingBoundary(kSource, __LINE__, [&] {
        for (std::uint64_t i = 0; i < count(); ++i)
            if (!at(i).getAttributeValues(values)) all = false;
    });
    return ok && all;
}

bool AcmTitleBorderMgr::setAttributeValues(const CMapStringToString& values) {
    bool all = true;
    const bool ok = reportingBoundary(kSource, __LINE__, [&] {
        for (std::uint64_t i = 0; i < count(); ++i)
            if (!at(i).setAttributeValues(values)) all = false;
    });
    return ok && all;
}

bool AcmTitleBorderMgr::getLinkHandle(CString& handle, AcDbObjectId id) {
    if (id.isNull()) return false;
    bool found = false;
    reportingBoundary(kSource, __LINE__, [&] {
        CObjectHolder<AcDbObject> object;
        Acad::ErrorStatus es = acdbOpenObject(object.out(), id, AcDb::kForRead);
        if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
        found = linkHandleOf(object.get(), handle);
    });
    return found;
}

bool AcmTitleBorderMgr::resolveTitles() {
    return reportingBoundary(kSource, __LINE__, [&] {
        // Backwards, so that removing an element keeps the unvisited indexes valid.
        for (std::uint64_t i = count(); i > 0; --i) {
            AcmTitleBorder& element = at(i - 1);
            if (element.title().isValid()) continue;
            AcDbObjectId partner;
            if (findPartner(partner, element.border().objectId()))
                element.title().setObjectId(partner);
            else
                removeAt(i - 1);
        }
    });
}

bool AcmTitleBorderMgr::findPartner(AcDbObjectId& partner, AcDbObjectId borderId) {
    CString link;
    if (!getLinkHandle(link, borderId)) return false;
    bool found = false;
    reportingBoundary(kSource, __LINE__, [&] {
        walkBlockTable(m_db, kSource, __LINE__, [&](AcDbBlockTableRecord* record) {
            if (!record->isLayout()) return true;
            walkBlockEntities(record, kSource, __LINE__, [&](AcDbObjectId id) {
                if (id == borderId) return true;
                CObjectHolder<AcDbObject> object;
                if (acdbOpenObject(object.out(), id, AcDb::kForRead) != Acad::eOk) return true;
                CString handle;
                if (!linkHandleOf(object.get(), handle) || handle != link) return true;
                partner = id;
                found = true;
                return false;
            });
            return !found;
        });
    });
    return found;
}
