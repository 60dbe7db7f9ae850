// The real parts of the program's application object.
#pragma once

#include "shell/AppParts.h"

AppParts ProgramParts(Prompter& prompter, Profile& profile, TickClock& clock);
