// The GPS log of one channel: a text file beside the channel's .rd3 data file that ties
// trace numbers to positions, in one of four formats chosen by the profile value
// "Output format" of "GPS Settings": ".cor" (date, time, position with hemisphere letters,
// altitude, HDOP), ".fri" (signed position and altitude), ".utm" (grid coordinates) or
// ".gga" (the raw position sentence). Lines end in CR LF; a record is on disk as soon as
// it is written, and a record the disk could not take whole is taken back whole.
// All operations belong to the user-interface thread, but for SyncWritten, which the
// periodic sync of a running measurement calls from its own.
#pragma once

#include "gps/UTMConverter.h"
#include "model/GpsLog.h"

#include <mutex>
#include <string>

class GpsPositionSource;
class Profile;

class KGPSData : public GpsLog {
public:
    static constexpr int kFormatCor = 0;
    static constexpr int kFormatFri = 1;
    static constexpr int kFormatUtm = 2;
    static constexpr int kFormatGga = 3;

    // Results of WriteRecord.
    static constexpr int kNotOpen = 0;
    static constexpr int kWritten = 1;     // a record was appended, or the fix had none to give
    static constexpr int kWriteFailed = 6; // the file did not take the record; nothing of it stays

    // `profile` gives the format, `source` the positions; both must outlive the log.
    KGPSData(const Profile& profile, const GpsPositionSource& source);
    ~KGPSData() override;
    KGPSData(const KGPSData&) = delete;
    KGPSData& operator=(const KGPSData&) = delete;

    // Names the log after the channel's data file: its name up to the last '.', plus the
    // extension of the format (none for a format outside 0 to 3).
    void SetFileName(const std::string& dataFileName) override;
    std::string GetFileName() const override { return m_strFileName; }
    // Opens the named log for appending, starting at `startTrace`: 1 opened now, 0 when the
    // file cannot be opened or this log is already open under the same name. A log still
    // open under an earlier name is closed first, so a new data set never writes into the
    // previous one's log. A ".fri" log started at trace 0 begins with its title line.
    int Open(int startTrace) override;
    // Appends the record of trace `traceNumber` made from the published fix (nothing when
    // the fix has no position). The trace is remembered either way.
    int WriteRecord(int traceNumber) override;
    // Whether a GPS update should write a record for a channel that holds `traceCount`
    // traces: a ".gga" log takes every sentence, the others one record per trace count.
    bool WantsRecord(int traceCount) const override;
    int GetLastTrace() const override { return m_nLastTrace; }
    bool Sync() override;
    bool SyncWritten() override;
    void Close() override;

    bool IsOpen() const { return m_bOpen; }

private:
    int ReadFormat() const;
    std::string Record(int traceNumber);
    bool Append(const std::string& bytes);

    const Profile& m_profile;
    const GpsPositionSource& m_source;

    std::string m_strFileName;
    int m_nLastTrace = 0;
    CUTMConverter m_Utm;
    double m_dNorthing = 0.0;
    double m_dEasting = 0.0;
    char m_szZone[4] = {};
    char m_cSeparator = '\t';
    int m_nFormat = 0;        // as last read from the profile
    // Guards m_fd against SyncWritten; the user-interface thread, the only one to change
    // it, reads it without.
    std::mutex m_fdLock;
    int m_fd = -1;
    std::string m_strOpenName; // the file behind m_fd
    bool m_bOpen = false;
};
