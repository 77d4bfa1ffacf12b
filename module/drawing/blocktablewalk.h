// The walk over a drawing's block table that the layout, title block and revision table
// searches share: records in block-table order, erased ones skipped, each open for read only
// while the visitor looks at it.
#pragma once

#include <dbsymtb.h>

#include <memory>

#include "drawing/objectholder.h"
#include "frame/error_report.h"

// Calls visit(record) for every record of db's block table, in table order; visit returns
// false to stop the walk. A record whose id cannot be had or that does not open for read is
// skipped. A table that does not open and an iterator that cannot be made are raised as error
// reports naming source and line (the caller's position). Nothing stays open afterwards,
// also when visit raises.
template <class Visit>
void walkBlockTable(AcDbDatabase* db, const wchar_t* source, int line, Visit&& visit) {
    if (db == nullptr) throwAcadError(Acad::eNullObjectPointer, source, line);
    CObjectHolder<AcDbBlockTable> table;
    Acad::ErrorStatus es = db->getBlockTable(table.out(), AcDb::kForRead);
    if (es != Acad::eOk) throwAcadError(es, source, line);
    AcDbBlockTableIterator* rawIterator = nullptr;
    es = table->newIterator(rawIterator, true, true);
    if (es != Acad::eOk || rawIterator == nullptr)
        throwAcadError(es != Acad::eOk ? es : Acad::eNullObjectPointer, source, line);
    std::unique_ptr<AcDbBlockTableIterator> iterator(rawIterator);
    for (; !iterator->done(); iterator->step(true, true)) {
        AcDbObjectId id;
        if (iterator->getRecordId(id) != Acad::eOk) continue;
        CObjectHolder<AcDbBlockTableRecord> record;
        if (acdbOpenObject(record.out(), id, AcDb::kForRead) != Acad::eOk) continue;
        if (!visit(record.get())) break;
    }
}

// Calls visit(entityId) for every entity of a block table record open for read, in order,
// erased ones skipped; visit returns false to stop. An iterator that cannot be made is raised
// as an error report naming source and line.
template <class Visit>
void walkBlockEntities(const AcDbBlockTableRecord* record, const wchar_t* source, int line,
                       Visit&& visit) {
    AcDbBlockTableRecordIterator* rawIterator = nullptr;
    Acad::ErrorStatus es = record->newIterator(rawIterator, true, true);
    if (es != Acad::eOk || rawIterator == nullptr)
        throwAcadError(es != Acad::eOk ? es : Acad::eNullObjectPointer, source, line);
    std::unique_ptr<AcDbBlockTableRecordIterator> iterator(rawIterator);
    for (; !iterator->done(); iterator->step(true, true)) {
        AcDbObjectId id;
        if (iterator->getEntityId(id) != Acad::eOk) continue;
        if (!visit(id)) break;
    }
}
