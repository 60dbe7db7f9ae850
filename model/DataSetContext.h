// The parts of the application's state that the data set consults. All of it is owned by
// the application and outlives the data set; the data set only refers to it.
#pragma once

#include <functional>
#include <mutex>

class CMeasParamSet;
class Prompter;
class UnitInfo;
class GpsLogProvider;

struct DataSetContext {
    CMeasParamSet& settings;             // channel parameters, current slot and channel
    Prompter& prompter;                  // messages 130, 132 and 155
    std::recursive_mutex& driverLock;    // held while the unit is asked whether it has slots
    std::recursive_mutex& emLock;        // guards the sensor records
    UnitInfo* unit = nullptr;            // null: a unit with slots
    GpsLogProvider* gps = nullptr;       // null: no GPS logs
    std::function<bool()> isMeasuring = {};    // while true the display windows are not reloaded
    std::function<bool()> isFileViewMode = {}; // a stored data set is open: headers are written as they stand
};
