#include "model/TextFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder part of `path` ("." for a bare name) and the name in it.
void SplitPath(const std::string& path, std::string& folder, std::string& name)
{
    const std::size_t slash = path.rfind('/');
    folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// `name` cut to at most `size` bytes, never inside a UTF-8 character.
std::string CutName(const std::string& name, std::size_t size)
{
    if (name.size() <= size)
        return name;
    while (size > 0 && (static_cast<unsigned char>(name[size]) & 0xC0) == 0x80)
        --size;
    return name.substr(0, size);
}

// A name beside `path` that no other save is using: created exclusively, so a second writer
// (another instance, a tool) gets a file of its own. It starts with the file's own name, cut
// as far as needed for the whole to fit the folder's name limit: a file whose name fits must
// never fail for its temporary's. -1 when none could be made.
int CreateTemporaryBeside(const std::string& path, std::string& tmp)
{
    static std::atomic<unsigned> serial{0};
    std::string folder, name;
    SplitPath(path, folder, name);
    const std::size_t limit = FileNameLimit(folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        const std::string suffix = "." + std::to_string(::getpid()) + "-" + std::to_string(serial.fetch_add(1)) + "-" +
                                   std::to_string(static_cast<unsigned long long>(stamp) % 1000000007u) + ".tmp";
        const std::string own = CutName(name, limit > suffix.size() ? limit - suffix.size() : 0) + suffix;
        tmp = path.substr(0, path.size() - name.size()) + own;
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

int LastError()
{
    return errno != 0 ? errno : EIO;
}

// Writes all of `bytes` at the start of the file.
bool WriteAllAt(int fd, std::string_view bytes)
{
    const char* p = bytes.data();
    size_t left = bytes.size();
    off_t at = 0;
    while (left > 0) {
        const ssize_t n = ::pwrite(fd, p, left, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = EIO;
        if (n <= 0)
            return false;
        p += n;
        at += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool ReadAllAt(int fd, size_t size, std::string& bytes)
{
    bytes.assign(size, '\0');
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, bytes.data() + got, size - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

// A full disk, a quota or a file-size limit: the failures a rewrite in place can avoid.
bool IsLackOfRoom(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

enum class SaveOutcome { Saved, NoRoom, Failed };

SaveOutcome FailedWith(int error)
{
    return IsLackOfRoom(error) ? SaveOutcome::NoRoom : SaveOutcome::Failed;
}

// The checks before any save. The rename would replace a file the user protected; a plain
// write would be refused.
bool MayReplace(const std::string& path, struct stat& old, bool& exists)
{
    if (path.empty())
        return false;
    exists = ::stat(path.c_str(), &old) == 0;
    return !exists || ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

SaveOutcome SaveThroughTemporary(const std::string& path, std::string_view bytes, const struct stat& old,
                                 bool exists)
{
    std::string tmp;
    const int fd = CreateTemporaryBeside(path, tmp);
    if (fd < 0)
        return FailedWith(LastError());
    int error = 0;
    if (!WriteAllAt(fd, bytes))
        error = LastError();
    else if (exists && S_ISREG(old.st_mode) && ::fchmod(fd, old.st_mode & 07777) != 0)
        error = LastError();
    else if (::fsync(fd) != 0)
        error = LastError();
    if (::close(fd) != 0 && error == 0)
        error = LastError();
    if (error == 0 && ::rename(tmp.c_str(), path.c_str()) != 0)
        error = LastError();
    if (error == 0) {
        // Until the folder is on the disk a power cut can still bring back the old file
        // beside the temporary.
        return SyncFolderOf(path) ? SaveOutcome::Saved : SaveOutcome::Failed;
    }
    ::unlink(tmp.c_str());
    return FailedWith(error);
}

// Rewrites an existing file over the blocks it already has, which needs no room on the
// disk: only when the new bytes fit in them. When the rewrite fails the old bytes are put
// back as far as the disk allows.
bool RewriteInPlace(const std::string& path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    std::string old;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<std::uint64_t>(st.st_size) <= LineReader::kFileLimit &&
              bytes.size() <= static_cast<std::uint64_t>(st.st_blocks) * 512 &&
              ReadAllAt(fd, static_cast<size_t>(st.st_size), old);
    if (ok) {
        ok = WriteAllAt(fd, bytes) && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
        if (!ok && WriteAllAt(fd, old) && ::ftruncate(fd, static_cast<off_t>(old.size())) == 0)
            ::fsync(fd);
    }
    if (::close(fd) != 0)
        ok = false;
    return ok;
}

}  // namespace

std::size_t FileNameLimit(const std::string& folder)
{
    // A card's FAT or exFAT file system reports six bytes for each of its 255 characters:
    // 255 bytes are never more characters than that.
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 && limit < NAME_MAX ? static_cast<std::size_t>(limit) : std::size_t{NAME_MAX};
}

bool SyncFolderOf(const std::string& path)
{
    std::string folder, name;
    SplitPath(path, folder, name);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // A file system that cannot sync a folder keeps its entries by other means.
    const int error = SyncDescriptor(fd);
    ::close(fd);
    return error == 0 || error == EINVAL;
}

int SyncDescriptor(int fd)
{
    while (::fsync(fd) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

bool SaveFileAtomically(const std::string& path, std::string_view bytes)
{
    struct stat old {};
    bool exists = false;
    return MayReplace(path, old, exists) && SaveThroughTemporary(path, bytes, old, exists) == SaveOutcome::Saved;
}

bool SaveFileAtomicallyOrInPlace(const std::string& path, std::string_view bytes)
{
    struct stat old {};
    bool exists = false;
    if (!MayReplace(path, old, exists))
        return false;
    const SaveOutcome outcome = SaveThroughTemporary(path, bytes, old, exists);
    // The folder is synced too, so that the failed temporary's removal holds as well.
    if (outcome == SaveOutcome::NoRoom && exists && S_ISREG(old.st_mode))
        return RewriteInPlace(path, bytes) && SyncFolderOf(path);
    return outcome == SaveOutcome::Saved;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, size_t limit)
{
    bytes.clear();
    if (path.empty())
        return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    char chunk[65536];
    while (ok) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            break;
        if (n < 0 || bytes.size() + static_cast<size_t>(n) > limit)
            ok = false;
        else
            bytes.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    if (!ok)
        bytes.clear();
    return ok;
}

LineReader::LineReader(const std::string& path, size_t cap) : m_cap(cap)
{
    m_open = ReadWholeFile(path, m_bytes, kFileLimit);
}

bool LineReader::next(std::string& line)
{
    line.clear();
    if (m_pos >= m_bytes.size())
        return false;
    const size_t lf = m_bytes.find('\n', m_pos);
    const size_t end = lf == std::string::npos ? m_bytes.size() : lf;
    // One over the cap, so a CR just past it can be dropped.
    line.assign(m_bytes, m_pos, std::min(end - m_pos, m_cap + 1));
    m_pos = lf == std::string::npos ? m_bytes.size() : lf + 1;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.size() > m_cap)
        line.resize(m_cap);
    return true;
}

KeyValue SplitKeyValue(std::string_view line)
{
    size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return {};
    return {line.substr(0, colon), line.substr(colon + 1)};
}
