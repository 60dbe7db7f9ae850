// The measurement description of a data set header (.rad file).
#pragma once

#include "filters/FilterLibrary.h"

#include <string>

// False, `info` untouched, when the header cannot be read or gives no samples per trace.
bool ReadRadMeasureInfo(const std::string& radPath, MeasureInfo& info);
