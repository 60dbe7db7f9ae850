// The command set of the radar control unit: one method per unit command, each a single
// request/reply transaction of the link. Also finds the unit (discovery and handshake),
// tells a modular Tolam unit from a single-channel Z5K unit and reads the modules of the
// slots. Callers run on the user-interface thread and hold the application's driver
// lock; nothing is cached, every query asks the unit anew.
//
// Commands return the transaction status (CommandStatus: 0 answered). Reads give
// std::nullopt when the unit did not answer, never the bytes of an earlier reply.
#pragma once

#include "link/VT_Ethernet.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// Module types (high nibble of byte 3 of the module status).
enum ModuleType : int {
    kModuleNone = 0,
    kModuleOpto = 4,
    kModuleCoaxial = 8,
    kModuleHF = 12,
};

// Unit command codes.
namespace unitcmd {
inline constexpr std::uint16_t kSamples = 1, kStacks = 2, kSignalPositions = 3, kFrequencySteps = 4,
                               kTriggerSource = 5, kTraceInterval = 6, kTriggerOptions = 7, kDirection = 8,
                               kWheelCounter = 9, kCommand10 = 10, kStartAcquisition = 12,
                               kStopAcquisition = 13, kRequestTrace = 14, kBeeper = 20, kWheelEnable = 22,
                               kRampIndex = 27, kCommand36 = 36, kActiveChannels = 37, kAutoStack = 40,
                               kReadWheelCounter = 58, kReadUnitInfo = 61, kReadModule = 65,
                               kReadSampleInterval = 71, kCountry = 79, kWriteModule = 96;
inline constexpr std::uint16_t kAllSlots = 0xFFFF;
inline constexpr std::uint16_t kMasterWheel = 16;
}  // namespace unitcmd

// floor(log2 v): 1 gives 0, 2 and 3 give 1, 1024 gives 10; 0 gives 0.
std::uint8_t Log2Floor(std::uint16_t v);

class CDriver {
public:
    static constexpr std::uint32_t kTracePollBudget = 300;  // 1.5 s for one trace

    // `currentSlot` is the parameter set's current slot, read at every call that
    // addresses it (slot 0 while null). The link is built here; without a transport it
    // uses the capture library on the system's adapters.
    explicit CDriver(const std::int16_t* currentSlot, std::unique_ptr<FrameTransport> transport = nullptr,
                     std::unique_ptr<AdapterLister> lister = nullptr,
                     std::uint32_t ringWords = DataRing::kDefaultWords);
    virtual ~CDriver() = default;
    CDriver(const CDriver&) = delete;
    CDriver& operator=(const CDriver&) = delete;

    VT_Ethernet& Link() { return m_link; }

    int SetSamples(std::uint16_t n);                          // bit 0 cleared
    int SetStacks(std::uint16_t n);                           // sent as floor(log2 n)
    int SetSignalPositions(std::uint16_t p0, std::uint16_t p1);
    int SetFrequencySteps(std::uint16_t n);
    int SetTriggerSource(int address, std::uint8_t kind, int source);  // kind 'W' or 'T'
    int SetTraceInterval(int slot, int interval);
    int SetTriggerOptions(std::int16_t bidirectional, std::int16_t missed);
    int SetDirection(std::uint16_t d);                        // 1, or 0xFFFF for -1
    int SetWheelCounter(int address, std::int16_t run, int start);
    int StopWheelCounter(int address);
    int Command10(std::int16_t a, int b);
    // Empties ring and queues first. 1 when the unit did not accept, else 0.
    int StartAcquisition();
    // A stop the unit did not answer is sent again by the next Detect that finds it.
    int StopAcquisition();
    // Empties ring and queues, then asks for one trace of `slot`/`channel`, waiting up
    // to `pollBudget` polls of 5 ms. On 0 the trace (and the slot's sensor record) are in
    // the ring: the unit sends them before its reply.
    int RequestTrace(int pollBudget, int slot, int channel);
    int SetBeeper(std::uint16_t b);
    int EnableWheel(int address);
    int DisableWheel(int address);
    int SetRampIndex(int r);
    int Command36();
    int SetActiveChannels(int mask);  // bit 0 channel 0, bit 1 channel 1
    bool SetAutoStack(std::uint8_t a);  // true always
    int SetCountry(std::uint8_t c);

    std::optional<std::uint32_t> ReadWheelCounter(int address);
    std::optional<std::uint32_t> ReadUnitInfo(int address, std::uint8_t item);
    // Byte `index` (0..7) of the module status of `slot`.
    std::optional<std::uint8_t> ReadModuleStatusByte(int slot, std::int16_t index);
    // Base sample interval of `slot` for ramp `index` (0..3), microseconds.
    std::optional<double> ReadSampleInterval(int slot, int index);
    // op 2 asks whether the current slot has a 50/60 Hz sensor (false also when the unit
    // does not answer); any other op switches the sensor and gives true when the unit
    // answered.
    bool SetEmSensor(std::uint8_t op);
    // true when the unit answered.
    bool WriteModuleRegister30(int slot, std::uint8_t v);

    // Unit identity: false only for a Z5K unit. When the unit does not answer, the last
    // identity read (a Tolam unit until one was read).
    bool IsModularUnit();
    // Module type of `slot` (0..15), std::nullopt when the slot did not answer.
    std::optional<int> ReadModuleType(int slot);
    int GetModuleType(int slot);        // 0 when the slot did not answer
    bool IsSlotPopulated(int slot);     // opto, coaxial or HF
    std::string GetModuleName(int slot);

    // Opens the link if needed and looks for the unit: 1 found, 0 not. A unit found for
    // the first time, or while a stop is owed to it (see StopAcquisition), gets a stop
    // first, and the data ring is emptied of what it sent before.
    int Detect();

private:
    std::uint16_t CurrentSlot() const;
    std::optional<ReplyEntry> Ask(std::uint16_t code, std::uint16_t address, std::uint32_t arg2 = 0,
                                  std::uint32_t arg3 = 0);

    VT_Ethernet m_link;
    const std::int16_t* m_pCurSlot;
    bool m_lastModular = true;
    bool m_bStopOwed = false;  // the last stop went unanswered: the unit may still measure
    bool m_bFoundBefore = false;  // a Detect found a unit since this driver was made
};

// Name of a module type (string table): "No module", "Opto module", "Coaxial module",
// "HF module" or "Unknown module".
std::string ModuleTypeName(int type);
// Populated: opto, coaxial or HF.
bool IsPopulatedType(int type);
