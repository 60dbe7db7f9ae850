// Whole measurements against the simulated unit on the in-memory wire.
#include "AcqScenarios.h"
#include "AcqWires.h"

#define ACQ_SCENARIO(Name, config)                      \
    TEST_F(AcqOnMemoryWire, Name)                       \
    {                                                   \
        StartUnit(config);                              \
        Name(AcqBench{*rig, Unit()});                   \
    }

ACQ_SCENARIO(TimeModeStoresEveryTraceAsSent, ScenarioUnit())
ACQ_SCENARIO(WheelForwardFillsSkippedPositions, ScenarioUnit())
ACQ_SCENARIO(WheelReverseCountsDown, ScenarioUnit())
ACQ_SCENARIO(KeyboardStepsTakeOneTraceEach, ScenarioUnit())
ACQ_SCENARIO(KeyboardStepWithoutUnit, ScenarioUnit())
ACQ_SCENARIO(TimeModeContinuesTheDataSet, ScenarioUnit())
ACQ_SCENARIO(WheelModeContinuesTheDataSet, ScenarioUnit())
ACQ_SCENARIO(UnitVanishesDuringTheRun, ScenarioUnit())
ACQ_SCENARIO(DiskFullDuringTheRun, ScenarioUnit())
ACQ_SCENARIO(MalformedRecordsAreSkipped, ScenarioUnit())
ACQ_SCENARIO(LostFragmentBecomesAZeroTrace, ScenarioUnit())
ACQ_SCENARIO(SensorLinesFollowTheTraces, ScenarioUnit())
ACQ_SCENARIO(MarkersFillLevelsAndBattery, MarkerUnit())
