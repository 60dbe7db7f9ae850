#include "model/StringTable.h"

#include <algorithm>
#include <iterator>

namespace {

struct Entry {
    int id;
    const char* text;
};

// Sorted by id.
constexpr Entry kStrings[] = {
    {128, "Delvora for Tolam and Z5K"},
    {130, "Data file read error 1"},
    {132, "Error. Cannot create GPS data container"},
    {133, "Load measurement parameters fail"},
    {134, "Load global parameters fail"},
    {135, "Couldn't read antenna presets. Using simple defaults."},
    {136, "Load Wheels fail"},
    {137, "No 50/60 Hz sensor found for slave"},
    {138, "File name including path is too long. Please select a shorter one."},
    {139, "measurement parameters fail"},
    {140, "Save presets fail"},
    {141, "Save globals fail"},
    {142, "Save wheels fail"},
    {143, "Header write error:  disk is full or try to restart the unit to check file system"},
    {144, "File open error:  disk is full or try to restart the unit to check file system"},
    {145, "feet"},
    {146, "meters"},
    {147, "Internal Tx"},
    {148, "External Tx"},
    {149, "No module"},
    {150, "Coaxial module"},
    {151, "Opto module"},
    {152, "HF module"},
    {153, "Unknown module"},
    {154, "Slot"},
    {155, "Error. Cannot create radar data container"},
    {203, "Error: no antenna presets found."},
    {204, "Warning, cannot write default palette"},
    {205, "Warning, cannot read default palette"},
    {302, "Markers configuration"},
    {57344, "Delvora for Tolam"},
    {57345, "Ready"},
    {57608, "Do you really want to delete this item?"},
    {57610, "It is not possible to change the measurement settings for an open profile."},
    {57611, "Measurement error (code 01)"},
    {57612, "Measurement error (code 02)"},
    {57613, "Measurement error (code 03)"},
    {57615, "Write to disk Error Disk is full"},
    {57645, "The selected data file contains traces with to many samples and cannot be opened"},
    {57646, "It is not possible to continue measuring with an old data file. Close the current file and retry."},
    {57647, "No active channels. Activate at least one channel and retry"},
    {57654, "Unable to open the serial port"},
    {57655, "Unable to set mask"},
    {57656, "Unable to configure the serial port"},
    {57657, "Unable to create event"},
    {57660, "inches"},
};

static_assert(std::is_sorted(std::begin(kStrings), std::end(kStrings),
                             [](const Entry& a, const Entry& b) { return a.id < b.id; }));

} // namespace

const char* MessageText(int id)
{
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                               [](const Entry& e, int v) { return e.id < v; });
    return (it != std::end(kStrings) && it->id == id) ? it->text : "";
}
