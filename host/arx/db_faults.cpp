// Fault injection for tests: chosen database calls fail with chosen statuses.
#include <deque>
#include <map>

#include "db_internal.h"

namespace {

struct Fault {
    Acad::ErrorStatus status;
    int skip;
    int times;
};

std::map<cadhost::testing::DbCall, std::deque<Fault>>& faults() {
    static std::map<cadhost::testing::DbCall, std::deque<Fault>> s_faults;
    return s_faults;
}

std::map<const cadhost::DbStub*, Acad::ErrorStatus>& openFaults() {
    static std::map<const cadhost::DbStub*, Acad::ErrorStatus> s_faults;
    return s_faults;
}

}  // namespace

namespace cadhost::db {

bool faultsArmed = false;

bool armedFault(testing::DbCall call, Acad::ErrorStatus& status) {
    auto& all = faults();
    if (all.empty()) return false;
    auto it = all.find(call);
    if (it == all.end() || it->second.empty()) return false;
    Fault& f = it->second.front();
    if (f.skip > 0) {
        --f.skip;
        return false;
    }
    status = f.status;
    if (f.times > 0 && --f.times == 0) it->second.pop_front();
    return true;
}

bool armedOpenFault(const DbStub* stub, Acad::ErrorStatus& status) {
    auto& all = openFaults();
    if (all.empty()) return false;
    auto it = all.find(stub);
    if (it == all.end()) return false;
    status = it->second;
    return true;
}

}  // namespace cadhost::db

namespace cadhost::testing {

void failCall(DbCall call, Acad::ErrorStatus status, int skip, int times) {
    if (times == 0) return;
    faults()[call].push_back(Fault{status, skip, times});
    db::faultsArmed = true;
}

void failOpen(AcDbObjectId id, Acad::ErrorStatus status) {
    if (id.isNull()) return;
    openFaults()[id.stub()] = status;
    db::faultsArmed = true;
}

void clearDbFaults() {
    faults().clear();
    openFaults().clear();
    db::faultsArmed = false;
}

int openObjectCount(const AcDbDatabase* db) { return db ? db->impl()->openCount : 0; }

}  // namespace cadhost::testing
