// The commands the application object handles, their keys and when they may run.
// Enabling depends only on three facts (a unit is connected, a measurement runs, a document
// is active) and on whether the window that a command opens is part of this build.
#pragma once

#include <optional>
#include <span>

struct AppCommandState {
    bool connected = false;
    bool measuring = false;
    bool documentActive = false;
};

struct AppCommandInfo {
    int id;
    const char* menuText;  // as the menus show it, key after a tab
    const char* key;       // accelerator in QKeySequence form, or nullptr
};

// Every command of the application object, in menu order.
std::span<const AppCommandInfo> AppCommandTable();
const AppCommandInfo* FindAppCommand(int id);

// Whether command `id` may run in `state`; std::nullopt for an id that is not the
// application's. Open and the recent files are refused while measuring: opening closes the
// measuring document without its Stop, which would leave its headers with a stale trace
// count.
std::optional<bool> IsAppCommandEnabled(int id, const AppCommandState& state);
