// A layout (the model tab or a paper tab) and the plot settings it derives from.
#pragma once

#include "dbmain.h"

class AcDbPlotSettings : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbPlotSettings);

protected:
    explicit AcDbPlotSettings(const char* dxfType);
};

class AcDbLayout : public AcDbPlotSettings {
public:
    ACRX_DECLARE_MEMBERS(AcDbLayout);
    AcDbLayout();

    // The layout's name (the tab name), owned by the open layout.
    Acad::ErrorStatus getLayoutName(const ACHAR*& layoutName) const;
    Acad::ErrorStatus getName(const ACHAR*& layoutName) const { return getLayoutName(layoutName); }
    // The layout's block table record (*Model_Space, *Paper_Space...).
    AcDbObjectId getBlockTableRecordId() const;
    int getTabOrder() const;
    bool modelType() const;
};
