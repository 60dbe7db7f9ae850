// Command identifiers of the menus, keys and toolbar. They stay the same in every version:
// the accelerator table, the status-bar texts and the toolbar are keyed by them.
#pragma once

namespace cmd {
// Commands of the application object.
inline constexpr int kAbout = 57664;
inline constexpr int kScalesSettings = 32773;
inline constexpr int kConnect = 32782;
inline constexpr int kPaletteManager = 32794;
inline constexpr int kHardwareSetup = 32775;
inline constexpr int kPrintSetup = 57606;
inline constexpr int kStart = 32779;
inline constexpr int kMeasurementSettings = 32808;
inline constexpr int kStop = 32780;
inline constexpr int kStartNew = 32818;
inline constexpr int kOpen = 57601;
inline constexpr int kF4 = 32824;
// The recent-file entries.
inline constexpr int kRecentFile1 = 57616;
inline constexpr int kRecentFileCount = 4;
// The frame's exit.
inline constexpr int kExit = 57665;
} // namespace cmd
