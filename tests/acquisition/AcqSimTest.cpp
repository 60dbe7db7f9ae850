// Whole measurements against the simulated unit on the in-memory wire.
#include "AcqScenarios.h"
#include "AcqWires.h"
#include "tests/support/CardImage.h"

#include <algorithm>
#include <map>

#define ACQ_SCENARIO(Name, config)                      \
    TEST_F(AcqOnMemoryWire, Name)                       \
    {                                                   \
        StartUnit(config);                              \
        Name(AcqBench{*rig, Unit()});                   \
    }

ACQ_ALL_SCENARIOS(ACQ_SCENARIO)

TEST_F(AcqOnMemoryWire, StalledFileWriterLosesNoTrace)
{
    StartUnit(ScenarioUnit("8,8,8,8,8,8,8,8"));
    StalledFileWriterLosesNoTrace(AcqBench{*rig, Unit()});
}

namespace {

// The names a data folder on the card holds, without the file system's own folder.
std::vector<std::string> DataFiles(const std::string& folder)
{
    std::vector<std::string> names = FolderEntries(folder);
    names.erase(std::remove(names.begin(), names.end(), "lost+found"), names.end());
    return names;
}

// Channels A1, A2 and C1 in time mode, with slot A's 50/60 Hz sensor, measuring onto `card`.
void StartThreeChannelsOn(CardImage& card, AcqRig& rig)
{
    rig.dataFolder = card.file("");
    rig.Activate({0, 1, 4}, 512);
    rig.params.m_params[0].m_bEmSensor = 1;
    rig.TimeMode();
    ASSERT_TRUE(rig.Detect());
    ASSERT_EQ(rig.measurement->OnMeasureStart(), kStartOk);
}

}  // namespace

// A card pulled (or the power cut) right after the stop holds everything the stop wrote:
// traces, markers, sensor records and headers, and no temporary beside them.
TEST_F(AcqOnMemoryWire, CardPulledRightAfterTheStopHoldsEveryFileWhole)
{
    StartUnit(ScenarioUnit());
    CardImage card(rig->dir.file("sd"), 32);
    if (!card.ok())
        GTEST_SKIP() << card.error();
    ASSERT_NO_FATAL_FAILURE(StartThreeChannelsOn(card, *rig));
    ASSERT_TRUE(rig->RunUntilTraces(0, 30));
    for (int k : {0, 1, 4})
        rig->data->GetMarkerFile(k).AddMarker(static_cast<std::uint32_t>(rig->Traces(k)), 0, 1);
    ASSERT_TRUE(rig->RunUntilTraces(4, 60));
    rig->measurement->OnMeasureStop();
    ASSERT_TRUE(rig->prompter.ids.empty());

    ASSERT_TRUE(card.Pull());
    const std::vector<std::string> names = DataFiles(card.file(""));
    EXPECT_EQ(names.size(), 10u) << "three channels' .rd3, .rad, .mrk and slot A's .em";
    EXPECT_EQ(DataFiles(card.copied("")), names) << "the copy has the same files, and no temporary";
    for (const std::string& name : names) {
        const std::string kept = ReadFileBytes(card.copied(name));
        EXPECT_GT(kept.size(), 0u) << name;
        EXPECT_TRUE(kept == ReadFileBytes(card.file(name)))
            << name << ": " << kept.size() << " bytes on the copy of " << ReadFileBytes(card.file(name)).size();
    }
    for (int k : {0, 1, 4}) {
        EXPECT_GE(rig->Traces(k), 60) << "channel " << k;
        EXPECT_EQ(rig->FileTraces(k), rig->Traces(k)) << "channel " << k;
    }
    rig->data->CloseFiles(true);
}

// A power cut (or a card pulled) while measuring keeps, in every file of the set, all that
// was written up to a few seconds before it, long before the system would have written
// it back on its own.
TEST_F(AcqOnMemoryWire, CardPulledDuringTheRunHoldsWhatCameSecondsBefore)
{
    StartUnit(ScenarioUnit());
    CardImage card(rig->dir.file("sd"), 32);
    if (!card.ok())
        GTEST_SKIP() << card.error();
    ASSERT_NO_FATAL_FAILURE(StartThreeChannelsOn(card, *rig));
    ASSERT_TRUE(rig->RunUntilTraces(0, 100));
    for (int k : {0, 1, 4})
        rig->data->GetMarkerFile(k).AddMarker(static_cast<std::uint32_t>(rig->Traces(k)), 0, 1);
    ASSERT_TRUE(rig->RunUntilTraces(0, 300));
    std::map<std::string, std::size_t> written;
    for (const std::string& name : DataFiles(card.file("")))
        written[name] = ReadFileBytes(card.file(name)).size();
    // Longer than a sync period and its round, far shorter than the system's write-back.
    ASSERT_FALSE(rig->RunUntil([] { return false; }, 3.0)) << "the measurement ended";

    ASSERT_TRUE(card.Pull());
    EXPECT_EQ(written.size(), 10u) << "three channels' .rd3, .rad, .mrk and slot A's .em";
    for (const auto& [name, size] : written) {
        const std::string kept = ReadFileBytes(card.copied(name));
        EXPECT_GE(kept.size(), size) << name << ": bytes on the copy of those written 3 s before it";
        // What came after them may be cut off anywhere, the file's new length ahead of its
        // last bytes: only those written 3 s before are promised.
        EXPECT_TRUE(kept.substr(0, size) == ReadFileBytes(card.file(name)).substr(0, size)) << name;
    }
    rig->measurement->OnMeasureStop();
    EXPECT_TRUE(rig->prompter.ids.empty());
    rig->data->CloseFiles(true);
}

// A card whose storage gives out during the run: the stop cannot put the traces on it and
// says so, rather than leave them in memory as if stored; also behind the error of a unit
// that went away.
class CardGivingOut : public AcqOnMemoryWire {
protected:
    void Run(bool unitVanishes, const std::vector<int>& messages)
    {
        StartUnit(ScenarioUnit());
        CardImage card(rig->dir.file("sd"), 32, CardImage::Storage::CanGiveOut);
        if (!card.ok())
            GTEST_SKIP() << card.error();
        rig->dataFolder = card.file("");
        if (unitVanishes) {
            // The write error is to be found by the stop, behind the link error, and not
            // first by the periodic sync.
            rig->hooks.syncPeriod = std::chrono::hours(1);
            rig->measurement = std::make_unique<CMeasurement>(*rig->acq, rig->hooks);
        }
        rig->Activate({0, 1}, 512);
        rig->TimeMode();
        ASSERT_TRUE(rig->Detect());
        ASSERT_EQ(rig->measurement->OnMeasureStart(), kStartOk);
        card.GiveOut();
        ASSERT_TRUE(rig->RunUntilTraces(0, 40));
        if (unitVanishes) {
            Unit().Vanish(60);
            ASSERT_TRUE(rig->RunUntil([] { return false; }, 30)) << "the acquisition did not notice";
        } else {
            rig->measurement->OnMeasureStop();
        }
        EXPECT_EQ(rig->prompter.ids, messages);
        EXPECT_EQ(rig->status.m_bDiskFull.load(), 1);
        EXPECT_FALSE(rig->status.IsMeasuring());
        rig->data->CloseFiles(true);
    }
};

TEST_F(CardGivingOut, StopShowsTheWriteError)
{
    Run(false, {kMsgDiskFull});
}

TEST_F(CardGivingOut, LinkErrorIsFollowedByTheWriteError)
{
    Run(true, {kMsgError01, kMsgDiskFull});
}
