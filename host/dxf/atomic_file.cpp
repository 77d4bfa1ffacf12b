// The temporary-file-and-rename writer behind saving drawings.
#include "dxf/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "testing_fs.h"

namespace cadhost::dxf {

namespace {

using cadhost::testing::FileStep;
using cadhost::testing::fileStepFails;

constexpr std::size_t kBufferSize = 1 << 20;

std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void syncFolder(const std::string& path) {
    int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        if (fileStepFails(FileStep::kWrite)) return false;
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies a file (backups on file systems without hard links).
bool copyFile(const std::string& from, const std::string& to) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
        ::close(in);
        return false;
    }
    std::string buf(kBufferSize, '\0');
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(in, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        if (!writeAll(out, buf.data(), static_cast<std::size_t>(n))) {
            ok = false;
            break;
        }
    }
    ok = ::fsync(out) == 0 && ok;
    ok = ::close(out) == 0 && ok;
    ::close(in);
    return ok;
}

}  // namespace

AtomicFile::~AtomicFile() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_committed && !m_temp.empty()) ::unlink(m_temp.c_str());
}

bool AtomicFile::fail(const std::string& what, int err) {
    if (m_error.empty()) {
        m_errno = err;
        m_error = what + ": " + std::strerror(err);
    }
    return false;
}

bool AtomicFile::open(const std::string& path) {
    m_path = path;
    std::string pattern = path + ".tmpXXXXXX";
    std::string buf = pattern;
    m_fd = fileStepFails(FileStep::kCreateTemp) ? -1 : ::mkostemp(buf.data(), O_CLOEXEC);
    if (m_fd < 0) return fail(path + ": cannot create a file in " + folderOf(path), errno);
    m_temp = buf;
    // Keep the permissions of the file being replaced.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) ::fchmod(m_fd, st.st_mode & 07777);
    else ::fchmod(m_fd, 0644);
    m_buffer.reserve(kBufferSize);
    return true;
}

bool AtomicFile::flushBuffer() {
    if (m_buffer.empty() || !m_error.empty()) return m_error.empty();
    if (!writeAll(m_fd, m_buffer.data(), m_buffer.size())) return fail(m_path + ": write failed", errno);
    m_buffer.clear();
    return true;
}

void AtomicFile::write(std::string_view data) {
    if (m_fd < 0 || !m_error.empty()) return;
    if (m_buffer.size() + data.size() <= kBufferSize) {
        m_buffer.append(data);
        return;
    }
    if (!flushBuffer()) return;
    if (data.size() >= kBufferSize) {
        if (!writeAll(m_fd, data.data(), data.size())) fail(m_path + ": write failed", errno);
    } else {
        m_buffer.append(data);
    }
}

bool AtomicFile::commit(const std::string& backupPath) {
    if (m_fd < 0) return fail(m_path + ": not open", EBADF);
    if (!flushBuffer()) return false;
    if (fileStepFails(FileStep::kSync) || ::fsync(m_fd) != 0)
        return fail(m_path + ": flush to disk failed", errno);
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 || fileStepFails(FileStep::kClose))
        return fail(m_path + ": close failed", errno);

    std::string backupTemp;
    struct stat st {};
    if (!backupPath.empty() && ::stat(m_path.c_str(), &st) == 0) {
        // A backup name that cannot take a file (a folder of that name) would only be found
        // out after the drawing was replaced: refuse before anything changes.
        struct stat bst {};
        if (::stat(backupPath.c_str(), &bst) == 0 && S_ISDIR(bst.st_mode))
            return fail(backupPath + ": cannot keep the backup", EISDIR);
        // The backup is prepared under a temporary name and only takes its place once the new
        // drawing is in place, so that a failure leaves the old backup too.
        backupTemp = backupPath + ".tmp" + std::to_string(::getpid());
        ::unlink(backupTemp.c_str());
        if ((fileStepFails(FileStep::kBackupLink) ||
             ::link(m_path.c_str(), backupTemp.c_str()) != 0) &&
            (fileStepFails(FileStep::kBackupCopy) || !copyFile(m_path, backupTemp))) {
            int e = errno;
            ::unlink(backupTemp.c_str());
            return fail(backupPath + ": cannot keep the backup", e);
        }
    }
    if (fileStepFails(FileStep::kRename) || ::rename(m_temp.c_str(), m_path.c_str()) != 0) {
        int e = errno;
        if (!backupTemp.empty()) ::unlink(backupTemp.c_str());
        return fail(m_path + ": cannot replace the file", e);
    }
    m_committed = true;
    if (!backupTemp.empty() &&
        (fileStepFails(FileStep::kBackupRename) ||
         ::rename(backupTemp.c_str(), backupPath.c_str()) != 0)) {
        // The temporary backup is now the only copy of the previous drawing: keep it and say
        // where it is.
        int e = errno;
        syncFolder(m_path);
        return fail(backupPath + ": the drawing was saved, but the backup could not be kept; "
                                 "the previous version is in " + backupTemp, e);
    }
    syncFolder(m_path);
    return true;
}

}  // namespace cadhost::dxf
