// Whole measurements against the simulated unit, written once and run on both wires
// (AcqWires.h). Each checks what lands on disk against what the unit sent, byte for byte.
#pragma once

#include "AcqRig.h"
#include "sim/SimUnit.h"

struct AcqBench {
    AcqRig& rig;
    CSimUnit& unit;
};

// Unit configurations the scenarios expect (pass them to the wire's StartUnit).
CSimUnitConfig ScenarioUnit(const char* modules = "8,4,8", const char* sensors = "0");

// Time mode on slots A (both channels, 512 samples) and C (2048 samples, three fragments
// per trace): every trace the unit sent is in the files, nothing else, counts in the headers.
void TimeModeStoresEveryTraceAsSent(AcqBench b);
// Wheel mode, forward, on slots A and C: positions the unit skipped become zero traces
// exactly there.
void WheelForwardFillsSkippedPositions(AcqBench b);
// Wheel mode with a reversed wheel: the unit counts down; missed positions are filled in
// that direction, and command 8 carries 0xFFFF.
void WheelReverseCountsDown(AcqBench b);
// Keyboard mode: K steps give K traces per active channel and the sensor lines of each step.
void KeyboardStepsTakeOneTraceEach(AcqBench b);
// The unit is gone in keyboard mode: code 01 once, then the TRIGG message.
void KeyboardStepWithoutUnit(AcqBench b);
// A second start continues the data set (time and wheel mode): only new traces are
// appended, the first of each channel dropped, the set keeps its name.
void TimeModeContinuesTheDataSet(AcqBench b);
void WheelModeContinuesTheDataSet(AcqBench b);
// The unit vanishes mid-run: code 01 reported once at once, files and headers intact.
void UnitVanishesDuringTheRun(AcqBench b);
// The data files reach the size limit: "Write to disk Error Disk is full" once, whole traces.
void DiskFullDuringTheRun(AcqBench b);
// Malformed records of every kind are skipped; the stream and the files go on unharmed.
void MalformedRecordsAreSkipped(AcqBench b);
// A data message that lost a fragment becomes one zero trace; the count is unchanged.
void LostFragmentBecomesAZeroTrace(AcqBench b);
// Sensor records with missed-trace mode: one .em line per trace, numbered 1..N.
void SensorLinesFollowTheTraces(AcqBench b);
// Marker input, fill levels and battery reach the status while measuring; the stop clears
// latch and fill levels.
void MarkersFillLevelsAndBattery(AcqBench b);

// All 16 channels at 2048 samples and 100 traces per second while the thread that writes the
// data files is held for 2 s, as by a slow memory stick: the data ring takes up the stream,
// and every trace the unit sent is in the files.
void StalledFileWriterLosesNoTrace(AcqBench b);

// The unit for MarkersFillLevelsAndBattery: marker words 0, 8, 8, 0, 8, slot A half full,
// battery 417 reported every 100 ms.
CSimUnitConfig MarkerUnit();

// Every scenario with the unit it runs against; each wire's test file expands it once.
#define ACQ_ALL_SCENARIOS(X)                                  \
    X(TimeModeStoresEveryTraceAsSent, ScenarioUnit())         \
    X(WheelForwardFillsSkippedPositions, ScenarioUnit())      \
    X(WheelReverseCountsDown, ScenarioUnit())                 \
    X(KeyboardStepsTakeOneTraceEach, ScenarioUnit())          \
    X(KeyboardStepWithoutUnit, ScenarioUnit())                \
    X(TimeModeContinuesTheDataSet, ScenarioUnit())            \
    X(WheelModeContinuesTheDataSet, ScenarioUnit())           \
    X(UnitVanishesDuringTheRun, ScenarioUnit())               \
    X(DiskFullDuringTheRun, ScenarioUnit())                   \
    X(MalformedRecordsAreSkipped, ScenarioUnit())             \
    X(LostFragmentBecomesAZeroTrace, ScenarioUnit())          \
    X(SensorLinesFollowTheTraces, ScenarioUnit())             \
    X(MarkersFillLevelsAndBattery, MarkerUnit())
