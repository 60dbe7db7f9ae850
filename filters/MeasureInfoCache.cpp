#include "filters/MeasureInfoCache.h"

#include <sys/stat.h>

bool MeasureInfoCache::load(const std::string& path, MeasureInfo& info)
{
    struct stat st {};
    std::lock_guard<std::mutex> hold(m_lock);
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        m_valid = false;
        return false;
    }
    Identity now;
    now.device = st.st_dev;
    now.inode = st.st_ino;
    now.size = st.st_size;
    now.modified = st.st_mtim;
    if (m_valid && m_path == path && m_identity == now) {
        info = m_info;
        return true;
    }
    MeasureInfo fresh{};
    m_valid = m_reader && m_reader(path, fresh);
    if (!m_valid)
        return false;
    m_path = path;
    m_identity = now;
    m_info = fresh;
    info = fresh;
    return true;
}
