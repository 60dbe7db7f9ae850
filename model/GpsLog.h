// The GPS position log of one channel, written beside the channel's .rd3 file while GPS
// logging is on. The data set owns one per channel and names, opens and closes them with
// its files; the GPS side provides the real ones. Without GPS every log does nothing.
#pragma once

#include <memory>
#include <string>

class GpsLog {
public:
    virtual ~GpsLog() = default;
    // Names the log after the channel's .rd3 path (its extension replaced by the log's).
    virtual void SetFileName(const std::string& dataFilePath) = 0;
    // The log's own path as named; "" when it has none.
    virtual std::string GetFileName() const = 0;
    // Opens the log for appending, starting at trace `startTrace`. 1 when it was opened now;
    // 0 when it cannot be opened or was already open.
    virtual int Open(int startTrace) = 0;
    // Appends the record of the current position for trace `trace`. 0 when the log is not
    // open, 6 when the file did not take the record (nothing of it stays), else 1.
    virtual int WriteRecord(int trace) = 0;
    // The trace mark of the last record, compared with the channel's trace count to decide
    // whether a new record is due.
    virtual int GetLastTrace() const = 0;
    // Whether a GPS update is to append a record for a channel that now holds `traceCount`
    // traces. A log that records every position sentence answers yes whatever the count.
    virtual bool WantsRecord(int traceCount) const { return traceCount != GetLastTrace(); }
    // Puts the records written so far on the disk; true when they are there or the log is
    // not open. For the end of a measurement, not for each record.
    virtual bool Sync() = 0;
    // The periodic sync of a running measurement: puts the records written so far on the
    // disk from a thread of its own while the owner goes on writing, opening and closing
    // the log, without waiting for the owner. True when they are there or the log is not open.
    virtual bool SyncWritten() = 0;
    // Closes the log; harmless on a log that was never opened.
    virtual void Close() = 0;
};

// Where the data set gets its logs, and whether they are to be opened at all.
class GpsLogProvider {
public:
    virtual ~GpsLogProvider() = default;
    // Whether the GPS receiver's port is open: only then are logs opened with a new data set.
    virtual bool IsReceiverOpen() const = 0;
    // A new, closed, unnamed log.
    virtual std::unique_ptr<GpsLog> MakeLog() = 0;
};

// A log that is named but never opens: what every channel has without GPS.
class NullGpsLog : public GpsLog {
public:
    void SetFileName(const std::string&) override {}
    std::string GetFileName() const override { return {}; }
    int Open(int) override { return 0; }
    int WriteRecord(int) override { return 0; }
    int GetLastTrace() const override { return 0; }
    bool Sync() override { return true; }
    bool SyncWritten() override { return true; }
    void Close() override {}
};
