// Arbitrary data messages in the ring, taken by the acquisition into a data set under /tmp:
// every record kind, gap fill, continued channels, sensor records in missed-trace mode,
// markers, and the hand-off to the display. Nothing may be read or written out of bounds,
// the data files must hold exactly as many whole traces as the headers count, and every
// trace stored is either a gap fill (zeros) or the samples of one trace record of the input:
// a record may never take words of another message.
//
// Input: byte 0 sets the channels' state (first-trace, continue and travel bits), bytes 1-4
// the last position of every channel; then messages, each a length byte (in words) and
// that many big-endian words, committed to a small ring that wraps often. They are
// committed by the ring's own commit, the one the receive thread uses for the last fragment
// of a message, so the ring's checks of a message apply to them.
#include "link/Acquisition.h"
#include "link/CDriver.h"
#include "link/MemoryTransport.h"
#include "model/MeasParamSet.h"
#include "model/Prompter.h"
#include "model/RadarData.h"
#include "model/UnitInfo.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <unistd.h>
#include <vector>

namespace {

class Silent : public Prompter {
public:
    void message(int) override {}
    bool askYesNo(int) override { return false; }
    void messageText(const std::string&) override {}
};

struct World {
    World()
    {
        char dir[] = "/tmp/dv-fuzz-acq-XXXXXX";
        if (!::mkdtemp(dir))
            std::abort();
        folder = std::string(dir) + "/";
        for (int k : {0, 1, 2, 5}) {
            params.m_params[k].m_bActive = 1;
            params.m_params[k].m_nSamples = 16;
        }
        params.m_params[0].m_bEmSensor = 1;
        params.m_params[2].m_bEmSensor = 1;
        params.m_nMissedTraceMode = 1;
        params.m_nTrigType = 0;
        params.m_bDcFilter = 1;
        // The link is never opened: the input goes straight into its ring.
        auto wire = MemoryTransport::MakePair();
        driver = std::make_unique<CDriver>(&params.m_nCurSlot, std::move(wire.first), nullptr, 4096);
        DataSetContext context{params, prompter, locks.Driver, locks.Em, &unit, nullptr, {}, {}};
        data = std::make_unique<CRadarData>(context);
        acq = std::make_unique<CAcquisition>(AcquisitionContext{params, *data, *driver, status, locks, prompter});
        NewDataSet();
    }
    ~World() { std::filesystem::remove_all(folder); }

    void NewDataSet()
    {
        data->CloseFiles(true);
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
            std::filesystem::remove(entry.path(), ec);
        if (data->CreateFiles(folder, "F") != 0 || data->WriteHeaders() != 0)
            std::abort();
        runs = 0;
    }

    std::string folder;
    Silent prompter;
    FixedUnitInfo unit;
    CMeasParamSet params{""};
    CAcquisitionStatus status;
    CAppLocks locks;
    std::unique_ptr<CDriver> driver;
    std::unique_ptr<CRadarData> data;
    std::unique_ptr<CAcquisition> acq;
    int runs = 0;
};

constexpr int kStoredChannels[] = {0, 1, 2, 5};
constexpr int kSamples = 16;  // SAMPLES of every stored channel
using StoredTrace = std::array<std::int16_t, kSamples>;

// What a data file may hold for each trace record of one message, read from the message's
// own words: the record's first samples, zeros after them. A length that runs past the end
// of the message ends the message's records.
void AddTraceRecordsOf(const std::uint8_t* bytes, std::size_t words, std::set<StoredTrace>& out)
{
    const auto word = [&](std::size_t i) { return static_cast<std::uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]); };
    for (std::size_t i = 0; i < words;) {
        const std::size_t length = word(i) / 2u + 1u;
        if (length > words - i)
            break;
        if (length >= 4 && (word(i + 1) >> 8) == 'f') {
            StoredTrace trace{};
            for (std::size_t j = 0; j < length - 4 && j < kSamples; ++j)
                trace[j] = static_cast<std::int16_t>(word(i + 4 + j));
            out.insert(trace);
        }
        i += length;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    static World world;
    if (size < 5)
        return 0;
    if (++world.runs > 300)
        world.NewDataSet();
    CAcquisitionStatus& s = world.status;
    const std::uint8_t flags = bytes[0];
    const std::int32_t last = static_cast<std::int32_t>(std::uint32_t{bytes[1]} << 24 | std::uint32_t{bytes[2]} << 16 |
                                                        std::uint32_t{bytes[3]} << 8 | bytes[4]);
    for (std::size_t k = 0; k < 16; ++k) {
        s.m_bFirstTrace[k] = (flags >> (k % 3)) & 1;
        s.m_bContinue[k] = (flags >> 3) & 1;
        s.m_nLastPosition[k] = last;
    }
    // Steps large enough that a gap is at most a few dozen traces: runs stay quick.
    for (std::size_t slot = 0; slot < 8; ++slot)
        s.m_nSlotStep[slot] = (flags & 0x80) ? 0 : 1 << (24 + static_cast<int>(slot % 4));
    s.m_nDistanceMultiplier = (flags & 0x10) ? -1 : 1;
    s.m_nTimeBase = last;
    world.params.m_nTrigType = (flags & 0x20) ? 128 : 0;
    world.params.m_nCurSlot = static_cast<std::int16_t>((flags >> 6) & 1 ? 3 : 0);
    world.acq->BeginMeasurement();
    world.acq->SetConfig(CAcquisitionConfig::Take(world.params, s));
    s.ClearErrors();

    std::array<std::int64_t, 16> before{};
    for (int k : kStoredChannels)
        before[static_cast<std::size_t>(k)] = world.data->GetChannel(k).GetFileTraceCount();

    DataRing& ring = world.driver->Link().Ring();
    ring.ResetAt(bytes[4] * 15u);
    std::set<StoredTrace> allowed = {StoredTrace{}};  // a gap fill
    for (std::size_t at = 5; at < size;) {
        const std::size_t words = bytes[at++];
        const std::size_t n = std::min(words, (size - at) / 2);
        AddTraceRecordsOf(bytes + at, n, allowed);
        ring.BeginMessage();
        ring.Append(bytes + at, static_cast<std::uint32_t>(n), true);
        at += 2 * n;
        if (n < words)
            break;
    }
    world.acq->TakeCommittedRecords();
    world.acq->FlushTracesToDisplay();

    std::vector<std::int16_t> rows;
    for (int k : kStoredChannels) {
        const CChannelData& channel = world.data->GetChannel(k);
        if (channel.GetFileTraceCount() != channel.GetTraceCount())
            std::abort();  // the header would not match the file
        const auto first = before[static_cast<std::size_t>(k)];
        const auto count = channel.GetFileTraceCount() - first;
        rows.assign(static_cast<std::size_t>(count) * kSamples, 0);
        if (count > 0 && channel.ReadTraceRows(static_cast<int>(first), static_cast<int>(count), rows.data(), kSamples) != 0)
            std::abort();
        for (std::int64_t t = 0; t < count; ++t) {
            StoredTrace stored;
            std::copy_n(rows.begin() + t * kSamples, kSamples, stored.begin());
            if (!allowed.count(stored))
                std::abort();  // neither a gap fill nor any trace the unit sent
        }
    }
    return 0;
}
