// Everything the data set keeps for one channel: its .rad header, its queue of new traces,
// its display window and its .rd3 sample file. The .rd3 file holds the channel's traces
// one after the other, each the header's SAMPLES signed 16-bit little-endian values, and
// nothing else; it only ever grows by whole traces.
#pragma once

#include "model/MeaBuf.h"
#include "model/RadHeader.h"
#include "model/RecordFile.h"
#include "model/TraceCache.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CMeasParamSet;
class CSTrace;

class CChannelData {
public:
    static constexpr int kMaxSamples = 2048;  // a stored trace longer than this is refused

    CChannelData();
    ~CChannelData() = default;
    CChannelData(const CChannelData&) = delete;
    CChannelData& operator=(const CChannelData&) = delete;

    // Creates the .rd3 file at the full path for a new data set: the header returns to its
    // defaults but keeps the customer, operator, site and comment typed for it.
    // An existing file is never overwritten. Returns 0, or 5 when it cannot be created.
    int CreateFile();
    // Opens the stored .rd3 file at the full path for viewing: reads its .rad header, counts
    // its whole traces and, when they can be shown, stores the header's values into channel
    // slot * 2 + channel of `settings`. Returns 0; 3 when the file holds no whole trace (it is
    // empty or shorter than one trace); 5 when it or its .rad header cannot be read, or the
    // header gives no usable sample count (above 2048 the header is kept so the caller can
    // say why; otherwise it returns to its defaults). On any failure no file stays open and
    // the settings are untouched.
    int OpenFile(CMeasParamSet& settings, int slot, int channel);
    // Reads trace `i` into `trace`: min(its count, SAMPLES) samples, the rest zeroed.
    // Returns 0, or 5 when the file does not hold the whole trace (what was read is kept,
    // the rest is zero). Never moves the point where traces are appended.
    int ReadTrace(int i, CSTrace& trace) const;
    // Reads traces first .. first + count - 1 into consecutive rows of `stride` samples, each
    // row receiving min(SAMPLES, stride) samples (the rest of a row is left alone). Returns 0,
    // or 5 when not every trace could be read whole (their missing samples read as zeros).
    int ReadTraceRows(int first, int count, std::int16_t* rows, int stride) const;
    // Appends one trace to the .rd3 file as exactly SAMPLES values (a longer trace is cut,
    // a shorter one padded with zeros) so every trace starts where readers expect it; with
    // SAMPLES still 0 the trace is written as it is. Returns 0, or 6 when the trace could not
    // be written whole (the file then holds the traces it held before).
    int AppendTrace(const std::int16_t* samples, int count);
    // Appends the trace to the file and, once it is there, queues it for the display.
    // Returns AppendTrace's result; a trace that was not written is not queued.
    int StoreTrace(const std::int16_t* samples, int count);
    // Closes the .rd3 file (the display window is emptied when one was open) and empties
    // the queue.
    void CloseFile();
    // Puts the traces written so far on the disk (see RecordFile::Sync); true without a file.
    bool SyncFile() { return m_File.Sync(); }
    // The periodic sync of a running measurement (see RecordFile::SyncData): any thread.
    bool SyncWrittenTraces() { return m_File.SyncData(); }
    void ResetTraceCache() { m_pTraceCache->Reset(); }

    bool IsOpen() const { return m_File.IsOpen(); }
    // The channel's trace count: the header's LAST TRACE (guarded by the display lock).
    int GetTraceCount() const { return m_Header.m_nLastTrace; }
    int GetSamples() const { return m_Header.m_nSamples; }
    // Whole traces in the open file; 0 without a file or a sample count.
    std::int64_t GetFileTraceCount() const;
    CTraceCache& GetTraceCache() { return *m_pTraceCache; }
    CMeaBuf& GetMeaBuf() { return m_MeaBuf; }

    CRadHeader m_Header;
    std::string m_strFullPath;   // folder and name of the .rd3 file
    std::string m_strShortName;  // name of the .rd3 file without the folder

private:
    std::unique_ptr<CTraceCache> m_pTraceCache;
    CMeaBuf m_MeaBuf;
    RecordFile m_File;
    std::vector<std::int16_t> m_Scratch;  // a trace being cut, padded or reordered
};
