// CResbuf, CAppXdata and the symbol-table look-ups behind application registration.
#include "drawing/xdata.h"

#include <acutbuild.h>
#include <dbapserv.h>

#include <cstdlib>

#include "drawing/objectholder.h"
#include "frame/error_report.h"

namespace {

constexpr const wchar_t* kSource = BRAKON_SOURCE_NAME;

// Group codes of extended data (1000-4999) carry the meaning of the code modulo 1000, except
// the binary chunk 1004 and the 32-bit integer 1071.
int reducedCode(int code) {
    if (code >= 1000 && code < 5000 && code != 1004 && code != 1071) return code % 1000;
    return code;
}

bool holdsString(int code) {
    const int reduced = reducedCode(code);
    return (reduced >= 0 && reduced <= 9) || reduced == 999 || code == 5005;
}

template <class Table>
AcDbSymbolTable* openTable(AcDbDatabase* db, AcDb::OpenMode mode,
                           Acad::ErrorStatus (AcDbDatabase::*getter)(Table*&, AcDb::OpenMode)) {
    Table* table = nullptr;
    Acad::ErrorStatus es = (db->*getter)(table, mode);
    if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
    return table;
}

}  // namespace

CResbuf::CResbuf(resbuf* chain, bool borrowed)
    : m_head(chain), m_current(chain), m_borrowed(borrowed ? 1 : 0) {}

CResbuf::~CResbuf() { release(); }

void CResbuf::attach(resbuf* chain) {
    if (m_borrowed == 0) freeChain(m_head);
    m_head = chain;
    m_current = chain;
}

void CResbuf::release() {
    if (m_borrowed != 0) return;
    freeChain(m_head);
    m_head = nullptr;
    m_current = nullptr;
}

bool CResbuf::getString(CString& value, short groupCode) const {
    for (const resbuf* item = m_head; item != nullptr; item = item->rbnext) {
        if (item->restype != groupCode) continue;
        value = item->resval.rstring != nullptr ? item->resval.rstring : L"";
        return true;
    }
    return false;
}

void CResbuf::freeChain(resbuf* chain) {
    if (chain == nullptr) return;
    for (resbuf* item = chain; item != nullptr; item = item->rbnext) {
        if (holdsString(item->restype)) {
            std::free(item->resval.rstring);
            item->resval.rstring = nullptr;
        } else if (item->restype == 1004) {
            delete[] item->resval.rbinary.buf;
            item->resval.rbinary.buf = nullptr;
        }
    }
    acutRelRb(chain);
}

CAppXdata::CAppXdata(const wchar_t* appName) : m_data(), m_header(nullptr) {
    const wchar_t* name = appName != nullptr ? appName : L"";
    // A rejected registration leaves reading possible: objects simply show no data then.
    if (!hasSymbolRecord(AcDbRegAppTableRecord::desc(), name)) static_cast<void>(acdbRegApp(name));
    m_header = acutBuildList(1001, name, 0);
}

CAppXdata::~CAppXdata() {
    acutRelRb(m_header);
    m_header = nullptr;
}

const wchar_t* CAppXdata::appName() const {
    return m_header != nullptr && m_header->resval.rstring != nullptr ? m_header->resval.rstring
                                                                      : L"";
}

void CAppXdata::read(const AcDbObject* object) {
    m_data.release();
    if (object == nullptr) return;
    resbuf* chain = object->xData(appName());
    if (chain != nullptr) m_data.attach(chain);
}

AcDbSymbolTable* openSymbolTable(AcRxClass* recordClass, AcDb::OpenMode mode, AcDbDatabase* db) {
    if (db == nullptr) db = acdbHostApplicationServices()->workingDatabase();
    if (db == nullptr) return nullptr;
    AcDbSymbolTable* table = nullptr;
    reportingBoundary(kSource, __LINE__, [&] {
        // The application table first: the border search asks for it once per entity.
        if (recordClass == AcDbRegAppTableRecord::desc())
            table = openTable(db, mode, &AcDbDatabase::getRegAppTable);
        else if (recordClass == AcDbBlockTableRecord::desc())
            table = openTable(db, mode, &AcDbDatabase::getBlockTable);
        else if (recordClass == AcDbDimStyleTableRecord::desc())
            table = openTable(db, mode, &AcDbDatabase::getDimStyleTable);
        else if (recordClass == AcDbLayerTableRecord::desc())
            table = openTable(db, mode, &AcDbDatabase::getLayerTable);
        else if (recordClass == AcDbLinetypeTableRecord::desc())
            table = openTable(db, mode, &AcDbDatabase::getLinetypeTable);
        else if (recordClass == AcDbTextStyleTableRecord::desc())
            table = openTable(db, mode, &AcDbDatabase::getTextStyleTable);
        else if (recordClass == AcDbUCSTableRecord::desc())
            table = openTable(db, mode, &AcDbDatabase::getUCSTable);
        else if (recordClass == AcDbViewTableRecord::desc())
            table = openTable(db, mode, &AcDbDatabase::getViewTable);
        else if (recordClass == AcDbViewportTableRecord::desc())
            table = openTable(db, mode, &AcDbDatabase::getViewportTable);
        else
            throwAcadError(Acad::eInvalidInput, kSource, __LINE__);
    });
    return table;
}

bool hasSymbolRecord(AcRxClass* recordClass, const wchar_t* name, AcDbDatabase* db) {
    CObjectHolder<AcDbSymbolTable> table(openSymbolTable(recordClass, AcDb::kForRead, db));
    if (!table || name == nullptr) return false;
    AcDbObjectId id;
    return table->getIdAt(name, id, false) == Acad::eOk;
}
