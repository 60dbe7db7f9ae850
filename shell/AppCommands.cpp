#include "shell/AppCommands.h"

#include "shell/CommandIds.h"

namespace {

constexpr AppCommandInfo kCommands[] = {
    {cmd::kOpen, "&Open...\tCtrl+O", "Ctrl+O"},
    {cmd::kPrintSetup, "P&rint Setup...", nullptr},
    {cmd::kPaletteManager, "&Palette Manager", "P"},
    {cmd::kConnect, "&Connect\tF9", "F9"},
    {cmd::kStart, "&Start\tF5", "F5"},
    {cmd::kStop, "S&top\tF6", "F6"},
    {cmd::kStartNew, "Start &New Measurement", "F2"},
    {cmd::kMeasurementSettings, "&Measurement Settings", "M"},
    {cmd::kScalesSettings, "&Scales settings", nullptr},
    {cmd::kHardwareSetup, "&Hardware Setup", nullptr},
    {cmd::kAbout, "&About", nullptr},
    {cmd::kF4, "", "F4"},
};

} // namespace

std::span<const AppCommandInfo> AppCommandTable()
{
    return kCommands;
}

const AppCommandInfo* FindAppCommand(int id)
{
    for (const AppCommandInfo& c : kCommands)
        if (c.id == id)
            return &c;
    return nullptr;
}

std::optional<bool> IsAppCommandEnabled(int id, const AppCommandState& s)
{
    const bool idle = s.connected && !s.measuring;
    if (id >= cmd::kRecentFile1 && id < cmd::kRecentFile1 + cmd::kRecentFileCount)
        return !s.measuring;
    switch (id) {
    case cmd::kAbout:
    case cmd::kScalesSettings:
    case cmd::kConnect:
    case cmd::kPaletteManager:
    case cmd::kF4:
        return true;
    case cmd::kHardwareSetup:
    case cmd::kPrintSetup:
        return !(s.documentActive && s.measuring);
    case cmd::kStart:
    case cmd::kMeasurementSettings:
    case cmd::kStartNew:
        return idle;
    case cmd::kStop:
        return s.measuring && s.connected;
    case cmd::kOpen:
        return !s.measuring;
    default:
        return std::nullopt;
    }
}
