// The title border manager: finds the title blocks and mechanical title borders on the
// layouts of one drawing database and writes a value map (attribute tag -> text) into them.
// Built for one update run: construct, collect, setAttributeValues, destroy.
#pragma once

#include <afx.h>
#include <dbmain.h>
#include <dbsymtb.h>

#include "titleborder/acmtitleborder.h"
#include "titleborder/valvector.h"

class AcmTitleBorderMgr : public TValOrderedVector<AcmTitleBorder> {
  public:
    // mode 0: entity scan of each layout (borders and visible title blocks); any other value:
    // block definition scan (title blocks only, invisible ones included). db null: the
    // working database. Not owned.
    AcmTitleBorderMgr(int mode, AcDbDatabase* db);
    ~AcmTitleBorderMgr() override;

    // Appends the targets found on one layout block (open for read). True when the vector is
    // not empty afterwards.
    virtual bool collectFromLayout(const AcDbBlockTableRecord* layout,
                                   const CStringArray& patterns);
    // Collects from the layouts whose name matches layoutName (null or empty: all layouts,
    // model space included), then pairs borders with their titles and drops borders without
    // one. True when a target remains.
    virtual bool collect(const wchar_t* layoutName, const CStringArray& patterns);
    // The first element whose border contains the point.
    virtual bool findByPoint(AcmTitleBorder& result, const AcGePoint2d& point);
    virtual bool findByPoint(AcmTitleBorder& result, const AcGePoint3d& point);
    // All elements' attribute values in one map (later elements overwrite); true when every
    // element succeeded.
    virtual bool getAttributeValues(CMapStringToString& values);
    // Writes values into every element (all are tried); true when every one succeeded.
    virtual bool setAttributeValues(const CMapStringToString& values);
    // The text of the first 1005 item of the object's "GENIUS_GENOREF_13" data.
    virtual bool getLinkHandle(CString& handle, AcDbObjectId id);
    // Gives every element without a valid title the border's partner as title, or removes it.
    virtual bool resolveTitles();
    // The first entity on any layout, other than the border, carrying the border's link.
    virtual bool findPartner(AcDbObjectId& partner, AcDbObjectId borderId);

    int mode() const { return m_mode; }
    AcDbDatabase* database() const { return m_db; }

  private:
    void scanEntities(const AcDbBlockTableRecord* layout, const CStringArray& patterns);
    void scanDefinitions(const AcDbBlockTableRecord* layout, const CStringArray& patterns);

    AcDbDatabase* m_db;
    std::int32_t m_mode;
};
