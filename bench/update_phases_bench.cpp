// Where the time of one `cadhost open` goes: the same host session that cadhost runs (module
// loaded, drawing opened as a document, drawing-load message, save over the file with a backup,
// documents closed), with a clock read at each boundary. The end of the read is caught by a
// document manager reactor: the document is created right after the database is read and before
// any module hears of the drawing, so "update" is exactly what the modules do on the load message.
//
// usage: update_phases_bench [--module PATH] DRAWING
//   PATH defaults to brakon.so beside this program. DRAWING is saved over (use a fresh copy).
// Prints one line: read S update S save S close S total S peak_kb N
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "acdocman.h"
#include "arx/host_session.h"

namespace {

using Clock = std::chrono::steady_clock;

class CreatedClock : public AcApDocManagerReactor {
  public:
    void documentCreated(AcApDocument*) override { created = Clock::now(); }
    Clock::time_point created{};
};

double between(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

std::string besideSelf(const char* name) {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(name) : (self.parent_path() / name).string();
}

}  // namespace

int main(int argc, char** argv) {
    std::string module = besideSelf("brakon.so");
    std::string drawing;
    bool usage = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--module" && i + 1 < argc)
            module = argv[++i];
        else if (drawing.empty() && arg.rfind("--", 0) != 0)
            drawing = arg;
        else
            usage = true;
    }
    if (usage || drawing.empty()) {
        std::fprintf(stderr, "usage: %s [--module PATH] DRAWING\n", argv[0]);
        return 2;
    }

    // The reactor outlives the session: the manager is shut down with the process.
    static CreatedClock clock;
    cadhost::HostSession session;
    if (!session.loadModule(module)) return 1;
    acDocManager->addReactor(&clock);

    const auto t0 = Clock::now();
    AcApDocument* doc = session.openDrawing(std::filesystem::absolute(drawing).wstring());
    const auto t1 = Clock::now();
    if (doc == nullptr || clock.created == Clock::time_point{}) {
        std::fprintf(stderr, "%s: not opened\n", drawing.c_str());
        return 1;
    }
    if (session.loadFailed(doc)) {
        std::fprintf(stderr, "%s: the module failed on the load message\n", drawing.c_str());
        return 1;
    }
    if (!session.saveDrawing(doc)) return 1;
    const auto t2 = Clock::now();
    acDocManager->removeReactor(&clock);
    session.end();
    const auto t3 = Clock::now();

    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("read %.4f update %.4f save %.4f close %.4f total %.4f peak_kb %ld\n", between(t0, clock.created),
                between(clock.created, t1), between(t1, t2), between(t2, t3), between(t0, t3), ru.ru_maxrss);
    return 0;
}
