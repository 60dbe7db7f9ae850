// Whole measurements against the simulated unit on the in-memory wire.
#include "AcqScenarios.h"
#include "AcqWires.h"

#define ACQ_SCENARIO(Name, config)                      \
    TEST_F(AcqOnMemoryWire, Name)                       \
    {                                                   \
        StartUnit(config);                              \
        Name(AcqBench{*rig, Unit()});                   \
    }

ACQ_ALL_SCENARIOS(ACQ_SCENARIO)

TEST_F(AcqOnMemoryWire, StalledFileWriterLosesNoTrace)
{
    StartUnit(ScenarioUnit("8,8,8,8,8,8,8,8"));
    StalledFileWriterLosesNoTrace(AcqBench{*rig, Unit()});
}
