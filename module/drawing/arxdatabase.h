// Questions the update runs and the dependency command ask of one drawing database: its
// external references with full paths, its layouts (model space apart) and the active layout.
#pragma once

#include <afx.h>
#include <dbmain.h>
#include <dbsymtb.h>

class CArxDatabase {
  public:
    // db is not owned and must outlive this object; there is no default to the working
    // database.
    explicit CArxDatabase(AcDbDatabase* db);
    virtual ~CArxDatabase();

    // Appends the path of every external-reference block (relative stored paths resolved
    // against the drawing's folder), in block-table order. Returns the array's size; after a
    // reported failure the array is emptied (earlier entries too) and 0 is returned.
    virtual int getExternalReferences(CStringArray& paths);
    // The name of the model-space layout; empty when it cannot be read.
    virtual CString getModelLayoutName();
    // Appends the paper-space layout names in block-table order (not tab order). Returns the
    // array's size; emptied and 0 after a reported failure.
    virtual int getLayoutNames(CStringArray& names);
    // As getLayoutNames, with the layout object ids.
    virtual int getLayoutIds(AcDbObjectIdArray& ids);
    // The active layout's name; false (name unchanged) when it cannot be had.
    virtual bool getCurrentLayoutName(CString& name);
    // The active layout's layout object id; true only for a valid id.
    virtual bool getCurrentLayoutId(AcDbObjectId& id);

  private:
    AcDbDatabase* m_db;
};

// The layout name of a layout block table record open for read; false (name unchanged) when
// the record has no valid layout or the layout cannot be read. Reports nothing.
bool getLayoutNameOfBlock(CString& name, const AcDbBlockTableRecord* record);
