// CAttBlock, CAttBlockList and the block name functions.
#include "attributes/block.h"

#include <acutads.h>
#include <acutmem.h>
#include <dbapserv.h>
#include <dbdynblk.h>

#include <cwchar>
#include <memory>

#include "drawing/arxdatabase.h"
#include "drawing/blocktablewalk.h"
#include "drawing/objectholder.h"
#include "frame/error_report.h"

namespace {

constexpr const wchar_t* kSource = BRAKON_SOURCE_NAME;

// Raises the bare status of a single-object operation (returned unprinted by its boundary).
void check(Acad::ErrorStatus es) {
    if (es != Acad::eOk) throwAcadStatus(es);
}

bool hasAttributeIterator(const AcDbBlockReference* reference) {
    std::unique_ptr<AcDbObjectIterator> iterator(reference->attributeIterator());
    return iterator != nullptr;
}

// The value for an attribute tag: the tag itself, the tag in lower case, then the first key
// that matches the lower-case tag as a pattern (keys such as "BENENNUNG*" or "*").
bool findValue(const CMapStringToString& values, const wchar_t* tag, CString& value) {
    if (values.Lookup(tag, value)) return true;
    CString lower(tag);
    lower.MakeLower();
    if (values.Lookup(lower, value)) return true;
    POSITION position = values.GetStartPosition();
    while (position != nullptr) {
        CString key, candidate;
        values.GetNextAssoc(position, key, candidate);
        if (matchesName(key, lower)) {
            value = candidate;
            return true;
        }
    }
    return false;
}

}  // namespace

// ---- CAttBlock ----

CAttBlock::CAttBlock(AcDbObjectId referenceId) : m_id(referenceId) {}

CAttBlock::~CAttBlock() = default;

CAttBlock& CAttBlock::operator=(const CAttBlock& other) {
    m_id = other.m_id;
    return *this;
}

bool CAttBlock::operator==(const CAttBlock& other) const { return m_id == other.m_id; }

Acad::ErrorStatus CAttBlock::getAttributeIds(AcDbObjectIdArray& ids) {
    return statusBoundary(kSource, __LINE__, [&]() -> Acad::ErrorStatus {
        CObjectHolder<AcDbEntity> entity;
        check(acdbOpenObject(entity.out(), m_id, AcDb::kForRead));
        const AcDbBlockReference* reference = AcDbBlockReference::cast(entity.get());
        if (reference == nullptr) return Acad::eIllegalEntityType;
        std::unique_ptr<AcDbObjectIterator> iterator(reference->attributeIterator());
        if (iterator == nullptr) return Acad::eNullEntityPointer;
        for (iterator->start(); !iterator->done(); iterator->step(false, true)) {
            const AcDbObjectId id = iterator->objectId();
            if (!id.isErased()) ids.append(id);
        }
        return Acad::eOk;
    });
}

Acad::ErrorStatus CAttBlock::setVisibility(AcDb::Visibility visibility) {
    return statusBoundary(kSource, __LINE__, [&]() -> Acad::ErrorStatus {
        {
            CObjectHolder<AcDbEntity> entity;
            check(acdbOpenObject(entity.out(), m_id, AcDb::kForWrite));
            check(entity->setVisibility(visibility, true));
            check(entity.close());
        }
        AcDbObjectIdArray ids;
        check(getAttributeIds(ids));
        for (const AcDbObjectId& id : ids) {
            CObjectHolder<AcDbEntity> attribute;
            check(acdbOpenObject(attribute.out(), id, AcDb::kForWrite));
            check(attribute->setVisibility(visibility, true));
            check(attribute.close());
        }
        return Acad::eOk;
    });
}

Acad::ErrorStatus CAttBlock::getAttributeValues(CMapStringToString& values) {
    return statusBoundary(kSource, __LINE__, [&]() -> Acad::ErrorStatus {
        AcDbObjectIdArray ids;
        check(getAttributeIds(ids));
        for (const AcDbObjectId& id : ids) {
            CObjectHolder<AcDbAttribute> attribute;
            if (acdbOpenObject(attribute.out(), id, AcDb::kForRead) != Acad::eOk) continue;
            const ACHAR* tag = attribute->tagConst();
            const ACHAR* text = attribute->textStringConst();
            if (tag != nullptr && text != nullptr) values.SetAt(tag, text);
        }
        return Acad::eOk;
    });
}

Acad::ErrorStatus CAttBlock::setAttributeValues(const CMapStringToString& values) {
    return statusBoundary(kSource, __LINE__, [&]() -> Acad::ErrorStatus {
        AcDbObjectIdArray ids;
        check(getAttributeIds(ids));
        Acad::ErrorStatus refused = Acad::eOk;
        for (const AcDbObjectId& id : ids) {
            CObjectHolder<AcDbAttribute> attribute;
            if (acdbOpenObject(attribute.out(), id, AcDb::kForWrite) != Acad::eOk) continue;
            const ACHAR* tag = attribute->tagConst();
            if (tag == nullptr || *tag == L'\0') continue;
            CString value;
            if (!findValue(values, tag, value)) continue;
            const Acad::ErrorStatus es = attribute->setTextString(value);
            if (es != Acad::eOk && refused == Acad::eOk) refused = es;
        }
        return refused;
    });
}

// ---- CAttBlockList ----

CAttBlockList::CAttBlockList(AcDbDatabase* db)
    : AcArray(0, 8), m_db(db != nullptr ? db : acdbHostApplicationServices()->workingDatabase()) {}

void forEachNamedReference(AcDbDatabase* db, AcDbObjectId layoutId, const CStringArray& patterns,
                           const wchar_t* source, int line,
                           const std::function<void(const AcDbObjectId&)>& found) {
    walkBlockTable(db, source, line, [&](AcDbBlockTableRecord* record) {
        if (record->isLayout() || record->isAnonymous() || !record->hasAttributeDefinitions())
            return true;
        const ACHAR* name = nullptr;
        Acad::ErrorStatus es = record->getName(name);
        if (es != Acad::eOk) throwAcadError(es, source, line);
        if (!matchesAnyName(patterns, name)) return true;
        AcDbObjectIdArray references;
        es = record->getBlockReferenceIds(references, true, false);
        if (es != Acad::eOk) throwAcadError(es, source, line);
        for (const AcDbObjectId& id : references) {
            CObjectHolder<AcDbBlockReference> reference;
            if (acdbOpenObject(reference.out(), id, AcDb::kForRead) != Acad::eOk) continue;
            if (reference->ownerId() == layoutId) found(id);
        }
        return true;
    });
}

CAttBlockList::~CAttBlockList() = default;

bool CAttBlockList::collectFromLayout(const AcDbBlockTableRecord* layout,
                                      const CStringArray& patterns) {
    if (layout == nullptr || !layout->isLayout()) return false;
    const AcDbObjectId layoutId = layout->objectId();
    reportingBoundary(kSource, __LINE__, [&] {
        forEachNamedReference(m_db, layoutId, patterns, kSource, __LINE__,
                              [&](const AcDbObjectId& id) { append(id); });
    });
    return !isEmpty();
}

bool CAttBlockList::collectFromLayouts(const wchar_t* layoutName, const CStringArray& patterns) {
    const bool filtered = layoutName != nullptr && *layoutName != L'\0';
    bool result = false;
    const bool ok = reportingBoundary(kSource, __LINE__, [&] {
        bool matched = false;
        walkBlockTable(m_db, kSource, __LINE__, [&](AcDbBlockTableRecord* record) {
            if (!record->isLayout()) return true;
            if (!filtered) {
                collectFromLayout(record, patterns);
                return true;
            }
            CString name;
            if (!getLayoutNameOfBlock(name, record) || !matchesName(layoutName, name)) return true;
            result = collectFromLayout(record, patterns);
            matched = true;
            return false;
        });
        if (!matched) result = !isEmpty();
    });
    if (!ok) {
        removeAll();
        return false;
    }
    return result;
}

bool CAttBlockList::setAttributeValues(const CMapStringToString& values) {
    return reportingBoundary(kSource, __LINE__, [&] {
        for (const AcDbObjectId& id : *this) {
            CAttBlock block(id);
            block.setAttributeValues(values);
        }
    });
}

// ---- Names ----

bool matchesName(const wchar_t* pattern, const wchar_t* name) {
    if (pattern == nullptr || name == nullptr) return false;
    if (_wcsicmp(pattern, name) == 0) return true;
    return std::wcschr(pattern, L'*') != nullptr && acutWcMatchEx(name, pattern, true) == RTNORM;
}

bool matchesAnyName(const CStringArray& patterns, const wchar_t* name) {
    for (INT_PTR i = 0; i < patterns.GetSize(); ++i)
        if (matchesName(patterns.GetAt(i), name)) return true;
    return false;
}

int getBlockName(ACHAR*& name, const AcDbBlockReference* reference) {
    name = nullptr;
    if (reference == nullptr) return 0;
    int result = 0;
    reportingBoundary(kSource, __LINE__, [&] {
        const AcDbObjectId block = reference->blockTableRecord();
        if (AcDbDynBlockReference::isDynamicBlock(block)) {
            AcDbDynBlockReference dynamic(reference->objectId());
            CObjectHolder<AcDbBlockTableRecord> definition;
            Acad::ErrorStatus es =
                acdbOpenObject(definition.out(), dynamic.dynamicBlockTableRecord(), AcDb::kForRead);
            if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
            if (!definition->hasAttributeDefinitions() || !hasAttributeIterator(reference)) return;
            es = getRecordName(definition.get(), name);
            if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
            result = 1;
            return;
        }
        CObjectHolder<AcDbBlockTableRecord> record;
        Acad::ErrorStatus es = acdbOpenObject(record.out(), block, AcDb::kForRead);
        if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
        if (!record->hasAttributeDefinitions() || !hasAttributeIterator(reference)) return;
        es = getRecordName(record.get(), name);
        if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
        if (record->isAnonymous()) {
            acutDelString(name);
            if (!findDynamicBlockName(name, record->objectId())) return;
        }
        result = 1;
    });
    if (result == 0 && name != nullptr) acutDelString(name);
    return result;
}

bool findDynamicBlockName(ACHAR*& name, AcDbObjectId anonymousId) {
    name = nullptr;
    bool found = false;
    reportingBoundary(kSource, __LINE__, [&] {
        walkBlockTable(acdbHostApplicationServices()->workingDatabase(), kSource, __LINE__,
                       [&](AcDbBlockTableRecord* record) {
                           AcDbDynBlockTableRecord dynamic(record->objectId());
                           if (!dynamic.isDynamicBlock()) return true;
                           AcDbObjectIdArray anonymous;
                           dynamic.getAnonymousBlockIds(anonymous);
                           if (!anonymous.contains(anonymousId)) return true;
                           static_cast<void>(getRecordName(record, name));
                           found = true;
                           return false;
                       });
    });
    return found;
}

Acad::ErrorStatus getRecordName(const AcDbSymbolTableRecord* record, ACHAR*& name) {
    name = nullptr;
    if (record == nullptr) return Acad::eNullObjectPointer;
    const ACHAR* text = nullptr;
    Acad::ErrorStatus es = record->getName(text);
    if (es != Acad::eOk) return es;
    return acutNewString(text, name);
}
