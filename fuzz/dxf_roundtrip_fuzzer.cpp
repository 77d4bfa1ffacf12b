// libFuzzer target: a read-edit-save round trip of any bytes taken as a drawing file. An
// accepted drawing gets the edits the module makes (an attribute's text, an external
// reference's path, a registered application), is saved to a file and read back: the saved
// file must load and hold every edit that the database took. Any failure on that way, and any
// crash, hang or leak, is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <string>

#include "acutads.h"
#include "arx/db_internal.h"
#include "dbapserv.h"
#include "dbents.h"
#include "dbsymtb.h"
#include "fuzz_support.h"

namespace {

constexpr const wchar_t* kNewText = L"fuzz \u00e4\u20ac text";
constexpr const wchar_t* kNewPath = L"..\\fuzz\\new folder\\b.dwg";
constexpr const wchar_t* kNewApp = L"FUZZ_ROUNDTRIP";

// What the edit pass changed: ordinals in walk order, -1 for nothing.
struct Edits {
    int xref = -1;
    int attribute = -1;
    bool regApp = false;
};

[[noreturn]] void fail(const char* what, const AcDbDatabase& db) {
    const ACHAR* reason = db.lastErrorText();
    std::fprintf(stderr, "round trip: %s: %ls\n", what, reason != nullptr ? reason : L"");
    std::abort();
}

// Visits every block table record and every attribute of every block reference in file order,
// numbering the external references and the attributes, so that the same objects are found
// again in the database read back.
void walk(AcDbDatabase& db, const std::function<void(int, AcDbBlockTableRecord*)>& onXref,
          const std::function<void(int, AcDbObjectId)>& onAttribute) {
    AcDbBlockTable* table = nullptr;
    if (db.getBlockTable(table, AcDb::kForRead) != Acad::eOk) return;
    AcDbBlockTableIterator* records = nullptr;
    int xrefs = 0, attributes = 0;
    if (table->newIterator(records) == Acad::eOk) {
        for (; !records->done(); records->step()) {
            AcDbBlockTableRecord* record = nullptr;
            if (records->getRecord(record, AcDb::kForWrite) != Acad::eOk) continue;
            if (record->isFromExternalReference()) onXref(xrefs++, record);
            AcDbBlockTableRecordIterator* entities = nullptr;
            if (record->newIterator(entities) == Acad::eOk) {
                for (; !entities->done(); entities->step()) {
                    AcDbEntity* entity = nullptr;
                    if (entities->getEntity(entity, AcDb::kForRead) != Acad::eOk) continue;
                    if (auto* reference = AcDbBlockReference::cast(entity)) {
                        AcDbObjectIterator* it = reference->attributeIterator();
                        for (it->start(); !it->done(); it->step())
                            onAttribute(attributes++, it->objectId());
                        delete it;
                    }
                    entity->close();
                }
                delete entities;
            }
            record->close();
        }
        delete records;
    }
    table->close();
}

Edits edit(AcDbDatabase& db) {
    Edits edits;
    walk(
        db,
        [&](int n, AcDbBlockTableRecord* record) {
            if (edits.xref < 0 && record->setPathName(kNewPath) == Acad::eOk) edits.xref = n;
        },
        [&](int n, AcDbObjectId id) {
            if (edits.attribute >= 0) return;
            AcDbAttribute* attribute = nullptr;
            if (acdbOpenObject(attribute, id, AcDb::kForWrite) != Acad::eOk) return;
            if (attribute->setTextString(kNewText) == Acad::eOk) edits.attribute = n;
            attribute->close();
        });
    edits.regApp = acdbRegApp(kNewApp) == RTNORM;
    return edits;
}

void check(AcDbDatabase& db, const Edits& edits) {
    bool xrefSeen = edits.xref < 0, attributeSeen = edits.attribute < 0;
    walk(
        db,
        [&](int n, AcDbBlockTableRecord* record) {
            if (n != edits.xref) return;
            const ACHAR* path = nullptr;
            if (record->pathName(path) != Acad::eOk || std::wcscmp(path, kNewPath) != 0)
                fail("the external reference lost its new path", db);
            xrefSeen = true;
        },
        [&](int n, AcDbObjectId id) {
            if (n != edits.attribute) return;
            AcDbAttribute* attribute = nullptr;
            if (acdbOpenObject(attribute, id, AcDb::kForRead) != Acad::eOk)
                fail("the edited attribute does not open", db);
            const bool same = std::wcscmp(attribute->textStringConst(), kNewText) == 0;
            attribute->close();
            if (!same) fail("the attribute lost its new text", db);
            attributeSeen = true;
        });
    if (!xrefSeen) fail("the edited external reference is gone", db);
    if (!attributeSeen) fail("the edited attribute is gone", db);
    if (edits.regApp) {
        AcDbRegAppTable* apps = nullptr;
        if (db.getRegAppTable(apps, AcDb::kForRead) != Acad::eOk) fail("no application table", db);
        const bool has = apps->has(kNewApp);
        apps->close();
        if (!has) fail("the registered application is gone", db);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::silenceCommandLine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::wstring saved = fuzz::wide(fuzz::scratchPath("roundtrip.dxf"));
    std::remove(fuzz::scratchPath("roundtrip.dxf").c_str());

    Edits edits;
    {
        AcDbDatabase db(false, true);
        std::string text(reinterpret_cast<const char*>(data), size);
        if (cadhost::db::readFromText(db, std::move(text), "fuzz.dxf") != Acad::eOk) return 0;
        acdbHostApplicationServices()->setWorkingDatabase(&db);
        edits = edit(db);
        acdbHostApplicationServices()->setWorkingDatabase(nullptr);
        if (db.saveAs(saved.c_str(), false) != Acad::eOk) fail("save failed", db);
    }

    AcDbDatabase back(false, true);
    if (back.readDwgFile(saved.c_str()) != Acad::eOk) fail("the saved drawing does not read", back);
    check(back, edits);
    return 0;
}
