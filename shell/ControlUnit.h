// What the application object does with the control unit and its Ethernet link: the
// presence check, the start-up exchange, the stop at exit and the link's own opening and
// closing. The caller holds the driver lock around every call but CloseLink at exit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CMeasParamSet;

class ControlUnit {
public:
    virtual ~ControlUnit() = default;
    // Opens the link when needed and looks for the unit: true when it answered.
    virtual bool Detect() = 0;
    virtual int SetCountry(std::uint8_t country) = 0;
    // Channels that the unit cannot serve are switched off; sample intervals are read.
    virtual void SyncChannelsWithUnit(CMeasParamSet& params) = 0;
    virtual void ReadSampleIntervals(CMeasParamSet& params) = 0;
    virtual int StopAcquisition() = 0;
    // Opens the link on the chosen adapter (0 opened); the receive thread starts.
    virtual int OpenLink() = 0;
    // Stops and joins the receive thread and closes the capture; harmless when closed.
    virtual void CloseLink() = 0;
    // False only for a single-channel unit; true while no unit has answered.
    virtual bool IsModularUnit() { return true; }
    // The module type the unit reports for slot 0..7; 0 when the slot did not answer.
    virtual int GetModuleType(int slot) { (void)slot; return 0; }
    // Byte `index` (0..7) of the module status of `slot`; none when the slot did not answer.
    virtual std::optional<std::uint8_t> ReadModuleStatusByte(int /*slot*/, std::int16_t /*index*/) { return std::nullopt; }

    // The wheel inputs and the identity of the unit, for the wheel calibration and the
    // hardware set-up. A unit that cannot be asked answers 1 (no answer) and gives no value.
    virtual int SetTriggerSource(int /*address*/, std::uint8_t /*kind*/, int /*source*/) { return 1; }
    virtual int EnableWheel(int /*address*/) { return 1; }
    virtual int DisableWheel(int /*address*/) { return 1; }
    virtual int SetWheelCounter(int /*address*/, std::int16_t /*run*/, int /*start*/) { return 1; }
    virtual std::optional<std::uint32_t> ReadWheelCounter(int /*address*/) { return std::nullopt; }
    virtual std::optional<std::uint32_t> ReadUnitInfo(int /*address*/, std::uint8_t /*item*/) { return std::nullopt; }
    // The descriptions of the network adapters present now, in the order the saved
    // adapter index counts them.
    virtual std::vector<std::string> ListAdapters() { return {}; }
};
