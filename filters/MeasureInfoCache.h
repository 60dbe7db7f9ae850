// The measurement description of the last data set header read, kept while the file stays
// the same. The radargram asks for it on every redraw (ten times a second while measuring);
// the header changes only when the data set's headers are rewritten.
#pragma once

#include "filters/FilterLibrary.h"

#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <sys/types.h>

class MeasureInfoCache {
public:
    // Reads a header into a description; false when it cannot.
    using Reader = std::function<bool(const std::string& path, MeasureInfo& info)>;

    explicit MeasureInfoCache(Reader reader) : m_reader(std::move(reader)) {}

    // The description of the header at `path`, read again only when the file was replaced
    // or modified since (device, inode, size and modification time differ). False, and
    // `info` untouched, when the file is missing or the reader fails.
    bool load(const std::string& path, MeasureInfo& info);

private:
    struct Identity {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        bool operator==(const Identity& o) const
        {
            return device == o.device && inode == o.inode && size == o.size &&
                   modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
        }
    };

    Reader m_reader;
    std::mutex m_lock; // guards the cached entry
    bool m_valid = false;
    std::string m_path;
    Identity m_identity;
    MeasureInfo m_info{};
};
