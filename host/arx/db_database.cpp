// AcDbDatabase: the drawing database's public face.
#include <string>

#include "dbmain.h"

class AcDbDatabase::Impl {
public:
    std::wstring fileName;
    std::wstring lastError;
};

ACRX_DEFINE_MEMBERS(AcDbDatabase, AcRxObject)

AcDbDatabase::AcDbDatabase(bool buildDefaultDrawing, bool noDocument) : m_impl(new Impl) {}

AcDbDatabase::~AcDbDatabase() { delete m_impl; }

Acad::ErrorStatus AcDbDatabase::getFilename(const ACHAR*& name) const {
    name = m_impl->fileName.c_str();
    return Acad::eOk;
}

const ACHAR* AcDbDatabase::lastErrorText() const { return m_impl->lastError.c_str(); }

Acad::ErrorStatus AcDbDatabase::readDwgFile(const ACHAR* fileName, OpenMode, bool, const wchar_t*) {
    return Acad::eNotImplementedYet;
}

Acad::ErrorStatus AcDbDatabase::readDwgFile(const ACHAR* fileName, int shareMode, bool allowCp, const wchar_t* pw) {
    return readDwgFile(fileName, static_cast<OpenMode>(shareMode), allowCp, pw);
}

Acad::ErrorStatus AcDbDatabase::saveAs(const ACHAR* fileName, bool, AcDb::AcDbDwgVersion, const SecurityParams*) {
    return Acad::eNotImplementedYet;
}

Acad::ErrorStatus AcDbDatabase::saveAs(const ACHAR* fileName, const SecurityParams* sec) {
    return saveAs(fileName, false, AcDb::kDHL_CURRENT, sec);
}
