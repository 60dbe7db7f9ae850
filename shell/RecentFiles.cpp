#include "shell/RecentFiles.h"

#include "model/Profile.h"

#include <algorithm>

namespace {

std::string Key(int i)
{
    return "File" + std::to_string(i + 1);
}

std::string Abbreviated(const std::string& path, std::size_t nameAt, std::size_t maxLength)
{
    const std::size_t nameLength = path.size() - nameAt;
    if (path.size() <= maxLength)
        return path;
    if (nameLength > maxLength)
        return path.substr(nameAt);
    // The root and its first folder stay: "/home".
    const std::size_t firstFolderEnd = path.find('/', 1);
    if (firstFolderEnd == std::string::npos || firstFolderEnd + 5 + nameLength > maxLength)
        return path.substr(nameAt);
    std::size_t rest = firstFolderEnd;
    while (firstFolderEnd + 4 + (path.size() - rest) > maxLength)
        rest = path.find('/', rest + 1);
    return path.substr(0, firstFolderEnd) + "/..." + path.substr(rest);
}

} // namespace

std::string CRecentFiles::DisplayName(const std::string& path, const std::string& currentDir, std::size_t maxLength)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    std::string folder = currentDir;
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    const bool inCurrentDir = slash != std::string::npos && !currentDir.empty() && path.compare(0, slash, folder) == 0 &&
                              folder.size() == slash;
    const std::string shown = inCurrentDir ? path.substr(nameAt) : Abbreviated(path, nameAt, maxLength);
    std::string escaped;
    for (char c : shown) {
        if (c == '&')
            escaped += '&';
        escaped += c;
    }
    return escaped;
}

void CRecentFiles::Load(const Profile& profile)
{
    m_entries.clear();
    for (int i = 0; i < kSize; ++i) {
        const std::string path = profile.getString(kSection, Key(i), "");
        // A gap left by hand in the file does not hide the entries after it.
        if (!path.empty() && std::find(m_entries.begin(), m_entries.end(), path) == m_entries.end())
            m_entries.push_back(path);
    }
}

bool CRecentFiles::Save(Profile& profile) const
{
    bool ok = true;
    for (int i = 0; i < kSize; ++i) {
        if (i < Count())
            ok = profile.writeString(kSection, Key(i), At(i)) && ok;
        else if (!profile.getString(kSection, Key(i), "").empty())
            ok = profile.writeString(kSection, Key(i), "") && ok;  // an entry that went
    }
    return ok;
}

void CRecentFiles::Add(const std::string& path)
{
    if (path.empty())
        return;
    m_entries.erase(std::remove(m_entries.begin(), m_entries.end(), path), m_entries.end());
    m_entries.insert(m_entries.begin(), path);
    if (Count() > kSize)
        m_entries.resize(kSize);
}

void CRecentFiles::Remove(int index)
{
    if (index >= 0 && index < Count())
        m_entries.erase(m_entries.begin() + index);
}
