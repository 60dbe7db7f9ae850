// The measurement settings of the whole instrument: global settings, the 16 channels,
// the antenna presets, the wheel calibrations and the base sample intervals of each slot.
// Kept between runs in four text files of the settings folder.
#pragma once

#include "model/MeasParam.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Prompter;

class CMeasParamSet {
public:
    static constexpr int kChannels = 16;  // index slot * 2 + channel
    static constexpr int kSlots = 8;
    static constexpr int kRamps = 4;

    // Defaults only; the files are named after `settingsFolder` (no trailing "/").
    // An empty folder means "no settings folder": every load and save then fails.
    explicit CMeasParamSet(const std::string& settingsFolder);
    virtual ~CMeasParamSet() = default;
    CMeasParamSet(const CMeasParamSet&) = delete;
    CMeasParamSet& operator=(const CMeasParamSet&) = delete;

    // Reads the four files in the order last_used_param, global_settings, preset_param,
    // wheel_presets, reporting each that cannot be read (133..136). A missing
    // preset_param gives the single default preset.
    void LoadAll(Prompter& prompter);
    // Writes them in the order last_used_param, preset_param, global_settings,
    // wheel_presets, reporting each that cannot be written (139..142).
    void SaveAll(Prompter& prompter);

    int GetPresetCount() const { return static_cast<int>(m_presets.size()); }
    void AddPreset(CMeasParam preset);
    void DeletePreset(int index);  // an index outside the list changes nothing
    void SetDefaultPresets();
    int GetWheelCount() const { return static_cast<int>(m_wheels.size()); }
    void AddWheel(CWheel wheel);
    void DeleteWheel(int index);   // an index outside the list changes nothing

    float GetUnitFactor() const;                 // metres per distance unit
    void GetUnitName(std::string& name) const;   // "feet", "inches" or "meters"

    // The base sample interval (microseconds per frequency step) of a slot and ramp;
    // 0.0 outside the table, and writes outside it are ignored.
    double GetSampleInterval(int slot, int ramp) const;
    void SetSampleInterval(int slot, int ramp, double microseconds);

    // Each false only when its file could not be read or written; a save that fails keeps
    // the previous file as it was. A value no dialog sets reads as its field's default, and
    // the presets are read and written only as far as one preset_param the reader takes.
    bool LoadLastUsed();
    bool SaveLastUsed() const;
    bool LoadGlobals();
    bool SaveGlobals() const;
    bool LoadPresets();
    bool SavePresets() const;
    bool LoadWheels();
    bool SaveWheels() const;

    std::int16_t m_nCountry = 0;             // COUNTRY, sent to the unit at start-up
    std::uint8_t m_bBeeper = 0;              // BEEPER
    std::uint8_t m_nMissedTraceMode = 1;     // MISSED TRACE MODE
    std::uint8_t m_bAutoStack = 0;           // AUTOSTACK
    std::uint8_t m_bBidirectional = 0;       // BIDIRECTIONAL
    std::uint8_t m_bDcFilter = 1;            // DCMEASFILT: remove DC offset before display
    std::uint8_t m_nWheelSource = 0;         // WHEEL SOURCE: 16 master wheel, 0..7 slot wheel
    std::uint8_t m_nTrigType = 0;            // TRIG TYPE: <128 wheel index, 128..254 time, 255 keyboard
    CMeasParam m_params[kChannels];
    std::vector<std::unique_ptr<CMeasParam>> m_presets;
    std::vector<std::unique_ptr<CWheel>> m_wheels;
    std::int16_t m_nCurChannel = 0;
    std::int16_t m_nCurSlot = 0;
    std::int16_t m_nMeasDirection = 0;       // MEASUREMENT DIRECTION: +1 or -1 once set
    double m_dSampleInterval[kSlots][kRamps] = {};  // use Get/SetSampleInterval
    std::string m_strUnits;                  // MEASUREMENT UNITS: "M", "F" or "I"
    std::string m_strLastUsedPath;
    std::string m_strPresetPath;
    std::string m_strGlobalPath;
    std::string m_strWheelPath;
};
