// A small file system of the test's own, to be filled up: a tmpfs mounted in a mount
// namespace of the calling thread alone, so the rest of the machine never sees it and
// nothing stays mounted whatever becomes of the test. Needs root (CI and the tests run so).
#pragma once

#include "tests/support/OwnMountNamespace.h"

#include <fcntl.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

class SmallDisk {
public:
    SmallDisk(const std::string& folder, int kib) : m_folder(folder)
    {
        const std::string options = "size=" + std::to_string(kib) + "k";
        m_ok = ::geteuid() == 0 && ::mkdir(folder.c_str(), 0755) == 0 && m_mounts.Enter() &&
               ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk() { ::umount2(m_folder.c_str(), MNT_DETACH); }
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
    OwnMountNamespace m_mounts;
    bool m_ok = false;
};
