// Whole measurements against the simulated unit over a veth pair, the link through the capture library.
#include "AcqScenarios.h"
#include "AcqWires.h"

#define ACQ_SCENARIO(Name, config)                      \
    TEST_F(AcqOverVeth, Name)                       \
    {                                                   \
        StartUnit(config);                              \
        Name(AcqBench{*rig, Unit()});                   \
    }

ACQ_ALL_SCENARIOS(ACQ_SCENARIO)
