#include "SimCases.h"

#include "link/RingRecord.h"
#include "link/UnitSync.h"
#include "model/MeasParamSet.h"
#include "sim/SimPattern.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <map>
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

std::vector<SimRequest> RequestsSince(const CSimUnit& unit, std::size_t from)
{
    std::vector<SimRequest> out;
    const auto all = unit.Requests();
    for (std::size_t i = from; i < all.size(); ++i)
        out.push_back(all[i].request);
    return out;
}

}  // namespace

void CheckDetection(SimCaseContext& c)
{
    c.unit.ClearHistory();
    ASSERT_EQ(c.detect(), 1);
    const auto requests = RequestsSince(c.unit, 0);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].code, wire::kDiscovery);
    EXPECT_TRUE(requests[0].broadcast);
    EXPECT_EQ(requests[0].seq, 2);
    EXPECT_EQ(requests[1].code, wire::kHandshake);
    EXPECT_FALSE(requests[1].broadcast);
    EXPECT_EQ(requests[1].seq, 3);
    const SimMac unitMac = c.unit.Address();
    EXPECT_TRUE(std::equal(unitMac.begin(), unitMac.end(), requests[1].dst.begin()));
    for (const SimRequest& r : requests) {
        EXPECT_EQ(r.length, 104u);
        EXPECT_TRUE(r.violations.empty()) << r.violations.front();
    }
}

void CheckCommandCoding(SimCaseContext& c)
{
    ASSERT_EQ(c.detect(), 1);
    CDriver& d = c.driver;
    c.currentSlot = 1;
    const std::size_t from = c.unit.Requests().size();
    struct Expected {
        std::uint16_t code, address;
        std::array<std::uint32_t, 5> args;
    };
    const std::vector<Expected> expected = {
        {1, 1, {400}},  {2, 1, {0}},  {2, 1, {4}},  {2, 1, {8}},  {3, 1, {2048, 1900}},
        {4, 1, {2}},    {5, 0xFFFF, {'W', 16}}, {5, 0xFFFF, {'T', 0}}, {6, 1, {10}},
        {7, 0xFFFF, {0xFFFFFFFF, 1}}, {8, 1, {0x0000FFFF}}, {9, 16, {0xFFFFFFFF, 0xFFFFFFFB}},
        {9, 16, {0, 0}}, {10, 0, {0xFFFFFFFE, 7}}, {20, 1, {1}}, {22, 16, {1}}, {22, 16, {0}},
        {27, 1, {2}},   {36, 0xFFFF, {}}, {37, 1, {3}}, {40, 1, {1}}, {58, 16, {}}, {61, 0, {1}},
        {65, 1, {4}},   {65, 1, {20}}, {71, 1, {3}}, {79, 1, {1}}, {96, 1, {20, 0, 0}},
        {96, 1, {30, 1}}, {13, 1, {}},
    };
    d.SetSamples(401);
    d.SetStacks(1);
    d.SetStacks(16);
    d.SetStacks(300);
    d.SetSignalPositions(2048, 1900);
    d.SetFrequencySteps(2);
    d.SetTriggerSource(-1, 'W', 16);
    d.SetTriggerSource(-1, 'T', 0);
    d.SetTraceInterval(1, 10);
    d.SetTriggerOptions(-1, 1);
    d.SetDirection(0xFFFF);
    EXPECT_EQ(d.SetWheelCounter(16, -1, -5), kCommandAnswered);
    d.StopWheelCounter(16);
    d.Command10(-2, 7);
    d.SetBeeper(1);
    d.EnableWheel(16);
    d.DisableWheel(16);
    d.SetRampIndex(2);
    d.Command36();
    EXPECT_EQ(d.SetActiveChannels(3), kCommandAnswered);
    EXPECT_TRUE(d.SetAutoStack(1));
    EXPECT_TRUE(d.ReadWheelCounter(16).has_value());
    EXPECT_TRUE(d.ReadUnitInfo(0, 1).has_value());
    EXPECT_TRUE(d.ReadModuleStatusByte(1, 0).has_value());
    d.SetEmSensor(2);
    EXPECT_TRUE(d.ReadSampleInterval(1, 3).has_value());
    d.SetCountry(1);
    EXPECT_TRUE(d.SetEmSensor(0));
    EXPECT_TRUE(d.WriteModuleRegister30(1, 1));
    d.StopAcquisition();
    const auto got = RequestsSince(c.unit, from);
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].code, expected[i].code) << "request " << i;
        EXPECT_EQ(got[i].address, expected[i].address) << "request " << i;
        EXPECT_EQ(got[i].args, expected[i].args) << "request " << i << " code " << got[i].code;
        EXPECT_TRUE(got[i].violations.empty()) << "request " << i;
        EXPECT_FALSE(got[i].broadcast) << "request " << i;
    }
}

void CheckTolamMap(SimCaseContext& c)
{
    // Slots: A coaxial, B opto, C HF, D unknown type 2, E none, the rest empty.
    ASSERT_EQ(c.detect(), 1);
    CDriver& d = c.driver;
    EXPECT_TRUE(d.IsModularUnit());
    const char* names[] = {"Coaxial module", "Opto module", "HF module", "Unknown module", "No module"};
    for (int slot = 0; slot < 5; ++slot)
        EXPECT_EQ(d.GetModuleName(slot), names[slot]) << "slot " << slot;
    EXPECT_FALSE(d.IsSlotPopulated(3));
    CMeasParamSet params("");
    for (CMeasParam& p : params.m_params)
        p.m_bActive = 1;
    params.m_params[0].m_bActive = 0;
    c.unit.ClearHistory();
    SyncChannelsWithUnit(d, params);
    std::vector<int> active;
    for (int k = 0; k < 16; ++k)
        if (params.m_params[k].m_bActive)
            active.push_back(k);
    EXPECT_EQ(active, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(params.m_nCurSlot, 0);
    EXPECT_EQ(params.m_nCurChannel, 1);
    std::vector<SimRequest> writes;
    for (const SimRequest& r : RequestsSince(c.unit, 0))
        if (r.code == 96)
            writes.push_back(r);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].address, 2);
    EXPECT_EQ(writes[0].args[0], 30u);
    EXPECT_EQ(writes[0].args[1], 1u);
}

void CheckZ5KMap(SimCaseContext& c)
{
    ASSERT_EQ(c.detect(), 1);
    EXPECT_FALSE(c.driver.IsModularUnit());
    CMeasParamSet params("");
    for (CMeasParam& p : params.m_params)
        p.m_bActive = 1;
    params.m_nCurSlot = 3;
    SyncChannelsWithUnit(c.driver, params);
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(params.m_params[k].m_bActive, k == 0 ? 1 : 0) << "channel " << k;
    EXPECT_EQ(params.m_nCurSlot, 0);
    c.unit.ClearHistory();
    ReadSampleIntervals(c.driver, params);
    for (const SimRequest& r : RequestsSince(c.unit, 0)) {
        if (r.code == 71 || r.code == 65) {
            EXPECT_EQ(r.address, 0) << "a Z5K unit has slot 0 only";
        }
    }
}

void CheckSampleIntervals(SimCaseContext& c)
{
    ASSERT_EQ(c.detect(), 1);
    CMeasParamSet params("");
    for (int s = 0; s < 8; ++s)
        for (int r = 0; r < 4; ++r)
            params.SetSampleInterval(s, r, 0.042);
    ReadSampleIntervals(c.driver, params);
    EXPECT_EQ(params.GetSampleInterval(0, 0), 0.1);
    EXPECT_EQ(params.GetSampleInterval(0, 1), 0.1);
    EXPECT_EQ(params.GetSampleInterval(0, 2), 0.1);
    EXPECT_EQ(params.GetSampleInterval(0, 3), 5e-10);
    const auto b = c.driver.ReadSampleInterval(1, 1);
    ASSERT_TRUE(b.has_value());
    EXPECT_EQ(params.GetSampleInterval(1, 1), *b);
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(params.GetSampleInterval(2, r), 0.042) << "slot C has no module";
}

void CheckVanishAndReturn(SimCaseContext& c)
{
    ASSERT_EQ(c.detect(), 1);
    // Long enough for everything below to run while the unit is away.
    c.unit.Vanish(5.0);
    EXPECT_EQ(c.detect(), 0);
    EXPECT_EQ(c.driver.ReadUnitInfo(0, 1), std::nullopt);
    CMeasParamSet params("");
    for (CMeasParam& p : params.m_params)
        p.m_bActive = 1;
    SyncChannelsWithUnit(c.driver, params);
    int active = 0;
    for (const CMeasParam& p : params.m_params)
        active += p.m_bActive;
    ASSERT_TRUE(c.unit.Vanished()) << "the unit came back too early for this check";
    EXPECT_EQ(active, 16) << "a unit that does not answer must not switch channels off";
    ASSERT_TRUE(WaitUntil([&] { return c.detect() == 1; }));
    EXPECT_TRUE(c.driver.ReadUnitInfo(0, 1).has_value());
}

void CheckStreamFaults(SimCaseContext& c)
{
    ASSERT_EQ(c.detect(), 1);
    CDriver& d = c.driver;
    VT_Ethernet& link = d.Link();
    c.currentSlot = 0;
    d.SetTriggerSource(-1, 'W', 16);
    d.SetTriggerSource(-1, 'T', 0);
    d.SetTraceInterval(0, 1);
    d.SetSamples(2048);
    d.SetActiveChannels(1);
    c.unit.ClearHistory();
    ASSERT_EQ(d.StartAcquisition(), 0);

    std::map<std::pair<int, std::uint32_t>, std::vector<std::int16_t>> delivered;
    std::vector<std::vector<std::int16_t>> shortTraces;  // the faults' stand-alone 14-sample traces
    bool inconsistent = false;
    std::vector<std::int16_t> samples(2048);
    auto pump = [&] {
        for (int i = link.NextRecord(); i >= 0; i = link.NextRecord()) {
            const RingRecord r = ReadRecordHeader(link.Ring(), static_cast<std::uint32_t>(i));
            if (r.Is(RecordType::TraceRecord) && IsWellFormed(r)) {
                const std::uint32_t n = CopyTraceSamples(link.Ring(), r, samples.data(), 2048);
                std::vector<std::int16_t> got(samples.begin(), samples.begin() + n);
                if (n == 2048)
                    delivered[{r.channelCode, RecordLong(link.Ring(), r)}] = std::move(got);
                else
                    shortTraces.push_back(std::move(got));
            }
            link.ReleaseRecord();
        }
        if (link.NextRecord() < -1)
            inconsistent = true;
    };
    auto tracesDelivered = [&] { return delivered.size(); };

    const std::vector<std::string> faults = {"drop-frag=2", "drop-last",   "swap-frags",   "stray-frag",
                                             "seq-jump=5",  "foreign-seq", "short-frame",  "short-reply",
                                             "pad-over",    "odd-data",    "unknown-type", "wrong-ethertype",
                                             "wrong-dst",   "bcast-dst"};
    ASSERT_TRUE(WaitUntil([&] {
        pump();
        return tracesDelivered() >= 5;
    }));
    for (const std::string& f : faults) {
        std::string error;
        ASSERT_TRUE(c.unit.AddFault(f, error)) << f << ": " << error;
        ASSERT_TRUE(WaitUntil([&] {
            pump();
            return c.unit.PendingFaults().empty();
        })) << f << " never fired";
        const std::size_t mark = tracesDelivered();
        ASSERT_TRUE(WaitUntil([&] {
            pump();
            return tracesDelivered() >= mark + 3;
        })) << "no traces after " << f;
    }
    d.StopAcquisition();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pump();
    EXPECT_FALSE(inconsistent) << "a record ran past the committed data";

    // Which message carried which fault.
    std::map<std::uint16_t, std::vector<std::string>> faultsOf;
    for (const SimSentMessage& m : c.unit.SentMessages())
        if (!m.faults.empty())
            faultsOf[m.msgSeq] = m.faults;
    int lost = 0, faulted = 0;
    std::set<std::pair<int, std::uint32_t>> sentKeys;
    for (const SimTrace& t : c.unit.SentTraces()) {
        const std::pair<int, std::uint32_t> key{t.code, t.position};
        sentKeys.insert(key);
        const auto it = delivered.find(key);
        const auto fault = faultsOf.find(t.msgSeq);
        const bool mayBeLost = fault != faultsOf.end() && fault->second.front() != "stray-frag" &&
                               fault->second.front() != "seq-jump=5" && fault->second.front() != "odd-data";
        if (fault != faultsOf.end())
            ++faulted;
        if (it == delivered.end()) {
            ++lost;
            EXPECT_TRUE(mayBeLost) << "trace at position " << t.position << " of message " << t.msgSeq
                                   << " lost without a fault of its own"
                                   << (fault != faultsOf.end() ? " (" + fault->second.front() + ")" : "");
            continue;
        }
        EXPECT_EQ(it->second, t.samples) << "trace at position " << t.position << " arrived changed";
    }
    for (const auto& [key, s] : delivered)
        EXPECT_TRUE(sentKeys.count(key)) << "a trace the unit never sent: code " << key.first << " position "
                                         << key.second;
    // The odd byte of "odd-data" is not a word: its trace comes whole. "pad-over" goes.
    ASSERT_EQ(shortTraces.size(), 1u);
    EXPECT_EQ(shortTraces[0], SimPattern{}.Trace(0, 0, 14));
    EXPECT_GE(faulted, 5);
    EXPECT_GE(lost, 4) << "the fragment faults should have cost messages";
    const LinkCounters counters = link.Counters();
    EXPECT_GE(counters.shortFrames, 2u);
    EXPECT_GE(counters.badPadFrames, 1u);
    EXPECT_GE(counters.framesIgnored, 2u);  // other station, broadcast (other EtherTypes may not pass the filter)
    EXPECT_EQ(counters.ringOverflows, 0u);
}

void CheckRecordsPastTheirMessage(SimCaseContext& c)
{
    ASSERT_EQ(c.detect(), 1);
    CDriver& d = c.driver;
    VT_Ethernet& link = d.Link();
    c.currentSlot = 0;
    d.SetTriggerSource(-1, 'W', 16);
    d.SetTriggerSource(-1, 'T', 0);
    d.SetTraceInterval(0, 1);
    d.SetSamples(512);
    d.SetActiveChannels(1);
    c.unit.ClearHistory();
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
        ASSERT_TRUE(c.unit.AddFault("bad-record=past-end", error)) << error;
        ASSERT_TRUE(WaitUntil([&] {
            pump();
            return c.unit.PendingFaults().empty();
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
    for (const SimSentMessage& m : c.unit.SentMessages())
        if (!m.faults.empty())
            faultMessages.insert(m.msgSeq);
    ASSERT_EQ(faultMessages.size(), std::size_t{kFaults});
    std::map<std::pair<int, std::uint32_t>, std::vector<std::int16_t>> sent;
    for (const SimTrace& t : c.unit.SentTraces())
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
