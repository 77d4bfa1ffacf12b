// Saving a database: the handle seed, leaving an unchanged file alone, and writing the new file
// beside the old one with an optional NAME.bak backup.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "db_internal.h"
#include "dxf/atomic_file.h"

using cadhost::DbStub;
namespace db = cadhost::db;
namespace dxf = cadhost::dxf;

namespace {

std::wstring wide(const std::string& s) { return dxf::TextCodec(1032, "ANSI_1252").decode(s); }

// NAME.dxf → NAME.bak (the extension of the last path component is replaced).
std::string backupPathOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ".bak";
    return path.substr(0, dot) + ".bak";
}

// True when the file at path already holds exactly these bytes. Compared a piece at a time, as
// the writer hands over most of a drawing as one span.
bool sameContent(const std::string& path, const dxf::DxfFile& file) {
    constexpr std::size_t kPiece = 1 << 20;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::size_t size = 0;
    file.write([&](std::string_view s) { size += s.size(); });
    if (static_cast<std::size_t>(st.st_size) != size) return false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool same = true;
    std::string buf(std::min(size, kPiece), '\0');
    file.write([&](std::string_view s) {
        while (same && !s.empty()) {
            std::size_t want = std::min(s.size(), kPiece), got = 0;
            while (got < want) {
                ssize_t n = ::read(fd, buf.data() + got, want - got);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) break;
                got += static_cast<std::size_t>(n);
            }
            if (got != want || std::memcmp(buf.data(), s.data(), want) != 0) same = false;
            s.remove_prefix(want);
        }
    });
    ::close(fd);
    return same;
}

}  // namespace

Acad::ErrorStatus AcDbDatabase::Impl::save(const std::string& path, bool backup) {
    // Objects still open for write are saved as they stand.
    if (openCount > 0)
        for (DbStub& r : file->records())
            if (r.openObject && r.writer) db::flushObject(static_cast<AcDbObject*>(r.openObject));

    // New objects took handles from the seed: the saved seed must stay above them.
    if (nextHandle != savedHandseed) {
        DbStub* header = file->headerRecord();
        if (header) {
            dxf::TagList t;
            std::string text(file->objectText(*header));
            t.parse(text);
            for (int i = 0; i + 1 < t.size(); ++i) {
                std::string_view v = t[i].value();
                while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
                if (t[i].code == 9 && v == "$HANDSEED") {
                    t.setValue(i + 1, db::formatHandle(nextHandle));
                    break;
                }
            }
            if (t.changed()) file->setObjectText(*header, t.text());
        }
        savedHandseed = nextHandle;
    }

    // A save that would not change a byte leaves the file alone.
    if (!file->modified()) {
        struct stat st {};
        bool unchangedOnDisk = path == loadedPath && ::stat(path.c_str(), &st) == 0 &&
                               static_cast<long long>(st.st_size) == loadedSize &&
                               static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec == loadedMtimeNs;
        if (unchangedOnDisk || sameContent(path, *file)) return Acad::eOk;
    } else if (sameContent(path, *file)) {
        return Acad::eOk;
    }

    // A read-only drawing is not replaced, as the platform refuses to write over it, whatever
    // rights the process has.
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && S_ISREG(target.st_mode) && (target.st_mode & S_IWUSR) == 0) {
        lastError = wide(path + ": the file is read-only");
        return Acad::eFileAccessErr;
    }

    dxf::AtomicFile out;
    if (!out.open(path)) {
        lastError = wide(out.error());
        return out.errorNumber() == ENOENT || out.errorNumber() == ENOTDIR ? Acad::eFileNotFound : Acad::eFileAccessErr;
    }
    file->write([&](std::string_view s) { out.write(s); });
    if (!out.commit(backup ? backupPathOf(path) : std::string())) {
        lastError = wide(out.error());
        return out.errorNumber() == ENOSPC ? Acad::eOutOfDisk : Acad::eFileSystemErr;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        loadedSize = static_cast<long long>(st.st_size);
        loadedMtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    }
    loadedPath = path;
    return Acad::eOk;
}
