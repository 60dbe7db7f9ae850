// The parameters of one channel or one antenna preset, and one wheel calibration.
#pragma once

#include <cstdint>
#include <string>

class CMeasParam {
public:
    CMeasParam() = default;
    virtual ~CMeasParam() = default;
    CMeasParam(const CMeasParam&) = default;
    CMeasParam& operator=(const CMeasParam&) = default;

    std::string m_strName = "New preset";    // PRESET NAME: the preset the values came from
    std::uint8_t m_bActive = 0;              // CHANNEL ACTIVE
    std::uint8_t m_bEmSensor = 0;            // EM SENSOR: 50/60 Hz sensor on
    float m_fAntennaSeparation = 0.1f;       // ANTENNA SEPARATION, metres
    std::uint16_t m_nFrequencySteps = 2;     // FREQUENCY STEPS: sample spacing in base intervals
    std::uint16_t m_nRampIndex = 1;          // RAMP INDEX: 0 short, 1 intermediate, 2 long antenna
    std::uint16_t m_nSamples = 400;          // SAMPLES per trace
    std::uint16_t m_nSignalPosition = 2048;  // SIGNAL POSITION, raw, as sent to the unit
    std::int16_t m_nStacks = 2;              // STACKS per trace
    double m_dDistanceInterval = 0.2;        // DISTANCE INTERVAL, metres between wheel traces
    double m_dTimeInterval = 1.0;            // TIME INTERVAL, seconds between timed traces
    std::int16_t m_nTimeZero = 30;           // TIME ZERO: sample of time and depth zero
};

class CWheel {
public:
    CWheel() = default;
    virtual ~CWheel() = default;
    CWheel(const CWheel&) = default;
    CWheel& operator=(const CWheel&) = default;

    std::string m_strName;          // WHEEL NAME
    double m_dCalibration = 0.0;    // CALIBRATION: wheel pulses per metre, never negative
    std::int16_t m_nDirection = 1;  // DIRECTION: +1 or -1
};

// The unit measures both channels of a slot with one trace interval, sample count,
// frequency steps, ramp, stacks and 50/60 Hz sensor setting, those of channel 0; only the
// signal position and the active flag are each channel's own. Copies these slot values of
// `from` into `to`, so that the other channel of the slot records what the unit measures.
void CopySlotValues(const CMeasParam& from, CMeasParam& to);

// The stacks the unit is sent for STACKS (without autostack): 1 to 256 as they are, any
// other value 16. The headers record the same.
int StacksForUnit(int stacks);

// "A" to "H" for slot 0 to 7, "" for any other value.
std::string GetSlotLetter(int slot);

// A decimal number whose separator may be "." or ",", read leniently as hand-edited
// settings files need: "0,25" is 0.25, "1.2.3" is 1.002 (every character after the
// separator counts as a decimal place), a text without digits is 0.
double ParseDecimal(std::string text);
