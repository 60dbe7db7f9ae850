// What the fuzz targets share: a scratch folder for the run, removed when the run ends, and
// the two ways a target gives up (a broken harness and a broken expectation both abort, which
// is what the fuzzer reports).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzz {

inline void Check(bool ok)
{
    if (!ok)
        std::abort();
}

// "delvora-fuzz-<name>-XXXXXX" in memory-backed /dev/shm when there is one (saves sync every
// file, which on a disk makes a run slow), else in /tmp; made on first use, removed at exit.
inline const std::string& ScratchFolder(const char* name)
{
    static const std::string* folder = [name] {
        const std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = base + "/delvora-fuzz-" + name + "-XXXXXX";
        Check(mkdtemp(pattern.data()) != nullptr);
        auto* made = new std::string(pattern);
        std::atexit([] { std::filesystem::remove_all(*folder); });
        return made;
    }();
    return *folder;
}

inline void PutFile(const std::string& path, const std::string& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    Check(f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
    Check(std::fclose(f) == 0);
}

} // namespace fuzz
