// The file-system fault hook behind testing_fs.h: queued faults per file step and step counts.
#include <cerrno>
#include <deque>
#include <mutex>

#include "testing_fs.h"

namespace cadhost::testing {

namespace detail {
std::atomic<bool> g_fileHookArmed{false};
}  // namespace detail

namespace {

struct Fault {
    int err;
    int skip;
    int times;
};

struct HookState {
    std::mutex mutex;
    std::deque<Fault> faults[kFileStepCount];
    int counts[kFileStepCount] = {};
    int fired = 0;
};

HookState& state() {
    static HookState s_state;
    return s_state;
}

int indexOf(FileStep step) { return static_cast<int>(step); }

}  // namespace

bool detail::fileStepFailsSlow(FileStep step) {
    HookState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    const int i = indexOf(step);
    if (i < 0 || i >= kFileStepCount) return false;
    ++s.counts[i];
    std::deque<Fault>& queue = s.faults[i];
    if (queue.empty()) return false;
    Fault& f = queue.front();
    if (f.skip > 0) {
        --f.skip;
        return false;
    }
    const int err = f.err;
    if (f.times > 0 && --f.times == 0) queue.pop_front();
    ++s.fired;
    errno = err;
    return true;
}

void failFileStep(FileStep step, int err, int skip, int times) {
    const int i = indexOf(step);
    if (times == 0 || i < 0 || i >= kFileStepCount) return;
    HookState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    // errno 0 would read as success to callers that test errno: make it a plain I/O error.
    s.faults[i].push_back(Fault{err != 0 ? err : EIO, skip < 0 ? 0 : skip, times});
    detail::g_fileHookArmed.store(true, std::memory_order_relaxed);
}

void clearFileFaults() {
    HookState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    detail::g_fileHookArmed.store(false, std::memory_order_relaxed);
    for (int i = 0; i < kFileStepCount; ++i) {
        s.faults[i].clear();
        s.counts[i] = 0;
    }
    s.fired = 0;
}

int fileStepCount(FileStep step) {
    const int i = indexOf(step);
    if (i < 0 || i >= kFileStepCount) return 0;
    HookState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.counts[i];
}

int firedFileFaults() {
    HookState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.fired;
}

void countFileSteps() { detail::g_fileHookArmed.store(true, std::memory_order_relaxed); }

}  // namespace cadhost::testing
