// The link through the capture library against the simulated control unit over a veth
// pair, the host end alone in a network namespace of its own: a stream whose messages carry
// records that run past their end, and a unit left streaming by a program that ended.
// (Commands, detection and the other stream faults are checked against the stand-in unit and
// in the acquisition scenarios.)
#include "link/CDriver.h"
#include "link/RingRecord.h"
#include "link/SystemAdapterLister.h"
#include "sim/SimPattern.h"
#include "tests/support/SimVethFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <thread>

namespace {

template <typename F>
bool WaitUntil(F condition, int seconds = 20)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace

class SimOverVeth : public SimVethTest {
protected:
    void StartUnit(const CSimUnitConfig& config)
    {
        std::string error;
        ASSERT_TRUE(net.StartUnit(config, error)) << error;
        // From here on this thread lives beside dvhost0: the link's capture and receive
        // thread are made in there and nowhere else.
        inside = std::make_unique<CScopedNetns>(net.HostNetns().Fd());
        ASSERT_TRUE(inside->Ok()) << inside->Error();
        std::vector<Adapter> adapters;
        ASSERT_EQ(SystemAdapterLister().List(adapters, error), 0) << error;
        ASSERT_EQ(adapters.size(), 1u);
        ASSERT_EQ(adapters[0].name, CSimNetHarness::kHostInterface);
    }
    // A driver as a program makes it when it starts.
    std::unique_ptr<CDriver> MakeDriver()
    {
        auto d = std::make_unique<CDriver>(&currentSlot);
        d->Link().BindAdapterChoice(&choice);
        return d;
    }

    void TearDown() override { inside.reset(); }

    std::unique_ptr<CScopedNetns> inside;
    std::int16_t currentSlot = 0;
    AdapterChoice choice;
};

class SimOverVethPatterns : public SimOverVeth, public ::testing::WithParamInterface<const char*> {
protected:
    void StartUnit(const CSimUnitConfig& config)
    {
        SimOverVeth::StartUnit(config);
        driver = MakeDriver();
    }

    void TearDown() override
    {
        driver.reset();
        SimOverVeth::TearDown();
    }

    std::unique_ptr<CDriver> driver;
};

// A program ended while measuring leaves its unit streaming. The next program stops it
// when it first finds it, and its data ring keeps nothing of that stream.
TEST_F(SimOverVeth, UnitLeftStreamingIsStoppedWhenFirstFoundAndItsStreamDropped)
{
    StartUnit(CSimUnitConfig::Tolam());
    {
        std::unique_ptr<CDriver> ended = MakeDriver();
        ASSERT_EQ(ended->Detect(), 1);
        ended->SetTriggerSource(-1, 'W', 16);
        ended->SetTriggerSource(-1, 'T', 0);
        ended->SetTraceInterval(0, 10);
        ended->SetSamples(256);
        ended->SetActiveChannels(1);
        ASSERT_EQ(ended->StartAcquisition(), 0);
        ASSERT_TRUE(WaitUntil([&] { return net.Unit().SentTraces().size() >= 5; }));
    }  // the program is killed: its link closes, no stop goes out
    ASSERT_TRUE(net.Unit().Streaming());
    const std::size_t heardBefore = net.Unit().Requests().size();

    std::unique_ptr<CDriver> started = MakeDriver();
    ASSERT_EQ(started->Detect(), 1);
    EXPECT_FALSE(net.Unit().Streaming());
    const std::vector<SimReceived> heard = net.Unit().Requests();
    ASSERT_GE(heard.size(), heardBefore + 3);
    EXPECT_EQ(heard[heardBefore + 1].request.code, wire::kHandshake);
    EXPECT_EQ(heard[heardBefore + 2].request.code, unitcmd::kStopAcquisition);
    // A reply commits whatever the unit sent before it.
    ASSERT_TRUE(started->ReadUnitInfo(0, 1).has_value());
    EXPECT_EQ(started->Link().NextRecord(), -1) << "the data ring holds records of the earlier stream";
}

// Each message with a record whose length runs past its end is dropped and counted, and
// every other trace arrives as sent.
TEST_P(SimOverVethPatterns, RecordPastItsMessageCostsOnlyThatMessage)
{
    CSimUnitConfig config = CSimUnitConfig::Tolam();
    config.rate = 400;
    ASSERT_TRUE(SimPattern::Parse(GetParam(), config.pattern)) << GetParam();
    StartUnit(config);

    ASSERT_EQ(driver->Detect(), 1);
    CDriver& d = *driver;
    VT_Ethernet& link = d.Link();
    currentSlot = 0;
    d.SetTriggerSource(-1, 'W', 16);
    d.SetTriggerSource(-1, 'T', 0);
    d.SetTraceInterval(0, 1);
    d.SetSamples(512);
    d.SetActiveChannels(1);
    net.Unit().ClearHistory();
    ASSERT_EQ(d.StartAcquisition(), 0);

    // Every trace record the reader gets, of any length, in order of arrival.
    std::vector<std::pair<std::pair<int, std::uint32_t>, std::vector<std::int16_t>>> delivered;
    bool inconsistent = false;
    std::vector<std::int16_t> samples(4096);
    auto pump = [&] {
        for (int i = link.NextRecord(); i >= 0; i = link.NextRecord()) {
            const RingRecord r = ReadRecordHeader(link.Ring(), static_cast<std::uint32_t>(i));
            if (r.Is(RecordType::TraceRecord) && IsWellFormed(r)) {
                const std::uint32_t n = CopyTraceSamples(link.Ring(), r, samples.data(), 4096);
                delivered.push_back({{r.channelCode, RecordLong(link.Ring(), r)},
                                     std::vector<std::int16_t>(samples.begin(), samples.begin() + n)});
            }
            link.ReleaseRecord();
        }
        if (link.NextRecord() < -1)
            inconsistent = true;
    };

    const int kFaults = 6;
    ASSERT_TRUE(WaitUntil([&] {
        pump();
        return delivered.size() >= 5;
    }));
    for (int f = 0; f < kFaults; ++f) {
        std::string error;
        ASSERT_TRUE(net.Unit().AddFault("bad-record=past-end", error)) << error;
        ASSERT_TRUE(WaitUntil([&] {
            pump();
            return net.Unit().PendingFaults().empty();
        })) << "fault " << f << " never fired";
        const std::size_t mark = delivered.size();
        ASSERT_TRUE(WaitUntil([&] {
            pump();
            return delivered.size() >= mark + 3;
        })) << "no traces after fault " << f;
    }
    d.StopAcquisition();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pump();
    EXPECT_FALSE(inconsistent) << "a record ran past the committed data";

    std::set<std::uint16_t> faultMessages;
    for (const SimSentMessage& m : net.Unit().SentMessages())
        if (!m.faults.empty())
            faultMessages.insert(m.msgSeq);
    ASSERT_EQ(faultMessages.size(), std::size_t{kFaults});
    std::map<std::pair<int, std::uint32_t>, std::vector<std::int16_t>> sent;
    for (const SimTrace& t : net.Unit().SentTraces())
        if (!faultMessages.count(t.msgSeq))
            sent[{t.code, t.position}] = t.samples;

    std::set<std::pair<int, std::uint32_t>> seen;
    for (const auto& [key, got] : delivered) {
        EXPECT_TRUE(seen.insert(key).second) << "position " << key.second << " delivered twice";
        const auto it = sent.find(key);
        if (it == sent.end()) {
            ADD_FAILURE() << "a trace the unit never sent whole: code " << key.first << " position "
                          << key.second << ", " << got.size() << " samples";
            continue;
        }
        EXPECT_EQ(got, it->second) << "trace at position " << key.second << " arrived changed";
    }
    for (const auto& [key, s] : sent)
        EXPECT_TRUE(seen.count(key)) << "trace at position " << key.second << " lost without a fault of its own";
    const LinkCounters counters = link.Counters();
    EXPECT_EQ(counters.badRecordMessages, std::uint64_t{kFaults});
    EXPECT_EQ(counters.ringOverflows, 0u);
}

INSTANTIATE_TEST_SUITE_P(Patterns, SimOverVethPatterns, ::testing::Values("ramp", "const:-1234", "const:0"));
