// Benchmark of the drawing database on a large drawing: read, walk every layout's entities
// asking each for its extended data (as the title-border search does), edit one attribute per
// layout, save. Reports wall time per step and the peak resident set size.
//
// usage: dxf_read_save_bench FILE.dxf [OUT.dxf]   (OUT defaults to FILE.bench-out.dxf)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "dbapserv.h"
#include "dbents.h"
#include "dbmain.h"
#include "dbsymtb.h"
#include "acutbuild.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

long peakRssKb() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE.dxf [OUT.dxf]\n", argv[0]);
        return 2;
    }
    std::filesystem::path in = argv[1];
    std::filesystem::path out = argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::path(in.string() + ".bench-out.dxf");
    auto t0 = Clock::now();
    auto db = std::make_unique<AcDbDatabase>(false, true);
    Acad::ErrorStatus es = db->readDwgFile(in.wstring().c_str(), AcDbDatabase::kForReadAndReadShare);
    if (es != Acad::eOk) {
        std::fprintf(stderr, "read failed: %d %ls\n", static_cast<int>(es), db->lastErrorText());
        return 1;
    }
    double readTime = seconds(t0);

    auto t1 = Clock::now();
    long entities = 0, withXdata = 0, attributes = 0;
    AcDbBlockTable* bt = nullptr;
    db->getBlockTable(bt, AcDb::kForRead);
    AcDbBlockTableIterator* it = nullptr;
    bt->newIterator(it);
    for (; !it->done(); it->step()) {
        AcDbBlockTableRecord* rec = nullptr;
        if (it->getRecord(rec) != Acad::eOk) continue;
        if (!rec->isLayout()) {
            rec->close();
            continue;
        }
        AcDbBlockTableRecordIterator* eit = nullptr;
        rec->newIterator(eit);
        bool edited = false;
        for (; !eit->done(); eit->step()) {
            AcDbEntity* ent = nullptr;
            if (eit->getEntity(ent) != Acad::eOk) continue;
            ++entities;
            if (resbuf* rb = ent->xData(L"GENIUS_GENOREF_13")) {
                ++withXdata;
                acutRelRb(rb);
            }
            if (auto* br = AcDbBlockReference::cast(ent); br && !edited) {
                AcDbObjectIterator* ait = br->attributeIterator();
                ait->start();
                if (!ait->done()) {
                    AcDbAttribute* a = nullptr;
                    if (acdbOpenObject(a, ait->objectId(), AcDb::kForWrite) == Acad::eOk) {
                        a->setTextString(L"benchmark");
                        a->close();
                        ++attributes;
                        edited = true;
                    }
                }
                delete ait;
            }
            ent->close();
        }
        delete eit;
        rec->close();
    }
    delete it;
    bt->close();
    double walkTime = seconds(t1);

    auto t2 = Clock::now();
    es = db->saveAs(out.wstring().c_str(), false);
    double saveTime = seconds(t2);
    if (es != Acad::eOk) {
        std::fprintf(stderr, "save failed: %d %ls\n", static_cast<int>(es), db->lastErrorText());
        return 1;
    }
    auto t3 = Clock::now();
    db.reset();
    double freeTime = seconds(t3);
    std::printf("file %s (%.1f MB)\n", in.c_str(), std::filesystem::file_size(in) / 1e6);
    std::printf("read  %.3f s\nwalk  %.3f s (%ld entities, %ld with xdata, %ld attributes edited)\nsave  %.3f s\n"
                "free  %.3f s\ntotal %.3f s\npeak RSS %.1f MB\n",
                readTime, walkTime, entities, withXdata, attributes, saveTime, freeTime,
                readTime + walkTime + saveTime + freeTime, peakRssKb() / 1024.0);
    return 0;
}
