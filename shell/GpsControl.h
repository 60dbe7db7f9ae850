// What the application object needs of the GPS receiver beyond its settings: ending its
// thread when the main window closes, closing the port at exit, and the data set's logs.
#pragma once

#include "gps/GPSFix.h"
#include "model/GpsSettingsTarget.h"

class GpsLogProvider;

class GpsControl : public GpsSettingsTarget {
public:
    // Clears the receiver thread's run flag; the port stays open until Close.
    virtual void StopRunning() = 0;
    // Stops and joins the receiver thread and closes the port; harmless when closed.
    virtual void Close() = 0;
    // What makes the data set's GPS logs; null where there are none.
    virtual GpsLogProvider* LogProvider() { return nullptr; }
    // The position the receiver published last (copied under its lock).
    virtual CGPSFix CopyFix() const { return {}; }
};
