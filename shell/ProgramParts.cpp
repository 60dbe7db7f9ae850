#include "shell/ProgramParts.h"

#include "model/PlatformPaths.h"
#include "shell/MainFrame.h"

AppParts ProgramParts(Prompter& prompter, Profile& profile, TickClock& clock)
{
    AppParts parts;
    parts.prompter = &prompter;
    parts.profile = &profile;
    parts.clock = &clock;
    parts.settingsFolder = [] { return PlatformPaths::SettingsFolder(); };
    parts.makeMainFrame = [](CRavikApp& app) { return std::make_unique<CMainFrame>(app); };
    return parts;
}
