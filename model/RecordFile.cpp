#include "model/RecordFile.h"

#include "model/TextFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int RecordFile::CreateNew(const std::string& path)
{
    Close();
    if (path.empty())
        return ENOENT;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    SetDescriptor(fd);
    m_size = 0;
    return 0;
}

int RecordFile::OpenForReading(const std::string& path)
{
    Close();
    if (path.empty())
        return ENOENT;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int e = errno;
        ::close(fd);
        return e;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return EISDIR;
    }
    SetDescriptor(fd);
    m_size = st.st_size;
    return 0;
}

bool RecordFile::Append(const void* data, std::size_t size)
{
    if (m_fd < 0)
        return false;
    const char* p = static_cast<const char*>(data);
    std::size_t left = size;
    while (left > 0) {
        ssize_t n = ::write(m_fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (left == 0) {
        m_size += static_cast<std::int64_t>(size);
        return true;
    }
    if (left != size) {
        // Part of the record reached the file: take it back so the file ends on a
        // record boundary again. If even that fails, later reads ignore the stub.
        while (::ftruncate(m_fd, m_size) != 0 && errno == EINTR) {
        }
    }
    return false;
}

ssize_t RecordFile::ReadAt(std::int64_t offset, void* buffer, std::size_t size) const
{
    if (m_fd < 0 || offset < 0)
        return -1;
    char* p = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(m_fd, p + done, size - done, static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

ssize_t RecordFile::ReadAt(std::int64_t offset, const iovec* parts, int count) const
{
    if (m_fd < 0 || offset < 0)
        return -1;
    std::size_t done = 0;
    int i = 0;
    std::size_t into = 0; // bytes already filled in parts[i]
    while (i < count) {
        // One vector call for as many parts as the system takes at once; a part that was
        // only partly filled continues through a plain read.
        if (into > 0) {
            ssize_t n = ReadAt(offset + static_cast<std::int64_t>(done), static_cast<char*>(parts[i].iov_base) + into,
                               parts[i].iov_len - into);
            if (n < 0)
                return -1;
            done += static_cast<std::size_t>(n);
            if (static_cast<std::size_t>(n) < parts[i].iov_len - into)
                break;
            into = 0;
            ++i;
            continue;
        }
        int batch = std::min(count - i, IOV_MAX);
        ssize_t n = ::preadv(m_fd, parts + i, batch, static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
        std::size_t left = static_cast<std::size_t>(n);
        while (i < count && left >= parts[i].iov_len) {
            left -= parts[i].iov_len;
            ++i;
        }
        into = left;
    }
    return static_cast<ssize_t>(done);
}

bool RecordFile::Sync()
{
    return m_fd < 0 || SyncDescriptor(m_fd) == 0;
}

bool RecordFile::SyncData()
{
    return SyncDataOfShared(m_fdLock, m_fd);
}

void RecordFile::SetDescriptor(int fd)
{
    std::lock_guard<std::mutex> guard(m_fdLock);
    m_fd = fd;
}

bool RecordFile::Close()
{
    if (m_fd < 0)
        return true;
    const int fd = m_fd;
    SetDescriptor(-1);
    m_size = 0;
    return ::close(fd) == 0;
}

bool SyncDataOfShared(std::mutex& fdLock, const int& fd)
{
    int copy;
    {
        std::lock_guard<std::mutex> guard(fdLock);
        if (fd < 0)
            return true;
        copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    }
    if (copy < 0)
        return false;
    // The duplicate shares the open file and its record of write-back errors: an error
    // reported here is not reported again to the stop's own sync, so the caller must act on it.
    int rc;
    while ((rc = ::fdatasync(copy)) != 0 && errno == EINTR) {
    }
    ::close(copy);
    return rc == 0;
}
