// The markers of one channel: the operator's marks (keys 1 to 9 or the unit's marker
// input) at trace numbers, kept in memory for the radargram and in the channel's .mrk
// file: "HEADER VERSION:100", then one "trace<TAB>value<TAB>type" line per marker. Each
// marker reaches the file the moment it is added, so a crash loses none.
#pragma once

#include "model/RecordFile.h"

#include <cstdint>
#include <string>
#include <vector>

struct CMarker {
    static constexpr std::uint16_t kPending = 65535;  // a marker not yet placed for good

    std::uint32_t m_nTrace = 0;
    std::uint16_t m_nValue = 0;
    std::uint16_t m_nType = 0;  // the marker key 1..9, or kPending
};

class CMarkerFile {
public:
    static constexpr std::size_t kLineMax = 253;  // longer lines are not markers

    CMarkerFile() = default;
    ~CMarkerFile() { Close(false); }
    CMarkerFile(const CMarkerFile&) = delete;
    CMarkerFile& operator=(const CMarkerFile&) = delete;

    // Starts a new .mrk file at the path (never over an existing file) with its header
    // line; earlier markers are dropped. Returns 0, or 5 when it cannot be created.
    int Create();
    // Adds a marker. A pending one (type kPending) only replaces the pending marker in
    // memory; any other is appended to the file at once. Returns 0, or 6 when there is no
    // file or the line could not be written whole; the marker is kept in memory either way.
    int AddMarker(std::uint32_t trace, std::uint16_t value, std::uint16_t type);
    // Closes the file, first appending the pending marker when there is one (and putting
    // it on the disk); with `freeMarkers` the markers in memory go as well.
    void Close(bool freeMarkers);
    // Puts the markers written so far on the disk; true when they are there or no file is open.
    bool Sync() { return m_File.Sync(); }
    // The periodic sync of a running measurement (see RecordFile::SyncData): any thread.
    bool SyncWrittenMarkers() { return m_File.SyncData(); }
    void Clear() { m_Markers.clear(); }
    // Reads the markers of the .mrk file at the path; lines that are not whole markers
    // (too long, cut off at the end, too few fields, a negative trace or value) are
    // skipped. The file is then closed. Returns 0, or 5 when it cannot be opened or a read
    // fails; then no marker is kept, never a part of the file.
    int Read();

    bool IsOpen() const { return m_File.IsOpen(); }
    const std::vector<CMarker>& GetMarkers() const { return m_Markers; }

    std::string m_strPath;

private:
    RecordFile m_File;
    std::vector<CMarker> m_Markers;
};
