// Attribute blocks: block references whose definitions carry attribute definitions (title
// blocks, revision tables). CAttBlock reads and writes the attributes of one reference;
// CAttBlockList collects references by block name, layout by layout. The name functions give
// a reference's effective block name (dynamic blocks resolved) and match names to patterns.
#pragma once

#include <acarray.h>
#include <afx.h>
#include <dbents.h>
#include <dbmain.h>
#include <dbsymtb.h>

#include <functional>

// One block reference. Every operation opens what it needs and closes it before returning;
// statuses are the host's (eOk is success).
class CAttBlock {
  public:
    explicit CAttBlock(AcDbObjectId referenceId);
    CAttBlock(const CAttBlock& other) = default;
    virtual ~CAttBlock();
    virtual CAttBlock& operator=(const CAttBlock& other);
    virtual bool operator==(const CAttBlock& other) const;

    // Appends the ids of the reference's attributes in their order. eIllegalEntityType (21)
    // for an object that is not a block reference, eNullEntityPointer (20) when the reference
    // has no attribute iterator, the open status when it does not open.
    virtual Acad::ErrorStatus getAttributeIds(AcDbObjectIdArray& ids);
    // Shows or hides the reference and its attributes; the first failing call ends the
    // operation with its status (what was changed before stays changed).
    virtual Acad::ErrorStatus setVisibility(AcDb::Visibility visibility);
    // values[tag] = text for every attribute that opens; a later equal tag wins.
    virtual Acad::ErrorStatus getAttributeValues(CMapStringToString& values);
    // Writes values into the attributes: by the exact tag, then the tag in lower case, then
    // the first key (in the map's order) that matches the lower-case tag as a name pattern.
    // Attributes without a value keep their text. An attribute that refuses its text (a value
    // with a line break, say) keeps its old text; the others are still written and that
    // refusal's status is returned.
    virtual Acad::ErrorStatus setAttributeValues(const CMapStringToString& values);

    AcDbObjectId objectId() const { return m_id; }

  private:
    AcDbObjectId m_id;
};

// The block references collected from one database, in the order found (duplicates kept).
class CAttBlockList : public AcArray<AcDbObjectId, AcArrayMemCopyReallocator<AcDbObjectId>> {
  public:
    // db null: the working database at construction. Not owned.
    explicit CAttBlockList(AcDbDatabase* db = nullptr);
    ~CAttBlockList() override;
    CAttBlockList(const CAttBlockList&) = delete;
    CAttBlockList& operator=(const CAttBlockList&) = delete;

    // Appends the references on the layout block (open for read) of the non-anonymous blocks
    // with attribute definitions whose names match patterns. True when the list is not empty
    // afterwards; false for a null or non-layout block and after a reported failure (ids
    // appended before it stay).
    virtual bool collectFromLayout(const AcDbBlockTableRecord* layout,
                                   const CStringArray& patterns);
    // layoutName null or empty: every layout in block-table order. Otherwise only the first
    // layout whose name matches the pattern. After a reported failure the list is emptied and
    // false returned.
    virtual bool collectFromLayouts(const wchar_t* layoutName, const CStringArray& patterns);
    // Writes values into every collected reference (their statuses are not looked at). False
    // only when an unexpected failure was caught.
    virtual bool setAttributeValues(const CMapStringToString& values);

    AcDbDatabase* database() const { return m_db; }

  private:
    AcDbDatabase* m_db;
};

// Case-insensitive equality; a pattern holding "*" also matches through the host's wildcard
// matcher (case ignored). Null pattern or name never match.
bool matchesName(const wchar_t* pattern, const wchar_t* name);
// The first matching pattern ends the scan; an empty array matches nothing.
bool matchesAnyName(const CStringArray& patterns, const wchar_t* name);
// 1 and the effective block name of an attribute-bearing reference (open for read), dynamic
// blocks resolved to their definition; 0 otherwise. The name is a new host string
// (acutDelString); null when 0 is returned.
int getBlockName(ACHAR*& name, const AcDbBlockReference* reference);
// True and the name of the dynamic block definition, in the working database, that owns the
// anonymous record anonymousId. The name is a new host string (null when not found).
bool findDynamicBlockName(ACHAR*& name, AcDbObjectId anonymousId);
// The record's name as a new host string (acutNewString); on failure name is null.
Acad::ErrorStatus getRecordName(const AcDbSymbolTableRecord* record, ACHAR*& name);

// Calls found(id) for every direct reference, owned by the layout block layoutId, of the
// block definitions of db whose names match one of the patterns (layouts, anonymous blocks
// and blocks without attribute definitions are not searched), in block-table order.
// References that do not open are skipped. A table, name or reference list that cannot be
// read is raised as an error report naming source and line; what was found before stays found.
void forEachNamedReference(AcDbDatabase* db, AcDbObjectId layoutId, const CStringArray& patterns,
                           const wchar_t* source, int line,
                           const std::function<void(const AcDbObjectId&)>& found);
