// The real parts of the program's application object.
#pragma once

#include "shell/AppParts.h"

AppParts ProgramParts(Prompter& prompter, Profile& profile, TickClock& clock);

// The program's data set, bound to the application's parameter set, locks and flags.
std::unique_ptr<AppDataSet> MakeProgramDataSet(CRavikApp& app);
// The program's acquisition over the application's data set and control unit; null when
// either is not the program's own.
std::unique_ptr<CAcquisition> MakeProgramAcquisition(CRavikApp& app);

// The dialogs of this build that the application's commands open.
void InstallProgramDialogs(CRavikApp& app);
