// CFile: binary file access over a C stream. Writing with modeCreate (without
// modeNoTruncate) goes through a temporary file beside the target that Close renames into
// place, so that a failed write never leaves a file that looks complete.
#include <afx.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "testing_fs.h"
#include "win/file_path.h"

namespace {

using cadhost::testing::FileStep;
using cadhost::testing::fileStepFails;

struct ErrorInfo {
    int cause;
    LONG osError;
};

ErrorInfo fromErrno(int error) {
    switch (error) {
        case ENOENT:
            return {CFileException::fileNotFound, ERROR_FILE_NOT_FOUND};
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return {CFileException::badPath, ERROR_PATH_NOT_FOUND};
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            return {CFileException::accessDenied, ERROR_ACCESS_DENIED};
        case EMFILE:
        case ENFILE:
            return {CFileException::tooManyOpenFiles, 4};
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return {CFileException::diskFull, 112};
        case EIO:
            return {CFileException::hardIO, 1117};
        case ETXTBSY:
        case EBUSY:
            return {CFileException::sharingViolation, 32};
        default:
            return {CFileException::genericException, -1};
    }
}

void fillError(CFileException* error, int posixError, const wchar_t* fileName) {
    if (!error) return;
    ErrorInfo info = fromErrno(posixError);
    error->m_cause = info.cause;
    error->m_lOsError = info.osError;
    error->m_strFileName = fileName;
}

mode_t creationMode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

CFile::CFile() = default;

CFile::CFile(const wchar_t* fileName, UINT openFlags) {
    CFileException error;
    if (!Open(fileName, openFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CFile::~CFile() {
    if (!m_stream) return;
    try {
        if (m_failed)
            Abort();
        else
            CommitAndClose();
    } catch (...) {
    }
}

BOOL CFile::Open(const wchar_t* fileName, UINT openFlags, CFileException* pError) {
    if (m_stream || !fileName || !*fileName) {
        if (pError) {
            pError->m_cause = m_stream ? CFileException::accessDenied : CFileException::badPath;
            pError->m_lOsError = m_stream ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
            pError->m_strFileName = fileName;
        }
        return FALSE;
    }
    UINT access = openFlags & 3;
    bool write = access == modeWrite || access == modeReadWrite;
    bool create = (openFlags & modeCreate) != 0;
    bool truncate = create && !(openFlags & modeNoTruncate);
    std::string path = cadhost::fileSystemPath(fileName);

    m_failed = false;
    m_openFlags = openFlags;
    m_strFileName = fileName;
    m_targetPath = path;
    m_tempPath.clear();

    if (write && truncate) {
        // The target must be a file that could be replaced; its folder must take new files.
        struct stat info;
        bool exists = ::stat(path.c_str(), &info) == 0;
        if (exists && (S_ISDIR(info.st_mode) || ::access(path.c_str(), W_OK) != 0)) {
            fillError(pError, EACCES, fileName);
            return FALSE;
        }
        std::string temp = path + ".~XXXXXX";
        int fd = fileStepFails(FileStep::kCreateTemp) ? -1 : mkstemp(temp.data());
        if (fd < 0 && !(errno == EACCES && exists)) {
            fillError(pError, errno, fileName);
            return FALSE;
        }
        if (fd >= 0) {
            fchmod(fd, exists ? (info.st_mode & 07777) : creationMode());
            m_stream = fdopen(fd, access == modeReadWrite ? "w+b" : "wb");
            if (!m_stream) {
                int error = errno;
                ::close(fd);
                ::unlink(temp.c_str());
                fillError(pError, error, fileName);
                return FALSE;
            }
            m_tempPath = temp;
            return TRUE;
        }
        // A writable file in a folder that takes no new files: replaced in place, as Windows
        // would do it.
    }

    int flags = access == modeWrite ? O_WRONLY : (access == modeReadWrite ? O_RDWR : O_RDONLY);
    if (create) flags |= O_CREAT;
    if (truncate) flags |= O_TRUNC;
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        fillError(pError, errno, fileName);
        return FALSE;
    }
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        fillError(pError, EACCES, fileName);
        return FALSE;
    }
    const char* mode = access == modeWrite ? "wb" : (access == modeReadWrite ? "r+b" : "rb");
    m_stream = fdopen(fd, mode);
    if (!m_stream) {
        int error = errno;
        ::close(fd);
        fillError(pError, error, fileName);
        return FALSE;
    }
    return TRUE;
}

bool CFile::CommitAndClose() {
    std::FILE* stream = m_stream;
    m_stream = nullptr;
    const bool replacing = !m_tempPath.empty();
    // A file that replaces another reaches the disk before the rename makes it the file.
    bool ok = !(replacing && fileStepFails(FileStep::kSync)) && std::fflush(stream) == 0 &&
              (!replacing || ::fsync(fileno(stream)) == 0);
    int error = ok ? 0 : errno;
    if ((std::fclose(stream) != 0 || (replacing && fileStepFails(FileStep::kClose))) && ok) {
        ok = false;
        error = errno;
    }
    if (!m_tempPath.empty()) {
        if (ok && (fileStepFails(FileStep::kRename) ||
                   std::rename(m_tempPath.c_str(), m_targetPath.c_str()) != 0)) {
            ok = false;
            error = errno;
        }
        if (!ok) ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
    errno = error;
    return ok;
}

void CFile::Close() {
    if (!m_stream) return;
    if (m_failed) {
        // Already reported by the write that failed.
        Abort();
        return;
    }
    if (!CommitAndClose()) {
        ErrorInfo info = fromErrno(errno);
        AfxThrowFileException(
            info.cause == CFileException::genericException ? CFileException::diskFull : info.cause,
            info.osError, m_strFileName);
    }
}

void CFile::Abort() {
    if (!m_stream) return;
    std::fclose(m_stream);
    m_stream = nullptr;
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

void CFile::ThrowError(int cause, int posixError) {
    ErrorInfo info = fromErrno(posixError);
    AfxThrowFileException(cause, info.osError, m_strFileName);
}

UINT CFile::Read(void* buffer, UINT count) {
    if (!m_stream)
        AfxThrowFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, m_strFileName);
    if (count == 0) return 0;
    if (!buffer) AfxThrowInvalidArgException();
    size_t n = std::fread(buffer, 1, count, m_stream);
    if (n < count && std::ferror(m_stream)) ThrowError(CFileException::hardIO, errno);
    return static_cast<UINT>(n);
}

void CFile::Write(const void* buffer, UINT count) {
    if (!m_stream)
        AfxThrowFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, m_strFileName);
    if (count == 0) return;
    if (!buffer) AfxThrowInvalidArgException();
    if (fileStepFails(FileStep::kWrite) || std::fwrite(buffer, 1, count, m_stream) != count) {
        m_failed = true;
        ThrowError(CFileException::diskFull, errno);
    }
}

void CFile::Flush() {
    if (m_stream && std::fflush(m_stream) != 0) {
        m_failed = true;
        ThrowError(CFileException::diskFull, errno);
    }
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
    if (!m_stream)
        AfxThrowFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, m_strFileName);
    int whence = from == current ? SEEK_CUR : (from == end ? SEEK_END : SEEK_SET);
    if (fseeko(m_stream, static_cast<off_t>(offset), whence) != 0)
        ThrowError(CFileException::badSeek, errno);
    return GetPosition();
}

ULONGLONG CFile::GetPosition() const {
    if (!m_stream) return 0;
    off_t position = ftello(m_stream);
    return position < 0 ? 0 : static_cast<ULONGLONG>(position);
}

ULONGLONG CFile::GetLength() const {
    if (!m_stream) return 0;
    if ((m_openFlags & 3) != modeRead) std::fflush(m_stream);  // pending writes count
    struct stat info;
    if (fstat(fileno(m_stream), &info) != 0) return 0;
    return static_cast<ULONGLONG>(info.st_size);
}

CString CFile::GetFileName() const {
    int cut = -1;
    for (int i = 0; i < m_strFileName.GetLength(); ++i) {
        wchar_t c = m_strFileName.GetAt(i);
        if (c == L'\\' || c == L'/' || c == L':') cut = i;
    }
    return m_strFileName.Mid(cut + 1);
}
