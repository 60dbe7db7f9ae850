#include "tests/support/CardImage.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/loop.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Attaches `image` to a free loop device and mounts it at `target`. The device lets go of
// the image by itself once it is unmounted.
bool MountImage(const std::string& image, const std::string& target, std::string& error)
{
    const int control = ::open("/dev/loop-control", O_RDWR | O_CLOEXEC);
    const int file = ::open(image.c_str(), O_RDWR | O_CLOEXEC);
    bool mounted = false;
    error = control < 0 ? "no /dev/loop-control" : (file < 0 ? "cannot open " + image : "");
    // Other tests may take the same free device at the same moment: try again then.
    for (int attempt = 0; error.empty() && !mounted && attempt < 20; ++attempt) {
        const int n = ::ioctl(control, LOOP_CTL_GET_FREE);
        if (n < 0) {
            error = std::string("no free loop device: ") + std::strerror(errno);
            break;
        }
        const std::string device = "/dev/loop" + std::to_string(n);
        const int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            continue;
        loop_config config{};
        config.fd = static_cast<__u32>(file);
        config.info.lo_flags = LO_FLAGS_AUTOCLEAR;
        if (::ioctl(fd, LOOP_CONFIGURE, &config) == 0) {
            mounted = ::mount(device.c_str(), target.c_str(), "ext4", 0, nullptr) == 0;
            if (!mounted)
                error = "mount " + device + ": " + std::strerror(errno);
        } else if (errno != EBUSY) {
            error = std::string("LOOP_CONFIGURE: ") + std::strerror(errno);
        }
        ::close(fd);
    }
    if (control >= 0)
        ::close(control);
    if (file >= 0)
        ::close(file);
    return mounted;
}

bool CopyFile(const std::string& from, const std::string& to)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool ok = in >= 0 && out >= 0;
    std::vector<char> chunk(1 << 20);
    while (ok) {
        const ssize_t n = ::read(in, chunk.data(), chunk.size());
        if (n == 0)
            break;
        ok = n > 0 && ::write(out, chunk.data(), static_cast<std::size_t>(n)) == n;
    }
    if (in >= 0)
        ::close(in);
    if (out >= 0)
        ok = ::close(out) == 0 && ok;
    return ok;
}

}  // namespace

CardImage::CardImage(const std::string& folder, int mib, Storage storage) : m_folder(folder)
{
    m_ok = Setup(mib, storage);
}

bool CardImage::Fail(const std::string& what)
{
    m_error = what + (errno ? std::string(": ") + std::strerror(errno) : std::string());
    return false;
}

bool CardImage::Setup(int mib, Storage storage)
{
    if (::geteuid() != 0)
        return Fail("a loop device of our own needs root");
    if (::access("/usr/sbin/mkfs.ext4", X_OK) != 0 && ::access("/sbin/mkfs.ext4", X_OK) != 0)
        return Fail("no mkfs.ext4 (e2fsprogs)");
    for (const char* sub : {"", "/card", "/copy", "/storage"})
        if (::mkdir((m_folder + sub).c_str(), 0755) != 0)
            return Fail("mkdir " + m_folder + sub);
    if (!m_mounts.Enter())
        return Fail("no mount namespace of our own");
    m_image = m_folder + "/card.img";
    const int fd = ::open(m_image.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const bool sized = fd >= 0 && ::ftruncate(fd, static_cast<off_t>(mib) << 20) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!sized)
        return Fail("cannot make the image");
    const std::string mkfs = "PATH=/usr/sbin:/sbin:$PATH mkfs.ext4 -q -F -E lazy_itable_init=0,lazy_journal_init=0 '" +
                             m_image + "' >/dev/null 2>&1";
    errno = 0;
    if (std::system(mkfs.c_str()) != 0)
        return Fail("mkfs.ext4 failed");
    if (storage == Storage::CanGiveOut) {
        // The image moves onto a tmpfs of its own, every block of it written; the card then
        // gives its free blocks back (trim), so that once the tmpfs is full only the blocks
        // the file system keeps for itself, and the files written so far, can be written.
        const std::string size = "size=" + std::to_string(mib + 1) + "m";
        if (::mount("tmpfs", (m_folder + "/storage").c_str(), "tmpfs", 0, size.c_str()) != 0)
            return Fail("tmpfs for the card's storage");
        const std::string stored = m_folder + "/storage/card.img";
        if (!CopyFile(m_image, stored))
            return Fail("cannot copy the image onto the storage");
        ::unlink(m_image.c_str());
        m_image = stored;
    }
    std::string error;
    if (!MountImage(m_image, m_folder + "/card", error)) {
        errno = 0;
        return Fail(error);
    }
    if (storage == Storage::CanGiveOut) {
        const int root = ::open((m_folder + "/card").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        fstrim_range range{0, ~0ull, 0};
        const bool trimmed = root >= 0 && ::ioctl(root, FITRIM, &range) == 0;
        if (root >= 0)
            ::close(root);
        if (!trimmed)
            return Fail("the card cannot give its free blocks back");
    }
    return true;
}

CardImage::~CardImage()
{
    for (const char* sub : {"/copy", "/card", "/storage"})
        ::umount2((m_folder + sub).c_str(), MNT_DETACH);
}

bool CardImage::Pull()
{
    const std::string copy = m_folder + "/copy.img";
    std::string error;
    return m_ok && CopyFile(m_image, copy) && MountImage(copy, m_folder + "/copy", error);
}

void CardImage::GiveOut() const
{
    const int fd = ::open((m_folder + "/storage/filler").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const std::vector<char> block(1 << 16);
    while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {
    }
    if (fd >= 0)
        ::close(fd);
}
