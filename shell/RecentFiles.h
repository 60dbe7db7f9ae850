// The recent-file list of the File menu: the four data files opened last, newest first,
// kept in the profile section "Recent File List" as "File1" to "File4".
#pragma once

#include <string>
#include <vector>

class Profile;

class CRecentFiles {
public:
    static constexpr int kSize = 4;
    static constexpr const char* kSection = "Recent File List";

    void Load(const Profile& profile);
    // Writes the entries; a stored entry beyond them is emptied. A list that was never
    // filled writes nothing.
    bool Save(Profile& profile) const;

    // Puts `path` first; an entry of the same path further down goes.
    void Add(const std::string& path);
    // Removes entry `index`; the ones after it move up.
    void Remove(int index);
    int Count() const { return static_cast<int>(m_entries.size()); }
    const std::string& At(int index) const { return m_entries.at(static_cast<std::size_t>(index)); }

    // How the File menu shows `path` (with '&' doubled for the menu): its name alone when it
    // lies in `currentDir`; else the whole path when it has at most `maxLength` characters;
    // else the root's first folder, "/..." and as many of the last folders as fit before the
    // name; the name alone when not even one fits.
    static std::string DisplayName(const std::string& path, const std::string& currentDir,
                                   std::size_t maxLength = kDisplayLength);
    static constexpr std::size_t kDisplayLength = 30;

private:
    std::vector<std::string> m_entries;
};
