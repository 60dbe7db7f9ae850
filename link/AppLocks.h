// The locks of the application. Each guards one group of fields that the user-interface
// thread shares with the acquisition thread. They are recursive for the thread that holds
// them and live exactly as long as the application object, so no worker can find one
// destroyed under it. The GPS receiver's sentence and published fix are guarded by the
// receiver's own parse and fix locks (gps/GPSReceiver.h), beside the data they guard.
//
// Order: Measure is taken before Driver, never the other way round; no other lock is taken
// while one is held. The acquisition thread holds at most one of them at a time and never
// Driver.
#pragma once

#include <mutex>

struct CAppLocks {
    std::recursive_mutex Position;    // distance and time position counts
    std::recursive_mutex Status;      // the latch of the unit's marker status bit
    std::recursive_mutex Measure;     // the presence check against a whole measurement start
    std::recursive_mutex Em;          // 50/60 Hz sensor series and their file records
    std::recursive_mutex Display;     // the channels' trace caches and trace counts
    std::recursive_mutex TraceStore;  // appending a trace to the channel buffer and data file
    std::recursive_mutex Driver;      // every command exchange with the control unit
    std::recursive_mutex UnitValue;   // buffer fill levels and battery value
};
