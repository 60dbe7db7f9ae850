// The open data set: the files of one measurement and everything kept per channel while
// they are open. A data set is named "<base>_<number>" after the highest number already
// used in the data folder; on a unit with slots each active channel then has
// <set>_<slot letter><1|2>.rd3, .rad and .mrk files (and a GPS log while GPS logging is on),
// and each slot whose first channel has the 50/60 Hz sensor on has <set>_<slot letter>.em.
// A single-channel unit has <set>.rd3, .rad and .mrk. The application holds exactly one.
#pragma once

#include "model/ChannelData.h"
#include "model/DataSetContext.h"
#include "model/EM_Data.h"
#include "model/GpsLog.h"
#include "model/MarkerFile.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CRadarData {
public:
    static constexpr int kChannels = 16;  // index slot * 2 + channel
    static constexpr int kSlots = 8;
    static constexpr int kMaxNameAttempts = 10000;

    explicit CRadarData(DataSetContext context);
    virtual ~CRadarData();
    CRadarData(const CRadarData&) = delete;
    CRadarData& operator=(const CRadarData&) = delete;

    // Forms the next set name, "<base>_%04d" with one more than the highest number any .rd3
    // file "<base>?<number>..." in `dataFolder` carries (all its digits; numbers of more than
    // nine digits are ignored). Returns how many .rd3 files began with the base name.
    int MakeNewName(const std::string& dataFolder, const std::string& baseName);
    // Sets the file names of a set `name` (cut before its last '.') in `dataFolder`: every
    // channel's and slot's names of a unit with slots, or with `single` only the current
    // channel's names of a single-channel unit.
    void MakeFileNames(const std::string& dataFolder, const std::string& name, bool single);
    // Names a new data set and creates the .rd3, .mrk (and GPS log) files of every active
    // channel and the .em files of the slots that take one. No existing file is ever
    // overwritten: a number whose files already exist is passed over. Returns 0, or 5 when
    // a file could not be created: message 155 was shown and nothing of the new set is left
    // behind (a GPS log that cannot be opened only shows message 132).
    int CreateFiles(const std::string& dataFolder, const std::string& baseName);
    // Writes the .rad header of every active channel. Returns 0 or the first failure (6).
    int WriteHeaders();
    // WriteHeaders for the set CreateFiles has just made. When a header cannot be written the
    // set is given up: its files are closed and every file CreateFiles and this call created
    // is removed (never any other). Returns 0 or 6.
    int WriteNewSetHeaders();

    // What StoreAfterStop could not do.
    struct StopOutcome {
        bool filesSynced = true;     // every data file of the set is on the disk
        bool headersWritten = true;  // every header was rewritten and is on the disk
    };
    // The end of a measurement: every open file of the set (.rd3, .mrk, .em, GPS logs) and
    // their folder are put on the disk, and only then is the .rad header of every active
    // channel whose data file is open rewritten with its final trace count. A failure of
    // one step does not hold up the other; the caller shows what failed.
    StopOutcome StoreAfterStop();
    // While measuring: puts what every open file of the set (.rd3, .mrk, .em, GPS logs) has
    // taken so far on the disk, so that a power cut loses only what came after. Made for a
    // thread of its own: it takes no lock of the set's while the disk works, and a file
    // closed meanwhile is passed over. The folder needs nothing here: the start synced it
    // with the headers, after every file of the set had been made. False when the disk did
    // not take the data (then as good as a failed write).
    bool SyncWrittenData();
    // Writes the .rad header of one channel (the measurement information texts).
    int WriteHeader(int slot, int channel);
    // Opens the stored data file `name` in `dataFolder` as the current channel's for viewing,
    // with its markers and, when the name is "<set>_<slot letter><1|2>", its slot's sensor
    // records. Returns CChannelData::OpenFile's result: 0, 3 (no whole trace) or 5 (the file or its
    // .rad header cannot be read, or the sample count is unusable); the caller refuses the
    // file on anything but 0.
    int OpenFiles(const std::string& dataFolder, const std::string& name);
    // Closes every file of the data set and returns the headers to their defaults; with
    // `clearName` the set and its file names are forgotten too.
    void CloseFiles(bool clearName);
    void ResetTraceCaches();
    void ResetHeaders();
    // Shows message 130 once when a display window found its data file shorter than its
    // header promised since the last call; true when it did. Call it outside the display lock.
    bool ReportTraceReadError();

    const std::string& GetSetName() const { return m_strSetName; }
    CChannelData& GetChannel(int k) { return m_Channels[static_cast<std::size_t>(k)]; }
    CMarkerFile& GetMarkerFile(int k) { return m_MarkerFiles[static_cast<std::size_t>(k)]; }
    CEM_Data& GetEmData(int slot) { return *m_EmData[static_cast<std::size_t>(slot)]; }
    GpsLog& GetGpsLog(int k) { return *m_GpsLogs[static_cast<std::size_t>(k)]; }

private:
    bool IsModularUnit();
    bool IsActive(int k) const;
    bool TakesEmFile(int slot) const;
    int CurrentIndex() const;
    void NameChannel(int k, const std::string& folder, const std::string& stem, bool single);
    bool AnyFileOfNewSetExists(bool modular);
    int CreateSetFiles(bool modular, std::vector<std::string>& created);
    int WriteHeadersNoting(std::vector<std::string>* written);
    bool SyncFiles();
    void DiscardNewSet(std::vector<std::string>& created);
    void ForgetNames();

    DataSetContext m_ctx;
    std::string m_strSetName;
    // Destroyed in reverse order: GPS logs, sensor files, marker files, channels.
    std::array<CChannelData, kChannels> m_Channels;
    std::array<CMarkerFile, kChannels> m_MarkerFiles;
    std::array<std::unique_ptr<CEM_Data>, kSlots> m_EmData;
    std::array<std::unique_ptr<GpsLog>, kChannels> m_GpsLogs;
    std::vector<std::string> m_newSetFiles;  // created for the set until its headers are written
};

// Whether the files of the next data set of `baseName` in `dataFolder` get names the folder
// takes: the longest is "<set>_A1" with a four-letter extension, the set number as
// MakeNewName would give it now.
bool DataFileNamesFit(const std::string& dataFolder, const std::string& baseName);
