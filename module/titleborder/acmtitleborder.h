// The targets of a title block update: a mechanical title border (AcmBorder), its title block
// (AcmTitle), and the pair of them (AcmTitleBorder). Plain values around object ids; every
// operation opens what it needs and closes it before returning.
//
// A border is a block reference with extended data of "GENIUS_GENOREF_13" whose definition
// holds a text or attribute definition ending in "INSERT"; a title is an object with that
// extended data and at least one attribute. A part whose known flag is set counts as valid
// without the test.
#pragma once

#include <afx.h>
#include <dbents.h>
#include <dbmain.h>
#include <gepnt2d.h>
#include <gepnt3d.h>
#include <gescl3d.h>

// The registered application whose 1005 handle links a border to its title.
inline constexpr const wchar_t* kTitleBorderLinkApp = L"GENIUS_GENOREF_13";

class AcmBorder {
  public:
    AcmBorder() = default;
    explicit AcmBorder(AcDbObjectId id, bool known = false) : m_id(id), m_known(known) {}
    AcmBorder(const AcmBorder&) = default;
    virtual ~AcmBorder();

    virtual void assign(const AcmBorder& other);
    virtual bool isEqual(const AcmBorder& other) const;
    virtual AcDbObjectId objectId() const;
    // Kept for the interface; nothing calls it. Reads the block name and answers false.
    virtual bool checkBlockName() const;
    // Through CAttBlock on the reference, only when valid; true when it answered eOk.
    virtual bool setVisibility(bool visible) const;
    virtual bool getAttributeValues(CMapStringToString& values) const;
    virtual bool setAttributeValues(const CMapStringToString& values) const;
    // Fills each output given (null: not wanted). False when not valid, when the reference
    // does not open, or when a wanted name cannot be read.
    virtual bool getBlockInfo(CString* name, AcGePoint3d* position, AcGeScale3d* scale,
                              double* rotation, AcDbObjectId* layerId) const;
    // The reference's x scale; 1.0 when it cannot be read.
    virtual double getScale() const;
    virtual bool isValid() const;
    // Inside the extents, bounds included (z ignored).
    virtual bool containsPoint(const AcGePoint2d& point) const;
    virtual bool containsPoint(const AcGePoint3d& point) const;
    // eNotApplicable (2) when not valid or the reference does not open, else the host's
    // answer.
    virtual Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const;

    void setObjectId(AcDbObjectId id) { m_id = id; }
    bool isKnown() const { return m_known; }

  private:
    AcDbObjectId m_id;
    bool m_known = false;
};

class AcmTitle {
  public:
    AcmTitle() = default;
    explicit AcmTitle(AcDbObjectId id, bool known = false) : m_id(id), m_known(known) {}
    AcmTitle(const AcmTitle&) = default;
    virtual ~AcmTitle();

    virtual void assign(const AcmTitle& other);
    virtual bool isEqual(const AcmTitle& other) const;
    virtual AcDbObjectId objectId() const;
    virtual bool setVisibility(bool visible) const;
    virtual bool getAttributeValues(CMapStringToString& values) const;
    virtual bool setAttributeValues(const CMapStringToString& values) const;
    virtual bool getBlockInfo(CString* name, AcGePoint3d* position, AcGeScale3d* scale,
                              double* rotation, AcDbObjectId* layerId) const;
    virtual double getScale() const;
    virtual bool isValid() const;

    // A title filled in by pairing keeps the known flag clear.
    void setObjectId(AcDbObjectId id) { m_id = id; }
    bool isKnown() const { return m_known; }

  private:
    AcDbObjectId m_id;
    bool m_known = false;
};

class AcmTitleBorder {
  public:
    AcmTitleBorder() = default;
    AcmTitleBorder(const AcmBorder& border, const AcmTitle& title)
        : m_border(border), m_title(title) {}
    AcmTitleBorder(const AcmTitleBorder&) = default;
    virtual ~AcmTitleBorder();

    // Title part, then border part.
    virtual void assign(const AcmTitleBorder& other);
    // Border ids and title ids equal (flags not compared).
    virtual bool isEqual(const AcmTitleBorder& other) const;
    virtual AcmBorder& border();
    virtual AcmTitle& title();
    virtual bool containsPoint(const AcGePoint2d& point) const;
    virtual bool containsPoint(const AcGePoint3d& point) const;
    // The border's scale when it is valid, else the title's, else 1.0.
    virtual double getScale() const;
    // Both valid parts; false when a valid part failed.
    virtual bool setVisibility(bool visible);
    // The valid title first, then the valid border; true when at least one succeeded.
    virtual bool getAttributeValues(CMapStringToString& values);
    virtual bool setAttributeValues(const CMapStringToString& values);

    const AcmBorder& border() const { return m_border; }
    const AcmTitle& title() const { return m_title; }

  private:
    AcmBorder m_border;
    AcmTitle m_title;
};

// The border and title tests (reporting; false after a report).
bool isBorderReference(AcDbObjectId id);
bool isTitleReference(AcDbObjectId id);
// The name of the block table record id: "AcDbObjectId::kNull" and eNullObjectId (16) for a
// null id, eInvalidInput (3) when it does not open, else eOk.
Acad::ErrorStatus getSymbolName(AcDbObjectId id, CString& name);
