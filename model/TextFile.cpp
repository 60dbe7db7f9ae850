#include "model/TextFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

bool SaveFileAtomically(const std::string& path, std::string_view bytes)
{
    if (path.empty())
        return false;
    const std::string tmp = path + ".tmp";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = true;
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (ok && left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (ok && ::fsync(fd) != 0)
        ok = false;
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(tmp.c_str(), path.c_str()) != 0)
        ok = false;
    if (!ok)
        ::unlink(tmp.c_str());
    return ok;
}

LineReader::LineReader(const std::string& path, size_t cap) : m_cap(cap)
{
    if (!path.empty())
        m_file = std::fopen(path.c_str(), "rbe");
}

LineReader::~LineReader()
{
    if (m_file)
        std::fclose(m_file);
}

bool LineReader::next(std::string& line)
{
    line.clear();
    if (!m_file)
        return false;
    bool any = false;
    int c;
    while ((c = std::getc(m_file)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        if (line.size() < m_cap + 1) // one over the cap, so a CR just past it can be dropped
            line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.size() > m_cap)
        line.resize(m_cap);
    return any;
}

KeyValue SplitKeyValue(std::string_view line)
{
    size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return {};
    return {line.substr(0, colon), line.substr(colon + 1)};
}
