// The description of one channel's measurement, kept beside its samples as the .rad text
// file: sample count, timing, trigger mode, antenna, wheel, operator texts and the trace
// count. Other programs read these files by key order and line position, so the 38 lines
// are always written in the same order and format.
#pragma once

#include <cstdint>
#include <string>

class CMeasParamSet;

class CRadHeader {
public:
    static constexpr std::size_t kTextMax = 80;       // customer, operator, site, comment, antennas
    static constexpr std::size_t kWheelNameMax = 82;
    static constexpr std::size_t kLineMax = 254;      // longer .rad lines are read cut

    // Empty path and comment, everything else at the defaults.
    CRadHeader();

    // The defaults of a channel that has measured nothing; the comment is kept. The slot and
    // channel have no effect (every caller passes 0, 0).
    void SetDefaults(int slot = 0, int channel = 0);
    // Takes the measurement values of channel slot * 2 + channel and the global settings;
    // STACKS as the unit is sent them (StacksForUnit).
    void FillFromSettings(const CMeasParamSet& settings, int slot, int channel);
    // Puts the header's measurement values back into channel slot * 2 + channel and the
    // global settings (the wheel values are not stored); an interval not above 0 gives the
    // setting its default. True.
    bool StoreToSettings(CMeasParamSet& settings, int slot, int channel) const;
    // The trace interval as StoreToSettings gives it to the settings: the header's, or the
    // default of the set's trigger mode where the header's is not above 0.
    double UsableTraceInterval() const;
    // Writes the .rad file at m_strPath, replacing the previous one only once the new one is
    // complete; on a disk too full for the new one beside it, the previous one is rewritten
    // in place when the new one fits in its blocks, so a stop still records the trace count.
    // With `refreshFrom` the measurement values are first refreshed from those settings;
    // without (a stored data set is being viewed) the header is written as it stands.
    // Returns 0, or 6 when the file could not be written (the old file stays).
    int Write(const CMeasParamSet* refreshFrom, int slot, int channel);
    // Reads the .rad file at m_strPath. Keys that are missing or do not parse leave their
    // fields as they were. Returns 0, or 5 when the file cannot be opened (nothing changed).
    int Read();
    // The file's 38 lines as Write stores them, each ending in CR LF.
    std::string Format() const;

    std::string m_strPath;
    std::string m_strCustomer;          // CUSTOMER
    std::string m_strOperator;          // OPERATOR
    std::string m_strSite;              // SITE
    std::string m_strComment;           // COMMENT; "name=n" also carries the wheel and trigger
    std::string m_strAntennas;          // ANTENNAS: the channel's preset name
    std::string m_strWheelName;         // wheel calibration used in distance mode, else empty
    std::int32_t m_nFrequencySteps = 0;
    std::int32_t m_nStacks = 0;
    std::int32_t m_nSignalPosition = 0; // raw SIGNAL POSITION as sent to the unit
    float m_fAntennaSeparation = 0.0f;  // metres
    double m_dInterval = 0.0;           // distance or time between traces, by trigger mode
    double m_dSystemCalibration = 0.0;  // sample interval of the slot and ramp
    std::uint8_t m_nTriggerMode = 0;    // <128 wheel index, 128..254 time, 255 keyboard
    std::uint8_t m_nAntennaClass = 0;   // RAMP INDEX: 0 short, 1 intermediate, 2 long
    std::int32_t m_nSamples = 0;
    double m_dWheelCalibration = 0.0;
    std::int16_t m_nDirection = 0;
    float m_fFrequency = 0.0f;          // 1 / (frequency steps * system calibration)
    std::int32_t m_nLastTrace = 0;      // the channel's trace count; raised under the display lock
};
