// A small file system of the test's own, to be filled up: a tmpfs mounted in a mount
// namespace of the calling thread alone, so the rest of the machine never sees it and
// nothing stays mounted whatever becomes of the test. Needs root (CI and the tests run so).
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

class SmallDisk {
public:
    SmallDisk(const std::string& folder, int kib) : m_folder(folder)
    {
        m_home = ::open("/proc/self/ns/mnt", O_RDONLY | O_CLOEXEC);
        m_cwd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const std::string options = "size=" + std::to_string(kib) + "k";
        m_ok = ::geteuid() == 0 && m_home >= 0 && m_cwd >= 0 && ::mkdir(folder.c_str(), 0755) == 0 &&
               ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk()
    {
        ::umount2(m_folder.c_str(), MNT_DETACH);
        if (m_home >= 0) {
            ::setns(m_home, CLONE_NEWNS);
            ::close(m_home);
        }
        // Entering a mount namespace moves the thread to its root folder.
        if (m_cwd >= 0) {
            if (::fchdir(m_cwd) != 0) {
            }
            ::close(m_cwd);
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool ok() const { return m_ok; }
    std::string file(const std::string& name) const { return m_folder + "/" + name; }

    // Takes every block still free with a file of its own.
    void Fill() const
    {
        const int fd = ::open(file("filler").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        const char block[4096] = {};
        while (fd >= 0 && ::write(fd, block, sizeof block) > 0) {
        }
        if (fd >= 0)
            ::close(fd);
    }

private:
    std::string m_folder;
    int m_home = -1;
    int m_cwd = -1;
    bool m_ok = false;
};
