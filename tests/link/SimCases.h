// What the link and the command set must do against the simulated control unit, written
// once and run on the in-memory wire (unit) and over a veth pair (net).
#pragma once

#include "link/CDriver.h"
#include "sim/SimUnit.h"

#include <cstdint>
#include <functional>

struct SimCaseContext {
    CDriver& driver;
    CSimUnit& unit;
    std::int16_t& currentSlot;
    // Detection as the application runs it (inside the right network namespace).
    std::function<int()> detect;
};

// Broadcast discovery with sequence 2, then the handshake to the unit's address.
void CheckDetection(SimCaseContext& c);
// Every command of the set, as the unit parsed it off the wire.
void CheckCommandCoding(SimCaseContext& c);
// Identity, module names and channel sync of the unit's configuration (Tolam or Z5K
// set up by the caller as described in each check).
void CheckTolamMap(SimCaseContext& c);
void CheckZ5KMap(SimCaseContext& c);
// Intervals configured 0.5, 0, NaN, 5e-10 in slot A; slot C without a module.
void CheckSampleIntervals(SimCaseContext& c);
// The unit goes for a while and comes back.
void CheckVanishAndReturn(SimCaseContext& c);
// A time-mode stream of 2048-sample traces with every fragment and malformed-frame fault
// of the unit injected in turn: each costs at most its own message.
void CheckStreamFaults(SimCaseContext& c);
// The same stream with records whose length runs past the end of their message: each such
// message is dropped and counted, and every other trace arrives as sent.
void CheckRecordsPastTheirMessage(SimCaseContext& c);
