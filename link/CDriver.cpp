#include "link/CDriver.h"

#include "link/ByteOrder.h"
#include "model/StringTable.h"

using namespace unitcmd;

namespace {

std::uint32_t SignExtend(std::int16_t v)
{
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
}

std::uint16_t Address(int a)
{
    return static_cast<std::uint16_t>(a);
}

}  // namespace

std::uint8_t Log2Floor(std::uint16_t v)
{
    std::uint8_t n = 0;
    while (v > 1) {
        v >>= 1;
        ++n;
    }
    return n;
}

std::string ModuleTypeName(int type)
{
    switch (type) {
    case kModuleNone:
        return MessageText(149);
    case kModuleOpto:
        return MessageText(151);
    case kModuleCoaxial:
        return MessageText(150);
    case kModuleHF:
        return MessageText(152);
    default:
        return MessageText(153);
    }
}

bool IsPopulatedType(int type)
{
    return type == kModuleOpto || type == kModuleCoaxial || type == kModuleHF;
}

CDriver::CDriver(const std::int16_t* currentSlot, std::unique_ptr<FrameTransport> transport,
                 std::unique_ptr<AdapterLister> lister, std::uint32_t ringWords)
    : m_link(std::move(transport), std::move(lister), ringWords), m_pCurSlot(currentSlot)
{
}

std::uint16_t CDriver::CurrentSlot() const
{
    return m_pCurSlot ? static_cast<std::uint16_t>(*m_pCurSlot) : 0;
}

std::optional<ReplyEntry> CDriver::Ask(std::uint16_t code, std::uint16_t address, std::uint32_t arg2,
                                       std::uint32_t arg3)
{
    if (m_link.Command(code, address, arg2, arg3) != kCommandAnswered)
        return std::nullopt;
    return m_link.LastReply();
}

int CDriver::SetSamples(std::uint16_t n)
{
    return m_link.Command(kSamples, CurrentSlot(), n & ~1u);
}

int CDriver::SetStacks(std::uint16_t n)
{
    return m_link.Command(kStacks, CurrentSlot(), Log2Floor(n));
}

int CDriver::SetSignalPositions(std::uint16_t p0, std::uint16_t p1)
{
    return m_link.Command(kSignalPositions, CurrentSlot(), p0, p1);
}

int CDriver::SetFrequencySteps(std::uint16_t n)
{
    return m_link.Command(kFrequencySteps, CurrentSlot(), n);
}

int CDriver::SetTriggerSource(int address, std::uint8_t kind, int source)
{
    return m_link.Command(kTriggerSource, Address(address), kind, static_cast<std::uint32_t>(source));
}

int CDriver::SetTraceInterval(int slot, int interval)
{
    return m_link.Command(kTraceInterval, Address(slot), static_cast<std::uint32_t>(interval));
}

int CDriver::SetTriggerOptions(std::int16_t bidirectional, std::int16_t missed)
{
    return m_link.Command(kTriggerOptions, kAllSlots, SignExtend(bidirectional), SignExtend(missed));
}

int CDriver::SetDirection(std::uint16_t d)
{
    return m_link.Command(kDirection, CurrentSlot(), d);
}

int CDriver::SetWheelCounter(int address, std::int16_t run, int start)
{
    return m_link.Command(kWheelCounter, Address(address), SignExtend(run), static_cast<std::uint32_t>(start));
}

int CDriver::StopWheelCounter(int address)
{
    return m_link.Command(kWheelCounter, Address(address), 0, 0);
}

int CDriver::Command10(std::int16_t a, int b)
{
    return m_link.Command(kCommand10, 0, SignExtend(a), static_cast<std::uint32_t>(b));
}

int CDriver::StartAcquisition()
{
    m_link.ResetQueues();
    return m_link.Command(kStartAcquisition, CurrentSlot()) != kCommandAnswered ? 1 : 0;
}

int CDriver::StopAcquisition()
{
    const int status = m_link.Command(kStopAcquisition, CurrentSlot());
    // A unit that did not hear its stop (its cable out) goes on measuring on its battery.
    m_bStopOwed = status != kCommandAnswered;
    return status;
}

int CDriver::RequestTrace(int pollBudget, int slot, int channel)
{
    m_link.ResetQueues();
    return m_link.CommandWithBudget(static_cast<std::uint32_t>(pollBudget < 0 ? 0 : pollBudget), kRequestTrace,
                                    Address(slot), static_cast<std::uint32_t>(channel + 1));
}

int CDriver::SetBeeper(std::uint16_t b)
{
    return m_link.Command(kBeeper, CurrentSlot(), b);
}

int CDriver::EnableWheel(int address)
{
    return m_link.Command(kWheelEnable, Address(address), 1);
}

int CDriver::DisableWheel(int address)
{
    return m_link.Command(kWheelEnable, Address(address), 0);
}

int CDriver::SetRampIndex(int r)
{
    return m_link.Command(kRampIndex, CurrentSlot(), static_cast<std::uint32_t>(r));
}

int CDriver::Command36()
{
    return m_link.Command(kCommand36, kAllSlots);
}

int CDriver::SetActiveChannels(int mask)
{
    return m_link.Command(kActiveChannels, CurrentSlot(), static_cast<std::uint32_t>(mask));
}

bool CDriver::SetAutoStack(std::uint8_t a)
{
    m_link.Command(kAutoStack, CurrentSlot(), a);
    return true;
}

int CDriver::SetCountry(std::uint8_t c)
{
    return m_link.Command(kCountry, CurrentSlot(), c);
}

std::optional<std::uint32_t> CDriver::ReadWheelCounter(int address)
{
    const auto reply = Ask(kReadWheelCounter, Address(address));
    if (!reply)
        return std::nullopt;
    return LoadBE32(reply->payload.data());
}

std::optional<std::uint32_t> CDriver::ReadUnitInfo(int address, std::uint8_t item)
{
    const auto reply = Ask(kReadUnitInfo, Address(address), item);
    if (!reply)
        return std::nullopt;
    return LoadBE32(reply->payload.data());
}

std::optional<std::uint8_t> CDriver::ReadModuleStatusByte(int slot, std::int16_t index)
{
    if (index < 0 || index >= 8)
        return std::nullopt;
    const auto reply = Ask(kReadModule, Address(slot), 4);
    if (!reply)
        return std::nullopt;
    return reply->payload[index];
}

std::optional<double> CDriver::ReadSampleInterval(int slot, int index)
{
    const auto reply = Ask(kReadSampleInterval, Address(slot), static_cast<std::uint32_t>(index));
    if (!reply)
        return std::nullopt;
    return LoadLEDouble(reply->payload.data());
}

bool CDriver::SetEmSensor(std::uint8_t op)
{
    if (op == 2) {
        const auto reply = Ask(kReadModule, CurrentSlot(), 20);
        return reply && reply->payload[0] != 0;
    }
    return m_link.Command(kWriteModule, CurrentSlot(), 20, op, op) == kCommandAnswered;
}

bool CDriver::WriteModuleRegister30(int slot, std::uint8_t v)
{
    return m_link.Command(kWriteModule, Address(slot), 30, v) == kCommandAnswered;
}

bool CDriver::IsModularUnit()
{
    if (const auto id = ReadUnitInfo(0, 1))
        m_lastModular = (*id >> 28) != 2;
    return m_lastModular;
}

std::optional<int> CDriver::ReadModuleType(int slot)
{
    const auto status = ReadModuleStatusByte(slot, 3);
    if (!status)
        return std::nullopt;
    return *status >> 4;
}

int CDriver::GetModuleType(int slot)
{
    return ReadModuleType(slot).value_or(kModuleNone);
}

bool CDriver::IsSlotPopulated(int slot)
{
    return IsPopulatedType(GetModuleType(slot));
}

std::string CDriver::GetModuleName(int slot)
{
    return ModuleTypeName(GetModuleType(slot));
}

int CDriver::Detect()
{
    // A link that is closed makes the discovery fail, which is the answer then.
    m_link.Open();
    m_link.ResetDataRing();
    if (m_link.Command(wire::kDiscovery, 0) != kCommandAnswered)
        return 0;
    if (m_link.Command(wire::kHandshake, 0) != kCommandAnswered)
        return 0;
    // Before anything else, a unit that may still measure is stopped: one that missed its
    // stop, or one found for the first time, which a program ended while measuring may
    // have left streaming (a stop to an idle unit does nothing). What it streamed before
    // is no measurement of ours.
    if (m_bStopOwed || !m_bFoundBefore) {
        StopAcquisition();
        m_link.ResetDataRing();
    }
    m_bFoundBefore = true;
    return 1;
}
