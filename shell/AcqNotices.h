// The acquisition's notifications as events to the application object.
#pragma once

#include "link/Acquisition.h"

// Posts the event of `notice`; safe from any thread and never blocks.
void PostAcqNotice(AcqNotice notice);
