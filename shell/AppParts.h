// The parts the application object is built from. The program takes the real ones
// (ProgramParts); tests put doubles in their place to watch the order of start-up and
// shutdown and to drive the handlers.
#pragma once

#include "shell/AppDataSet.h"
#include "shell/ControlUnit.h"
#include "shell/GpsControl.h"
#include "shell/TickClock.h"

#include <functional>
#include <memory>
#include <string>

class CAcquisition;
class CMainFrame;
class CRavikApp;
class Profile;
class Prompter;

struct AppParts {
    Prompter* prompter = nullptr;   // the operator's messages
    Profile* profile = nullptr;     // the user profile
    TickClock* clock = nullptr;     // the tick count of the refresh throttle
    // Where the four settings files are read from and written to (created when missing).
    std::function<std::string()> settingsFolder;
    // Built in this order while the application object is constructed; each may consult the
    // parts built before it. A part that returns null is absent from this build.
    std::function<std::unique_ptr<GpsControl>(CRavikApp&)> makeGps;
    std::function<std::unique_ptr<AppDataSet>(CRavikApp&)> makeDataSet;
    std::function<std::unique_ptr<ControlUnit>(CRavikApp&)> makeUnit;
    // The acquisition over the data set and the unit; built last, released first.
    std::function<std::unique_ptr<CAcquisition>(CRavikApp&)> makeAcquisition;
    // The main window, built by InitInstance; null when it cannot be made.
    std::function<std::unique_ptr<CMainFrame>(CRavikApp&)> makeMainFrame;
};
