// CArxDatabase: layouts, external references and the active layout of one drawing database.
#include "drawing/arxdatabase.h"

#include <dbapserv.h>
#include <dblaymgr.h>
#include <dblayout.h>
#include <shlwapi.h>

#include <cwchar>

#include "drawing/blocktablewalk.h"
#include "drawing/objectholder.h"
#include "frame/error_report.h"

namespace {

constexpr const wchar_t* kSource = BRAKON_SOURCE_NAME;
constexpr int kPathBuffer = MAX_PATH;

// Copies text into a path buffer, cut at its end: paths beyond the platform's limit are
// outside what the host supports, and must not write past the buffer.
void copyPath(wchar_t (&buffer)[kPathBuffer], const wchar_t* text) {
    std::wcsncpy(buffer, text != nullptr ? text : L"", kPathBuffer - 1);
    buffer[kPathBuffer - 1] = L'\0';
}

bool isModelSpaceName(const ACHAR* name) {
    return name != nullptr && _wcsicmp(name, L"*Model_Space") == 0;
}

// The record's name; a name that cannot be read ends the operation with a report.
const ACHAR* recordName(const AcDbBlockTableRecord* record, int line) {
    const ACHAR* name = nullptr;
    Acad::ErrorStatus es = record->getName(name);
    if (es != Acad::eOk) throwAcadError(es, kSource, line);
    return name;
}

}  // namespace

CArxDatabase::CArxDatabase(AcDbDatabase* db) : m_db(db) {}

CArxDatabase::~CArxDatabase() = default;

int CArxDatabase::getExternalReferences(CStringArray& paths) {
    const bool ok = reportingBoundary(kSource, __LINE__, [&] {
        const ACHAR* fileName = nullptr;
        Acad::ErrorStatus es =
            m_db != nullptr ? m_db->getFilename(fileName) : Acad::eNullObjectPointer;
        if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
        // Paths past the platform's limit are outside what the buffers hold: such a
        // reference is listed as stored rather than cut to a path that names another file.
        const bool folderFits = fileName != nullptr && wcslen(fileName) < kPathBuffer;
        wchar_t folder[kPathBuffer];
        copyPath(folder, folderFits ? fileName : L"");
        PathRemoveFileSpecW(folder);

        walkBlockTable(m_db, kSource, __LINE__, [&](AcDbBlockTableRecord* record) {
            if (!record->isFromExternalReference()) return true;
            const ACHAR* stored = nullptr;
            Acad::ErrorStatus es = record->pathName(stored);
            if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
            if (stored == nullptr || wcslen(stored) >= kPathBuffer) {
                paths.Add(stored != nullptr ? stored : L"");
                return true;
            }
            wchar_t path[kPathBuffer];
            copyPath(path, stored);
            if (folderFits && PathIsRelativeW(path)) {
                wchar_t combined[kPathBuffer];
                // A combination that does not fit keeps the stored path: listing it unresolved
                // loses nothing, dropping it would.
                if (PathCombineW(combined, folder, path) != nullptr) copyPath(path, combined);
            }
            paths.Add(path);
            return true;
        });
    });
    if (!ok) {
        paths.RemoveAll();
        return 0;
    }
    return static_cast<int>(paths.GetSize());
}

CString CArxDatabase::getModelLayoutName() {
    CString result;
    reportingBoundary(kSource, __LINE__, [&] {
        walkBlockTable(m_db, kSource, __LINE__, [&](AcDbBlockTableRecord* record) {
            if (!record->isLayout()) return true;
            if (!isModelSpaceName(recordName(record, __LINE__))) return true;
            CString name;
            if (!getLayoutNameOfBlock(name, record)) return true;
            result = name;
            return false;
        });
    });
    return result;
}

int CArxDatabase::getLayoutNames(CStringArray& names) {
    const bool ok = reportingBoundary(kSource, __LINE__, [&] {
        walkBlockTable(m_db, kSource, __LINE__, [&](AcDbBlockTableRecord* record) {
            if (!record->isLayout() || isModelSpaceName(recordName(record, __LINE__))) return true;
            CString name;
            if (getLayoutNameOfBlock(name, record)) names.Add(name);
            return true;
        });
    });
    if (!ok) {
        names.RemoveAll();
        return 0;
    }
    return static_cast<int>(names.GetSize());
}

int CArxDatabase::getLayoutIds(AcDbObjectIdArray& ids) {
    const bool ok = reportingBoundary(kSource, __LINE__, [&] {
        walkBlockTable(m_db, kSource, __LINE__, [&](AcDbBlockTableRecord* record) {
            if (!record->isLayout() || isModelSpaceName(recordName(record, __LINE__))) return true;
            const AcDbObjectId layoutId = record->getLayoutId();
            if (layoutId.isValid()) ids.append(layoutId);
            return true;
        });
    });
    if (!ok) {
        ids.removeAll();
        return 0;
    }
    return ids.length();
}

bool CArxDatabase::getCurrentLayoutName(CString& name) {
    AcDbObjectId layoutId;
    if (!CArxDatabase::getCurrentLayoutId(layoutId)) return false;
    bool delivered = false;
    reportingBoundary(kSource, __LINE__, [&] {
        CObjectHolder<AcDbLayout> layout;
        Acad::ErrorStatus es = acdbOpenObject(layout.out(), layoutId, AcDb::kForRead);
        if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
        const ACHAR* layoutName = nullptr;
        es = layout->getLayoutName(layoutName);
        if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
        name = layoutName;
        delivered = true;
    });
    return delivered;
}

bool CArxDatabase::getCurrentLayoutId(AcDbObjectId& id) {
    bool valid = false;
    reportingBoundary(kSource, __LINE__, [&] {
        AcDbLayoutManager* manager = acdbHostApplicationServices()->layoutManager();
        if (manager == nullptr || m_db == nullptr) return;
        const AcDbObjectId recordId = manager->getActiveLayoutBTRId(m_db);
        if (!recordId.isValid()) return;
        CObjectHolder<AcDbBlockTableRecord> record;
        Acad::ErrorStatus es = acdbOpenObject(record.out(), recordId, AcDb::kForRead);
        if (es != Acad::eOk) throwAcadError(es, kSource, __LINE__);
        id = record->getLayoutId();
        valid = id.isValid();
    });
    return valid;
}

bool getLayoutNameOfBlock(CString& name, const AcDbBlockTableRecord* record) {
    if (record == nullptr) return false;
    const AcDbObjectId layoutId = record->getLayoutId();
    if (!layoutId.isValid()) return false;
    CObjectHolder<AcDbLayout> layout;
    if (acdbOpenObject(layout.out(), layoutId, AcDb::kForRead) != Acad::eOk) return false;
    const ACHAR* layoutName = nullptr;
    if (layout->getLayoutName(layoutName) != Acad::eOk || layoutName == nullptr) return false;
    name = layoutName;
    return true;
}
