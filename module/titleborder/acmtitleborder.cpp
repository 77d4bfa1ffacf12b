// AcmBorder, AcmTitle and AcmTitleBorder, and the tests that recognise borders and titles.
#include "titleborder/acmtitleborder.h"

#include <acutads.h>
#include <dbsymtb.h>

#include <memory>

#include "attributes/block.h"
#include "drawing/blocktablewalk.h"
#include "drawing/objectholder.h"
#include "drawing/xdata.h"
#include "frame/error_report.h"

namespace {

// The parts belong to the title border manager; their reports carry its name.
constexpr const wchar_t* kSource = L"acmtitlebordermgr.cpp";

AcDb::Visibility toVisibility(bool visible) { return visible ? AcDb::kVisible : AcDb::kInvisible; }

// getBlockInfo of both parts.
bool blockInfo(AcDbObjectId id, CString* name, AcGePoint3d* position, AcGeScale3d* scale,
               double* rotation, AcDbObjectId* layerId) {
    bool result = false;
    reportingBoundary(kSource, __LINE__, [&] {
        CObjectHolder<AcDbBlockReference> reference;
        Acad::ErrorStatus es = acdbOpenObject(reference.out(), id, AcDb::kForRead);
        if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
        if (scale != nullptr) *scale = reference->scaleFactors();
        if (position != nullptr) *position = reference->position();
        if (rotation != nullptr) *rotation = reference->rotation();
        if (layerId != nullptr) *layerId = reference->layerId();
        result =
            name == nullptr || getSymbolName(reference->blockTableRecord(), *name) == Acad::eOk;
    });
    return result;
}

double scaleOf(bool valid, AcDbObjectId id) {
    AcGeScale3d scale;
    if (!valid || !blockInfo(id, nullptr, nullptr, &scale, nullptr, nullptr)) return 1.0;
    return scale.sx;
}

// The text a border test looks at: an attribute definition's tag, another text's string.
const ACHAR* borderText(const AcDbText* text) {
    if (const AcDbAttributeDefinition* definition = AcDbAttributeDefinition::cast(text))
        return definition->tagConst();
    return text->textStringConst();
}

}  // namespace

bool isBorderReference(AcDbObjectId id) {
    if (id.isNull()) return false;
    bool border = false;
    reportingBoundary(kSource, __LINE__, [&] {
        CAppXdata xdata(kTitleBorderLinkApp);
        CObjectHolder<AcDbBlockReference> reference;
        if (acdbOpenObject(reference.out(), id, AcDb::kForRead) != Acad::eOk) return;
        xdata.read(reference.get());
        if (xdata.data().head() == nullptr) return;
        CObjectHolder<AcDbBlockTableRecord> definition;
        Acad::ErrorStatus es =
            acdbOpenObject(definition.out(), reference->blockTableRecord(), AcDb::kForRead);
        if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
        walkBlockEntities(definition.get(), kSource, __LINE__, [&](AcDbObjectId entityId) {
            CObjectHolder<AcDbText> text;
            if (acdbOpenObject(text.out(), entityId, AcDb::kForRead) != Acad::eOk) return true;
            const ACHAR* value = borderText(text.get());
            border = value != nullptr && acutWcMatchEx(value, L"*INSERT", true) == RTNORM;
            return !border;
        });
    });
    return border;
}

bool isTitleReference(AcDbObjectId id) {
    if (id.isNull()) return false;
    bool title = false;
    reportingBoundary(kSource, __LINE__, [&] {
        {
            CObjectHolder<AcDbObject> object;
            Acad::ErrorStatus es = acdbOpenObject(object.out(), id, AcDb::kForRead);
            if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
            CResbuf data(object->xData(kTitleBorderLinkApp));
            if (data.head() == nullptr) return;
        }
        AcDbObjectIdArray attributes;
        title = CAttBlock(id).getAttributeIds(attributes) == Acad::eOk && attributes.length() > 0;
    });
    return title;
}

Acad::ErrorStatus getSymbolName(AcDbObjectId id, CString& name) {
    if (id.isNull()) {
        name = L"AcDbObjectId::kNull";
        return Acad::eNullObjectId;
    }
    CObjectHolder<AcDbSymbolTableRecord> record;
    if (acdbOpenObject(record.out(), id, AcDb::kForRead) != Acad::eOk) return Acad::eInvalidInput;
    const ACHAR* text = nullptr;
    Acad::ErrorStatus es = record->getName(text);
    if (es != Acad::eOk) return es;
    name = text;
    return Acad::eOk;
}

// ---- AcmBorder ----

AcmBorder::~AcmBorder() = default;

void AcmBorder::assign(const AcmBorder& other) {
    m_id = other.m_id;
    m_known = other.m_known;
}

bool AcmBorder::isEqual(const AcmBorder& other) const { return m_id == other.m_id; }

AcDbObjectId AcmBorder::objectId() const { return m_id; }

bool AcmBorder::checkBlockName() const {
    CString name;
    getBlockInfo(&name, nullptr, nullptr, nullptr, nullptr);
    return false;
}

bool AcmBorder::setVisibility(bool visible) const {
    return isValid() && CAttBlock(m_id).setVisibility(toVisibility(visible)) == Acad::eOk;
}

bool AcmBorder::getAttributeValues(CMapStringToString& values) const {
    return isValid() && CAttBlock(m_id).getAttributeValues(values) == Acad::eOk;
}

bool AcmBorder::setAttributeValues(const CMapStringToString& values) const {
    return isValid() && CAttBlock(m_id).setAttributeValues(values) == Acad::eOk;
}

bool AcmBorder::getBlockInfo(CString* name, AcGePoint3d* position, AcGeScale3d* scale,
                             double* rotation, AcDbObjectId* layerId) const {
    return isValid() && blockInfo(m_id, name, position, scale, rotation, layerId);
}

double AcmBorder::getScale() const { return scaleOf(isValid(), m_id); }

bool AcmBorder::isValid() const { return m_known || isBorderReference(m_id); }

bool AcmBorder::containsPoint(const AcGePoint2d& point) const {
    AcDbExtents extents;
    if (getGeomExtents(extents) != Acad::eOk) return false;
    const AcGePoint3d& low = extents.minPoint();
    const AcGePoint3d& high = extents.maxPoint();
    return low.x <= point.x && point.x <= high.x && low.y <= point.y && point.y <= high.y;
}

bool AcmBorder::containsPoint(const AcGePoint3d& point) const {
    return containsPoint(AcGePoint2d(point.x, point.y));
}

Acad::ErrorStatus AcmBorder::getGeomExtents(AcDbExtents& extents) const {
    Acad::ErrorStatus result = Acad::eNotApplicable;
    if (!isValid()) return result;
    reportingBoundary(kSource, __LINE__, [&] {
        CObjectHolder<AcDbBlockReference> reference;
        Acad::ErrorStatus es = acdbOpenObject(reference.out(), m_id, AcDb::kForRead);
        if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
        result = reference->getGeomExtents(extents);
    });
    return result;
}

// ---- AcmTitle ----

AcmTitle::~AcmTitle() = default;

void AcmTitle::assign(const AcmTitle& other) {
    m_id = other.m_id;
    m_known = other.m_known;
}

bool AcmTitle::isEqual(const AcmTitle& other) const { return m_id == other.m_id; }

AcDbObjectId AcmTitle::objectId() const { return m_id; }

bool AcmTitle::setVisibility(bool visible) const {
    return isValid() && CAttBlock(m_id).setVisibility(toVisibility(visible)) == Acad::eOk;
}

bool AcmTitle::getAttributeValues(CMapStringToString& values) const {
    return isValid() && CAttBlock(m_id).getAttributeValues(values) == Acad::eOk;
}

bool AcmTitle::setAttributeValues(const CMapStringToString& values) const {
    return isValid() && CAttBlock(m_id).setAttributeValues(values) == Acad::eOk;
}

bool AcmTitle::getBlockInfo(CString* name, AcGePoint3d* position, AcGeScale3d* scale,
                            double* rotation, AcDbObjectId* layerId) const {
    return isValid() && blockInfo(m_id, name, position, scale, rotation, layerId);
}

double AcmTitle::getScale() const { return scaleOf(isValid(), m_id); }

bool AcmTitle::isValid() const { return m_known || isTitleReference(m_id); }

// ---- AcmTitleBorder ----

AcmTitleBorder::~AcmTitleBorder() = default;

void AcmTitleBorder::assign(const AcmTitleBorder& other) {
    m_title.assign(other.m_title);
    m_border.assign(other.m_border);
}

bool AcmTitleBorder::isEqual(const AcmTitleBorder& other) const {
    return m_border.objectId() == other.m_border.objectId() &&
           m_title.objectId() == other.m_title.objectId();
}

AcmBorder& AcmTitleBorder::border() { return m_border; }

AcmTitle& AcmTitleBorder::title() { return m_title; }

bool AcmTitleBorder::containsPoint(const AcGePoint2d& point) const {
    return m_border.containsPoint(point);
}

bool AcmTitleBorder::containsPoint(const AcGePoint3d& point) const {
    return m_border.containsPoint(point);
}

double AcmTitleBorder::getScale() const {
    if (m_border.isValid()) return m_border.getScale();
    if (m_title.isValid()) return m_title.getScale();
    return 1.0;
}

bool AcmTitleBorder::setVisibility(bool visible) {
    bool ok = true;
    if (m_border.isValid() && !m_border.setVisibility(visible)) ok = false;
    if (m_title.isValid() && !m_title.setVisibility(visible)) ok = false;
    return ok;
}

bool AcmTitleBorder::getAttributeValues(CMapStringToString& values) {
    bool any = false;
    if (m_title.isValid() && m_title.getAttributeValues(values)) any = true;
    if (m_border.isValid() && m_border.getAttributeValues(values)) any = true;
    return any;
}

bool AcmTitleBorder::setAttributeValues(const CMapStringToString& values) {
    bool any = false;
    if (m_title.isValid() && m_title.setAttributeValues(values)) any = true;
    if (m_border.isValid() && m_border.setAttributeValues(values)) any = true;
    return any;
}
