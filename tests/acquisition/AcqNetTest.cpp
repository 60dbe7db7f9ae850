// A whole measurement against the simulated unit over a veth pair: the link through the
// capture library, as in the field. Every other scenario runs on the in-memory wire, which
// shares all of the program's path but the capture.
#include "AcqScenarios.h"
#include "AcqWires.h"

TEST_F(AcqOverVeth, TimeModeStoresEveryTraceAsSent)
{
    StartUnit(ScenarioUnit());
    TimeModeStoresEveryTraceAsSent(AcqBench{*rig, Unit()});
}
