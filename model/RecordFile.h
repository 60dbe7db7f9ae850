// A data-set file that only ever grows by whole records: a trace, a marker line or a
// sensor line is written completely or not at all, so a full disk never leaves half a
// record behind for the next one to be glued onto. Reads use pread and never move the
// point where the next record is appended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <sys/uio.h>

class RecordFile {
public:
    RecordFile() = default;
    ~RecordFile() { Close(); }
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Creates `path`, which must not exist yet (an existing file is never truncated), for
    // appending and reading. Returns 0 or the errno of the failure (EEXIST when it exists).
    int CreateNew(const std::string& path);
    // Opens an existing file for reading only. Returns 0 or the errno of the failure.
    int OpenForReading(const std::string& path);
    // Writes all `size` bytes at the end of the file. When that fails part-way the file is
    // cut back to its previous length and false is returned.
    bool Append(const void* data, std::size_t size);
    // Reads up to `size` bytes at `offset`, retrying short reads; returns the bytes read
    // (fewer at the end of the file), or -1 on an error.
    ssize_t ReadAt(std::int64_t offset, void* buffer, std::size_t size) const;
    // The same into scattered buffers; `count` may exceed the system's vector limit.
    ssize_t ReadAt(std::int64_t offset, const iovec* parts, int count) const;
    // The length of the file as this object has written it (or found it when opened).
    std::int64_t Size() const { return m_size; }
    bool IsOpen() const { return m_fd >= 0; }
    // Puts everything written so far on the disk and waits for it; true when it is there or
    // no file is open. Costly: for the end of a measurement, never for each record.
    bool Sync();
    // Puts the data written so far on the disk (fdatasync): what the measurement's periodic
    // sync calls from a thread of its own while the owner goes on appending. It works on a
    // duplicate of the descriptor, so a Close meanwhile neither waits for the disk nor pulls
    // the file away under it. True when the data is there or no file is open.
    bool SyncData();
    // Closes the file; false when the system reported an error on the way.
    bool Close();

private:
    void SetDescriptor(int fd);

    // Guards m_fd against the periodic sync's look at it; the owner's own reads of m_fd
    // need no lock, as only the owner changes it.
    mutable std::mutex m_fdLock;
    int m_fd = -1;
    std::int64_t m_size = 0;
};

// Puts the data written through `fd` on the disk, through a duplicate taken under `fdLock`
// (the lock its owner holds while it opens or closes `fd`). True when the data is there or
// `fd` is closed.
bool SyncDataOfShared(std::mutex& fdLock, const int& fd);
