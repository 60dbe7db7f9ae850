// The real parts of the program's application object.
#pragma once

#include "shell/AppParts.h"

AppParts ProgramParts(Prompter& prompter, Profile& profile, TickClock& clock);

// The program's data set, bound to the application's parameter set, locks and flags.
std::unique_ptr<AppDataSet> MakeProgramDataSet(CRavikApp& app);

// The dialogs of this build that the application's commands open.
void InstallProgramDialogs(CRavikApp& app);
