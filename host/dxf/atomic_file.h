// Writes a file so that the path always holds either the old or the complete new content: the
// data goes into a temporary file beside it, is flushed to disk, and is renamed into place.
// The temporary file is removed unless commit() succeeded.
#pragma once

#include <string>
#include <string_view>

namespace cadhost::dxf {

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file beside path. False with error set when that fails.
    bool open(const std::string& path);
    // Buffered; a failure is kept and reported by commit().
    void write(std::string_view data);
    // Flushes and syncs the new file; when backupPath is not empty and the target exists, the
    // previous file is kept there (replacing an older backup); then the new file replaces the
    // target. False with error set on failure, leaving the target as it was.
    bool commit(const std::string& backupPath);

    const std::string& error() const { return m_error; }
    // errno of the failure (ENOSPC for a full disk), 0 when none.
    int errorNumber() const { return m_errno; }

private:
    bool flushBuffer();
    bool fail(const std::string& what, int err);

    std::string m_path;
    std::string m_temp;
    std::string m_buffer;
    std::string m_error;
    int m_fd = -1;
    int m_errno = 0;
    bool m_committed = false;
};

}  // namespace cadhost::dxf
