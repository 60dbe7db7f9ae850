// Arbitrary data messages in the ring, taken by the acquisition into a data set under /tmp:
// every record kind, gap fill, continued channels, sensor records in missed-trace mode,
// markers, and the hand-off to the display. Nothing may be read or written out of bounds,
// and the data files must hold exactly as many whole traces as the headers count.
//
// Input: byte 0 sets the channels' state (first-trace, continue and travel bits), bytes 1-4
// the last position of every channel; then messages, each a length byte (in words) and
// that many big-endian words, committed to a small ring that wraps often.
#include "link/Acquisition.h"
#include "link/CDriver.h"
#include "link/MemoryTransport.h"
#include "model/MeasParamSet.h"
#include "model/Prompter.h"
#include "model/RadarData.h"
#include "model/UnitInfo.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

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

    DataRing& ring = world.driver->Link().Ring();
    ring.ResetAt(bytes[4] * 15u);
    for (std::size_t at = 5; at < size;) {
        const std::size_t words = bytes[at++];
        const std::size_t n = std::min(words, (size - at) / 2);
        ring.BeginMessage();
        ring.Append(bytes + at, static_cast<std::uint32_t>(n), true);
        at += 2 * n;
        if (n < words)
            break;
    }
    world.acq->TakeCommittedRecords();
    world.acq->FlushTracesToDisplay();

    for (int k : {0, 1, 2, 5}) {
        const CChannelData& channel = world.data->GetChannel(k);
        if (channel.GetFileTraceCount() != channel.GetTraceCount())
            std::abort();  // the header would not match the file
    }
    return 0;
}
