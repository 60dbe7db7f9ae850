// The GPS receiver on a serial port. While it is open, its thread reads the port every
// 200 ms, parses NMEA sentences or TSIP packets, publishes the position as a CGPSFix and
// then calls the update poster, which the application turns into a message to its
// user-interface thread (position bar, GPS log records).
//
// Threads: Open, Close, Enable and the settings belong to the user-interface thread. The
// receiver thread never prompts; it reports through the posters only. The position
// sentence and the TSIP values are guarded by the parse lock, the published fix by the
// fix lock; no code holds both at once.
#pragma once

#include "gps/GPSFix.h"
#include "gps/GpsCyclePacer.h"
#include "gps/GpsPositionSource.h"
#include "gps/NmeaLineSplitter.h"
#include "gps/SerialLine.h"
#include "gps/TsipFramer.h"
#include "model/GpsSettingsTarget.h"

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class Profile;
class Prompter;

// Messages of the receiver and its logs, by string-table id.
enum GpsMessageId : int {
    IDS_GPS_CANNOT_CREATE_LOG = 132,  // "Error. Cannot create GPS data container"
    IDS_GPS_CANNOT_OPEN_PORT = 57654, // "Unable to open the serial port"
    IDS_GPS_CANNOT_SET_MASK = 57655,
    IDS_GPS_CANNOT_CONFIGURE_PORT = 57656, // "Unable to configure the serial port"
    IDS_GPS_CANNOT_CREATE_EVENT = 57657,
};

class CGPSReceiver : public GpsSettingsTarget, public GpsPositionSource {
public:
    using UtcClock = std::function<std::chrono::system_clock::time_point()>;

    // `profile` names the devices behind the ports ("Device COMn"); `prompter` shows the
    // failures of Open. Both must outlive the receiver.
    CGPSReceiver(const Profile& profile, Prompter& prompter);
    ~CGPSReceiver() override;
    CGPSReceiver(const CGPSReceiver&) = delete;
    CGPSReceiver& operator=(const CGPSReceiver&) = delete;

    // The operator's settings: indexes into the tables of SerialOptions.h. Change them only
    // while the receiver is closed; Open works with a copy.
    int m_nPort = 0;
    int m_nBaudIndex = 5;
    int m_nDataBitsIndex = 2;
    int m_nParityIndex = 2;
    int m_nStopBitsIndex = 0;
    int m_nProtocol = 1;      // 0 TSIP, any other value NMEA
    int m_nOutputFormat = 0;  // kept for the profile; the logs read their format from the profile

    // Connections to the application; set them before the first Open.
    // `post` is called on the receiver thread after each publication of the fix.
    void SetUpdatePoster(std::function<void()> post) { m_postUpdate = std::move(post); }
    // A failure met on the receiver thread, as the text the operator is to be shown.
    void SetThreadErrorPoster(std::function<void(const std::string&)> post) { m_postError = std::move(post); }
    // The computer's clock, for the date of the fix.
    void SetUtcClock(UtcClock clock) { m_clock = std::move(clock); }
    // The beat of the thread (every 200 ms unless replaced).
    void SetCyclePacer(std::unique_ptr<GpsCyclePacer> pacer) { m_pacer = std::move(pacer); }
    // The quiet gap that ends a read and the longest a read may take, in milliseconds.
    void SetReadTimes(int quietGapMs, int deadlineMs) { m_line.SetReadTimes(quietGapMs, deadlineMs); }

    // Opens the port and starts the thread: 1 done, 0 failed (the operator was told why).
    int Open();
    // Stops the thread, waits for it, closes the port. Harmless when closed.
    void Close();
    // On and closed: Open. Off: Close. On and open: nothing.
    void Enable(bool on) override;
    bool IsOpen() const override { return m_bOpen; }
    // Clears the run flag only, for the closing of the main window: the thread ends at its
    // next cycle; the port stays open until Close.
    void StopRunning();

    Values GetGpsValues() const override;
    // Takes the values as stored, except that a port, rate, data-bits, parity or stop-bits
    // index outside its table becomes that table's default.
    void SetGpsValues(const Values& values) override;

    CGPSFix CopyPublishedFix() const override;
    std::string CopyPositionSentence() const override;

    // Fields of the stored position sentence (and the TSIP values).
    double GetLatitude() const;
    double GetLongitude() const;
    std::string GetLatHemisphere() const;
    std::string GetLonHemisphere() const;
    int GetFixQuality() const;
    float GetHDOP() const;
    double GetAltitude() const;
    std::string GetTimeText() const;
    std::string GetTsipTimeText() const;
    // The fix time as an automation date: the receiver's time of day on the computer's UTC
    // date, moved by a day when that puts it more than 12 hours from the computer's clock
    // (a fix just before midnight read just after it). 0 for a time of day that is none.
    double GetDateTime() const;

private:
    struct TimeOfDay {
        long long hour = 0, minute = 0, second = 0;
        bool valid = false;
    };

    void ThreadMain();
    void RunCycle(int& emptyCycles);
    int ReadAndParse();
    bool ParseNmea(std::size_t count);
    bool ParseTsip(std::size_t count);
    void Publish(const CGPSFix& fix);
    void PostError(const std::string& text);
    bool IsTsip() const { return m_nActiveProtocol.load() == 0; }
    std::string PositionField(int k) const;
    TimeOfDay NmeaTimeOfDay() const;
    TimeOfDay TsipTimeOfDay() const;

    const Profile& m_profile;
    Prompter& m_prompter;
    std::function<void()> m_postUpdate;
    std::function<void(const std::string&)> m_postError;
    UtcClock m_clock;
    std::unique_ptr<GpsCyclePacer> m_pacer;

    bool m_bOpen = false;
    std::atomic<bool> m_bRunning{false};
    std::atomic<int> m_nActiveProtocol{1};
    std::thread m_thread;
    CSerialLine m_line;

    // The receiver thread's own: read buffers and framing state.
    CNmeaLineSplitter m_lines;
    CTsipFramer m_tsip;
    std::array<std::uint8_t, CNmeaLineSplitter::kCapacity> m_tsipBuffer{};
    bool m_bTsipPositionRead = false;

    mutable std::recursive_mutex m_gpsParseLock; // guards the sentence and the TSIP values
    std::string m_strPosition;
    float m_fTsipLatitude = 0.0f;
    float m_fTsipLongitude = 0.0f;
    float m_fTsipAltitude = 0.0f;
    float m_fTsipHdop = 0.0f;
    float m_fTsipTimeOfFix = 0.0f;

    mutable std::recursive_mutex m_gpsFixLock; // guards the published fix
    CGPSFix m_published;
};
