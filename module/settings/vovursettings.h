// The module settings of one document, read from the settings file that its companion file
// names: which blocks are title blocks, BOM position blocks and revision tables, which
// attribute tags show which PDM property, the attribute formulas, and every value of the file
// under "SECTION.KEY".
#pragma once

#include <afx.h>

#include "attributes/attassoc.h"

class CVoVurSettings {
  public:
    // Title block names start as the one entry "AMTITLE"; everything else empty.
    CVoVurSettings();
    CVoVurSettings(const CVoVurSettings&) = delete;
    CVoVurSettings& operator=(const CVoVurSettings&) = delete;

    virtual ~CVoVurSettings();
    // Empties everything except the revision set; "AMTITLE" is not put back.
    virtual void Clear();
    // False (nothing changed) when the file cannot be read; otherwise whether the section
    // ATTRIBUTE_MAP gave at least one association. Sections without key lines leave their
    // collection as it was; the general values accumulate over loads.
    virtual bool Load(const wchar_t* path);

    // The accessors hand out the members themselves; they live as long as this object.
    virtual CStringArray* GetTitleBlockNames();
    virtual CAttAssocList* GetAttributeMap();
    virtual CMapStringToString* GetAttributeFormulas();
    virtual CStringArray* GetBomPosBlockNames();
    virtual CAttAssocList* GetBomPosAttributeMap();
    virtual CMapStringToString* GetBomPosAttributeFormulas();
    virtual CStringArray* GetRevisionBlockNames();
    virtual CAttAssocList* GetRevisionAttributeMap();
    virtual CMapStringToString* GetRevisionAttributeFormulas();
    // The value stored under upper-case "SECTION.KEY", or def (null: empty) when there is none.
    virtual CString GetValue(const wchar_t* key, const wchar_t* section, const wchar_t* def);

  private:
    CStringArray m_titleBlockNames;
    CMapStringToString m_titleFormulas;
    CAttAssocList m_titleMap;
    CStringArray m_bomPosBlockNames;
    CAttAssocList m_bomPosMap;
    CMapStringToString m_bomPosFormulas;
    CStringArray m_revisionBlockNames;
    CAttAssocList m_revisionMap;
    CMapStringToString m_revisionFormulas;
    CMapStringToString m_values;
};
