#include "model/PlatformPaths.h"

#include "model/TextFile.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace PlatformPaths {
namespace {

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

bool EnsureFolder(const std::string& path)
{
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return true;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

// The value of XDG_DOCUMENTS_DIR in user-dirs.dirs: "$HOME/..." or an absolute path.
std::string XdgDocumentsEntry()
{
    const std::string config = ConfigHome();
    if (config.empty())
        return {};
    LineReader reader(config + "/user-dirs.dirs", 4096);
    std::string line;
    while (reader.next(line)) {
        const std::string prefix = "XDG_DOCUMENTS_DIR=";
        if (line.rfind(prefix, 0) != 0)
            continue;
        std::string value = line.substr(prefix.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) {
            const std::string home = Env("HOME");
            if (home.empty())
                return {};
            value = home + value.substr(5);
        }
        if (value.empty() || value.front() != '/')
            return {};
        // An entry that is just $HOME means "no documents folder" to the desktop.
        if (fs::path(value).lexically_normal() == fs::path(Env("HOME")).lexically_normal())
            return {};
        return value;
    }
    return {};
}

} // namespace

std::string ConfigHome()
{
    std::string xdg = Env("XDG_CONFIG_HOME");
    if (!xdg.empty() && xdg.front() == '/')
        return xdg;
    std::string home = Env("HOME");
    if (!home.empty())
        return home + "/.config";
    return {};
}

std::string SettingsFolder()
{
    const std::string config = ConfigHome();
    if (config.empty())
        return {};
    const std::string folder = config + "/Delvora";
    EnsureFolder(folder); // a failure shows up as failed loads and saves
    return folder;
}

std::string DocumentsFolder()
{
    std::string entry = XdgDocumentsEntry();
    if (!entry.empty() && EnsureFolder(entry))
        return WithTrailingSlash(entry);
    const std::string home = Env("HOME");
    if (!home.empty()) {
        if (EnsureFolder(home + "/Documents"))
            return home + "/Documents/";
        return WithTrailingSlash(home);
    }
    std::error_code ec;
    return WithTrailingSlash(fs::current_path(ec).string());
}

std::string WithTrailingSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/')
        folder.push_back('/');
    return folder;
}

} // namespace PlatformPaths
