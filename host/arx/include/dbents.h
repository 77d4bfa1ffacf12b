// Entities the host models: block references with their attributes, attribute definitions,
// single-line texts and multi-line texts. Text handed out is decoded to wide text; text set is
// encoded for the drawing's version when it is saved.
#pragma once

#include "dbmain.h"

class AcDbAttribute;

class AcDbText : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbText);
    AcDbText();

    AcGePoint3d position() const;
    Acad::ErrorStatus setPosition(const AcGePoint3d& pos);
    double height() const;
    Acad::ErrorStatus setHeight(double h);
    double rotation() const;
    Acad::ErrorStatus setRotation(double r);
    // The text as a new string (caller frees with acutDelString).
    ACHAR* textString() const;
    // The text, owned by the open object (valid until close or the next change).
    const ACHAR* textStringConst() const;
    // Object open for write. eInvalidInput for text with line breaks or longer than a DXF line.
    Acad::ErrorStatus setTextString(const ACHAR* text);

protected:
    explicit AcDbText(const char* dxfType);
};

// An attribute of a block reference (owned by it).
class AcDbAttribute : public AcDbText {
public:
    ACRX_DECLARE_MEMBERS(AcDbAttribute);
    AcDbAttribute();
    // A new single-line attribute with the given value and tag.
    AcDbAttribute(const AcGePoint3d& position, const ACHAR* text, const ACHAR* tag, AcDbObjectId style = AcDbObjectId::kNull);

    ACHAR* tag() const;
    const ACHAR* tagConst() const;
    Acad::ErrorStatus setTag(const ACHAR* tag);
    bool isInvisible() const;
    bool isConstant() const;
    // A multi-line attribute keeps its text in an embedded multi-line text; textString and
    // setTextString work on that text.
    bool isMTextAttribute() const;
};

class AcDbAttributeDefinition : public AcDbText {
public:
    ACRX_DECLARE_MEMBERS(AcDbAttributeDefinition);
    AcDbAttributeDefinition();
    AcDbAttributeDefinition(const AcGePoint3d& position, const ACHAR* text, const ACHAR* tag,
                            const ACHAR* prompt, AcDbObjectId style = AcDbObjectId::kNull);

    ACHAR* tag() const;
    const ACHAR* tagConst() const;
    Acad::ErrorStatus setTag(const ACHAR* tag);
    ACHAR* prompt() const;
    const ACHAR* promptConst() const;
    Acad::ErrorStatus setPrompt(const ACHAR* prompt);
    bool isConstant() const;
    Acad::ErrorStatus setConstant(bool constant);
    bool isMTextAttributeDefinition() const;
};

class AcDbMText : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbMText);
    AcDbMText();

    AcGePoint3d location() const;
    Acad::ErrorStatus setLocation(const AcGePoint3d& pos);
    // The contents with their format codes, as a new string (acutDelString).
    ACHAR* contents() const;
    // The contents, owned by the open object.
    const ACHAR* contentsConst() const;
    // The contents without paragraph breaks' codes: \P becomes a line break.
    ACHAR* text() const;
    Acad::ErrorStatus setContents(const ACHAR* text);
};

// An insertion of a block. Its attributes follow it in the drawing and are owned by it.
class AcDbBlockReference : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbBlockReference);
    AcDbBlockReference();
    AcDbBlockReference(const AcGePoint3d& position, AcDbObjectId blockTableRecord);

    // The inserted block's record (null id when the named block does not exist).
    AcDbObjectId blockTableRecord() const;
    Acad::ErrorStatus setBlockTableRecord(AcDbObjectId id);
    AcGePoint3d position() const;
    Acad::ErrorStatus setPosition(const AcGePoint3d& pos);
    AcGeScale3d scaleFactors() const;
    Acad::ErrorStatus setScaleFactors(const AcGeScale3d& scale);
    double rotation() const;
    Acad::ErrorStatus setRotation(double r);

    // Iterates the attributes in their order; the caller deletes the iterator.
    AcDbObjectIterator* attributeIterator() const;
    // Adds a new attribute (reference open for write and already in a database).
    Acad::ErrorStatus appendAttribute(AcDbAttribute* pAttr);
    Acad::ErrorStatus appendAttribute(AcDbObjectId& id, AcDbAttribute* pAttr);

    // The block's contents transformed by the insertion (eInvalidExtents when it has none).
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;
};
