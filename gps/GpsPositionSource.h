// Where the GPS logs take their positions from: the fix the receiver published last and
// the position sentence it holds. Each is copied under its own lock, never both at once.
#pragma once

#include "gps/GPSFix.h"

#include <string>

class GpsPositionSource {
public:
    virtual ~GpsPositionSource() = default;
    virtual CGPSFix CopyPublishedFix() const = 0;
    virtual std::string CopyPositionSentence() const = 0;
};
