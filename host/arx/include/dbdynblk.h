// Dynamic blocks: a dynamic block definition and the anonymous blocks that represent the states
// of its references. Both classes are views built on an id; they open what they need themselves
// and hold nothing open.
#pragma once

#include "dbmain.h"

class AcDbDynBlockReference {
public:
    // blockRefId: a block reference.
    explicit AcDbDynBlockReference(AcDbObjectId blockRefId);
    virtual ~AcDbDynBlockReference() = default;

    // True when blockTableRecordId is a dynamic block definition.
    static bool isDynamicBlock(AcDbObjectId blockTableRecordId);
    // True when the reference is a reference of a dynamic block (directly or through one of its
    // anonymous representations).
    bool isDynamicBlock() const;
    AcDbObjectId blockId() const { return m_ref; }
    // The dynamic block definition (null id when the reference is not dynamic).
    AcDbObjectId dynamicBlockTableRecord() const;
    // The anonymous representation the reference inserts (null id when it inserts the
    // definition itself).
    AcDbObjectId anonymousBlockTableRecord() const;

private:
    AcDbObjectId m_ref;
};

class AcDbDynBlockTableRecord {
public:
    explicit AcDbDynBlockTableRecord(AcDbObjectId blockTableRecordId);
    virtual ~AcDbDynBlockTableRecord() = default;

    bool isDynamicBlock() const;
    AcDbObjectId blockTableRecordId() const { return m_record; }
    // The anonymous block records that represent states of this definition (appended).
    Acad::ErrorStatus getAnonymousBlockIds(AcDbObjectIdArray& anonymousIds) const;

private:
    AcDbObjectId m_record;
};
