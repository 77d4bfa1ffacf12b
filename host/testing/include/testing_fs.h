// File-system fault hook: makes a chosen step of the host's file writers (the drawing saver and
// CFile's temporary-file-and-rename) fail with a chosen errno, so that tests can check what a
// failure at that very step leaves on disk. For tests only; never on a module's path.
//
// The writers call fileStepFails() before each step. With no fault set and no FileFaultScope
// alive it is one relaxed atomic load.
#pragma once

#include <atomic>

namespace cadhost::testing {

// The steps of writing a file beside its target and renaming it into place.
enum class FileStep {
    kCreateTemp,    // creating the temporary file beside the target
    kWrite,         // one write into the new file (the saver: each system write, also of a
                    // copied backup; CFile: each Write or WriteString)
    kSync,          // getting the new data to disk (fsync; CFile: flushing its stream)
    kClose,         // closing the temporary file (it is closed; the failure is what is injected)
    kRename,        // renaming the new file over the target
    kBackupLink,    // hard-linking the previous file under the backup's temporary name
    kBackupCopy,    // copying it instead, where the link failed
    kBackupRename,  // giving the prepared backup its name, NAME.bak
};
inline constexpr int kFileStepCount = 8;

// From now on the step fails with errno err, after `skip` calls that go through, `times` times
// (times < 0: always). Faults of the same step queue up in order.
void failFileStep(FileStep step, int err, int skip = 0, int times = 1);
// Removes every fault and resets the counts; the hook costs nothing again.
void clearFileFaults();
// How often the step was reached (failed or not) since faults were set or counting began.
int fileStepCount(FileStep step);
// How many injected failures fired since the last clear.
int firedFileFaults();
// Counts the steps (fileStepCount) without failing any.
void countFileSteps();

// Counts steps while alive; removes every fault when it goes out of scope.
class FileFaultScope {
  public:
    FileFaultScope() { countFileSteps(); }
    ~FileFaultScope() { clearFileFaults(); }
    FileFaultScope(const FileFaultScope&) = delete;
    FileFaultScope& operator=(const FileFaultScope&) = delete;
};

// ---- For the host's file writers ----

namespace detail {
extern std::atomic<bool> g_fileHookArmed;
bool fileStepFailsSlow(FileStep step);
}  // namespace detail

// True, with errno set, when a test made this step fail; the caller then takes its own error
// path as if the system call had failed.
inline bool fileStepFails(FileStep step) {
    return detail::g_fileHookArmed.load(std::memory_order_relaxed) &&
           detail::fileStepFailsSlow(step);
}

}  // namespace cadhost::testing
