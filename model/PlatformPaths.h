// Where the program keeps its settings and where data sets go by default.
#pragma once

#include <string>

namespace PlatformPaths {

// $XDG_CONFIG_HOME, else $HOME/.config; empty when neither is known.
std::string ConfigHome();

// ConfigHome() + "/Delvora", created when missing; empty when there is no home at all,
// so that every settings file operation on it fails and is reported.
std::string SettingsFolder();

// The user's documents folder, always ending in "/": the XDG DOCUMENTS entry of
// user-dirs.dirs, else $HOME/Documents (created when missing), else $HOME, else the
// current directory.
std::string DocumentsFolder();

// A folder name as the data-set code wants it: ending in "/" (empty stays empty).
std::string WithTrailingSlash(std::string folder);

} // namespace PlatformPaths
