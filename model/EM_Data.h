// The 50/60 Hz sensor records of one slot: four values per trace, kept in memory for the
// sensor window and in the slot's .em file, one "trace<TAB>v1<TAB>v2<TAB>v3<TAB>v4" line per
// record. Records are appended by the acquisition under the sensor lock; whoever reads the
// values while a measurement runs holds the same lock.
#pragma once

#include "model/RecordFile.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class CEM_Data {
public:
    explicit CEM_Data(std::recursive_mutex& emLock) : m_lock(emLock) {}
    ~CEM_Data() { Close(); }
    CEM_Data(const CEM_Data&) = delete;
    CEM_Data& operator=(const CEM_Data&) = delete;

    // Starts a new .em file at the path (never over an existing file); earlier records are
    // dropped. Returns 0, or 5 when it cannot be created.
    int Create();
    // Drops the records in memory and closes the file.
    void Close();
    // Appends a record to the file at once and keeps it in memory (in memory also when it
    // could not be written). Returns 0, or 6 without a file or when the line could not be
    // written whole.
    int WriteRecord(int trace, std::int16_t v1, std::int16_t v2, std::int16_t v3, std::int16_t v4);
    // Puts the records written so far on the disk; true when they are there or no file is open.
    bool Sync();
    // The periodic sync of a running measurement (see RecordFile::SyncData): any thread,
    // and without the sensor lock, so the records go on while the disk takes its time.
    bool SyncWrittenRecords() { return m_File.SyncData(); }
    // Keeps a record in memory only.
    void AddRecord(std::int16_t v1, std::int16_t v2, std::int16_t v3, std::int16_t v4);
    // Reads the records of the .em file at the path (five numbers each, the trace number
    // dropped; a last incomplete record is dropped) and closes it. Returns 0, or 5 when it
    // cannot be opened or a read fails; then no record is kept, never a part of the file.
    int Read();
    // The display values of record `index`: the mean of (v1 - v3), or (v2 - v4), over that
    // record and the two before it, on a signed logarithmic scale. 0 for an index without a
    // record.
    float GetLogDiff13(int index) const;
    float GetLogDiff24(int index) const;

    // The records in memory; take the sensor lock while a measurement may be adding.
    int GetCount() const { return static_cast<int>(m_Values[0].size()); }
    // Value 1..4 of every record.
    const std::vector<std::int16_t>& GetValues(int which) const { return m_Values[which - 1]; }
    bool IsOpen() const { return m_File.IsOpen(); }
    std::recursive_mutex& GetLock() const { return m_lock; }

    std::string m_strPath;

private:
    float LogDiff(int index, int a, int b) const;

    std::recursive_mutex& m_lock;
    RecordFile m_File;
    std::vector<std::int16_t> m_Values[4];
};
