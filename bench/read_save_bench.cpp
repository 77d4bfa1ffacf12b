// The drawing database's own cost on a drawing: read it, change one attribute text (so that the
// save has to write the drawing, not just keep the file), save it to a new file. Nothing else is
// opened, so the figures are the read and the save alone, with the process's peak memory.
//
// usage: read_save_bench IN.dxf OUT.dxf
// Prints one line: read S edit S save S free S peak_kb N
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "dbapserv.h"
#include "dbents.h"
#include "dbmain.h"
#include "dbsymtb.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// The first attribute of the first block reference in model space that has one gets a new text.
bool editOneAttribute(AcDbDatabase& db) {
    AcDbBlockTable* table = nullptr;
    if (db.getBlockTable(table, AcDb::kForRead) != Acad::eOk) return false;
    AcDbBlockTableRecord* model = nullptr;
    Acad::ErrorStatus es = table->getAt(L"*Model_Space", model, AcDb::kForRead);
    table->close();
    if (es != Acad::eOk) return false;
    AcDbBlockTableRecordIterator* it = nullptr;
    bool edited = false;
    if (model->newIterator(it) == Acad::eOk) {
        for (; !it->done() && !edited; it->step()) {
            AcDbEntity* entity = nullptr;
            if (it->getEntity(entity, AcDb::kForRead) != Acad::eOk) continue;
            if (auto* reference = AcDbBlockReference::cast(entity)) {
                AcDbObjectIterator* attributes = reference->attributeIterator();
                attributes->start();
                AcDbAttribute* attribute = nullptr;
                if (!attributes->done() &&
                    acdbOpenObject(attribute, attributes->objectId(), AcDb::kForWrite) == Acad::eOk) {
                    edited = attribute->setTextString(L"read_save_bench") == Acad::eOk;
                    attribute->close();
                }
                delete attributes;
            }
            entity->close();
        }
        delete it;
    }
    model->close();
    return edited;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s IN.dxf OUT.dxf\n", argv[0]);
        return 2;
    }
    const std::filesystem::path in = argv[1], out = argv[2];
    auto t0 = Clock::now();
    auto db = std::make_unique<AcDbDatabase>(false, true);
    Acad::ErrorStatus es = db->readDwgFile(in.wstring().c_str());
    if (es != Acad::eOk) {
        std::fprintf(stderr, "%s: read failed: %d %ls\n", argv[1], static_cast<int>(es), db->lastErrorText());
        return 1;
    }
    const double read = since(t0);
    auto t1 = Clock::now();
    if (!editOneAttribute(*db)) {
        std::fprintf(stderr, "%s: no attribute in model space to change\n", argv[1]);
        return 1;
    }
    const double edit = since(t1);
    auto t2 = Clock::now();
    es = db->saveAs(out.wstring().c_str(), false);
    const double save = since(t2);
    if (es != Acad::eOk) {
        std::fprintf(stderr, "%s: save failed: %d %ls\n", argv[2], static_cast<int>(es), db->lastErrorText());
        return 1;
    }
    auto t3 = Clock::now();
    db.reset();
    const double freed = since(t3);
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("read %.4f edit %.4f save %.4f free %.4f peak_kb %ld\n", read, edit, save, freed, ru.ru_maxrss);
    return 0;
}
