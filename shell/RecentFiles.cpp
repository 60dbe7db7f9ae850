#include "shell/RecentFiles.h"

#include "model/Profile.h"

#include <algorithm>

namespace {

std::string Key(int i)
{
    return "File" + std::to_string(i + 1);
}

} // namespace

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
