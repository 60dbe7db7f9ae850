// The link over an in-memory wire: request frames, opening, transactions, closing and a
// capture that breaks.
#include "LinkFixture.h"
#include "link/ByteOrder.h"
#include "link/RingRecord.h"
#include "tests/support/RecordingPrompter.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <thread>

using Links = LinkOnMemoryWire;


TEST_F(Links, FirstRequestIsSequenceTwoBroadcastThenTheUnitsAddress)
{
    ASSERT_EQ(link->Open(), kLinkOpened);
    ASSERT_EQ(link->Command(wire::kDiscovery, 0), kCommandAnswered);
    ASSERT_EQ(link->Command(1, 3, 400, 0xA0B0C0D0, 3, 4, 0xFFFFFFFF), kCommandAnswered);
    const auto log = peer->Log();
    ASSERT_EQ(log.size(), 2u);
    const std::string zeros(60 * 2, '0');
    EXPECT_EQ(Hex(log[0].raw), "ffffffffffff" "020000000001" "5555" "0002" "ffff" "0000"
                               "00000000" "00000000" "00000000" "00000000" "00000000" + zeros + "00010001");
    EXPECT_EQ(Hex(log[1].raw), "020000000055" "020000000001" "5555" "0003" "0001" "0003"
                               "00000190" "a0b0c0d0" "00000003" "00000004" "ffffffff" + zeros + "00010001");
}

TEST_F(Links, AdapterIndexBeyondTheListOpensTheLastAndIsStoredBack)
{
    choice.interfaceIndex = 99;
    ASSERT_EQ(link->Open(), kLinkOpened);
    EXPECT_EQ(choice.interfaceIndex, 1);
    EXPECT_EQ(hostEnd->Device(), "veth-b");
    EXPECT_EQ(link->Source(), kHostMac);
    EXPECT_EQ(choice.descriptions, (std::vector<std::string>{"first adapter", "second adapter"}));
    link->Close();

    choice.interfaceIndex = -1;
    ASSERT_EQ(link->Open(), kLinkOpened);
    EXPECT_EQ(hostEnd->Device(), "veth-a");
    EXPECT_EQ(choice.interfaceIndex, -1);
}

TEST(LinkOpen, NoAdapterIsReportedOnceUntilSomethingChanges)
{
    auto [host, unit] = MemoryTransport::MakePair();
    VT_Ethernet link(std::move(host), std::make_unique<FixedAdapterLister>(std::vector<Adapter>{}));
    RecordingPrompter prompter;
    link.SetPrompter(&prompter);
    EXPECT_EQ(link.Open(), kLinkNoAdapter);
    EXPECT_EQ(link.Open(), kLinkNoAdapter);
    EXPECT_FALSE(link.IsOpen());
    ASSERT_EQ(prompter.texts.size(), 1u);
    EXPECT_EQ(prompter.texts[0], "No adapter information exists for the local computer");
    EXPECT_EQ(link.Command(1, 0), kCommandLinkClosed);
    EXPECT_EQ(link.SendRequest(1, 0), -3);
}

namespace {

// A system that gives no adapter information at all.
class SilentAdapterLister : public AdapterLister {
public:
    int List(std::vector<Adapter>&, std::string& error) override
    {
        error = "no adapters";
        return -1;
    }
};

// While its message "shows", something else asks the link to open (a timer ticking inside the
// box); waiting for that answer is bounded so that a link that still holds its lock fails the
// test instead of hanging it.
class PrompterOpeningTheLink : public RecordingPrompter {
public:
    void messageText(const std::string& text) override
    {
        RecordingPrompter::messageText(text);
        nested = std::async(std::launch::async, [this] { return link->Open(); });
        answeredWhileShown = nested.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    }

    VT_Ethernet* link = nullptr;
    std::future<int> nested;
    bool answeredWhileShown = false;
};

}  // namespace

TEST(LinkOpen, NoAdapterMessageShowsWithTheLinkFreeForOthers)
{
    struct Case {
        const char* what;
        std::function<std::unique_ptr<AdapterLister>()> lister;
    };
    const Case cases[] = {
        {"no adapter information", [] { return std::make_unique<SilentAdapterLister>(); }},
        {"an empty adapter list", [] { return std::make_unique<FixedAdapterLister>(std::vector<Adapter>{}); }},
    };
    for (const Case& c : cases) {
        auto [host, unit] = MemoryTransport::MakePair();
        VT_Ethernet link(std::move(host), c.lister());
        PrompterOpeningTheLink prompter;
        prompter.link = &link;
        link.SetPrompter(&prompter);
        EXPECT_EQ(link.Open(), kLinkNoAdapter) << c.what;
        ASSERT_TRUE(prompter.nested.valid()) << c.what;
        EXPECT_TRUE(prompter.answeredWhileShown) << c.what << ": the link was held while its message showed";
        EXPECT_EQ(prompter.nested.get(), kLinkNoAdapter) << c.what;
        EXPECT_EQ(prompter.texts, std::vector<std::string>{"No adapter information exists for the local computer"})
            << c.what << ": shown once, also to the open made while it showed";
    }
}

TEST_F(Links, CaptureThatCannotOpenIsReportedOnceWithTheLibrarysWords)
{
    hostEnd->RefuseOpen(kTransportPermissionDenied, "You don't have permission to perform this capture");
    testing::internal::CaptureStderr();
    EXPECT_EQ(link->Open(), kLinkCaptureFailed);
    EXPECT_EQ(link->Open(), kLinkCaptureFailed);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "\nUnable to open the adapter. veth-b is not supported by WinPcap\n"
                   "libpcap: You don't have permission to perform this capture\n");
    EXPECT_FALSE(link->IsOpen());
    EXPECT_EQ(link->LastOpenError(), "You don't have permission to perform this capture");

    hostEnd->RefuseOpen(kTransportOpened, "");
    EXPECT_EQ(link->Open(), kLinkOpened);
    EXPECT_EQ(link->LastOpenError(), "");
}

TEST_F(Links, SendFailureAndClosedLinkGiveTheirCodes)
{
    EXPECT_EQ(link->Command(1, 0), kCommandLinkClosed);
    ASSERT_EQ(link->Open(), kLinkOpened);
    hostEnd->FailSends(true);
    EXPECT_EQ(link->SendRequest(1, 0), -2);
    EXPECT_EQ(link->Command(1, 0), kCommandSendFailed);
    hostEnd->FailSends(false);
    EXPECT_EQ(link->Command(1, 0), kCommandAnswered);
}

TEST_F(Links, ReplyWithAForeignSequenceIsSkipped)
{
    peer->SetOverride([](const Request& r, ScriptedUnit& u) {
        Request stale = r;
        stale.sequence = static_cast<std::uint16_t>(r.sequence - 7);
        u.Reply(stale, {9, 9, 9, 9, 9, 9, 9, 9});
        u.Reply(r, {1, 2, 3, 4, 0, 0, 0, 0});
        return true;
    });
    ASSERT_EQ(link->Open(), kLinkOpened);
    ASSERT_EQ(link->Command(61, 0, 1), kCommandAnswered);
    EXPECT_EQ(LoadBE32(link->LastReply().payload.data()), 0x01020304u);
    EXPECT_EQ(link->Counters().foreignReplies, 1u);
}

TEST_F(Links, UnansweredTransactionSpendsItsWholeBudgetAndLeavesNoStaleAnswer)
{
    ASSERT_EQ(link->Open(), kLinkOpened);
    ASSERT_EQ(link->Command(61, 0, 1), kCommandAnswered);
    ASSERT_NE(link->LastReply().payload, (std::array<std::uint8_t, 8>{}));
    peer->Change([](UnitModel& m) { m.silent = true; });
    const std::uint64_t before = link->Counters().transactionPolls;
    EXPECT_EQ(link->Command(61, 0, 1), kCommandNoAnswer);
    EXPECT_EQ(link->Counters().transactionPolls - before, VT_Ethernet::kDefaultPollBudget);
    EXPECT_EQ(link->LastReply().payload, (std::array<std::uint8_t, 8>{}));
    EXPECT_EQ(link->CommandWithBudget(3, 61, 0, 1), kCommandNoAnswer);
    EXPECT_EQ(link->Counters().transactionPolls - before, VT_Ethernet::kDefaultPollBudget + 3);
}

TEST_F(Links, TrickleOfForeignRepliesCannotHoldATransaction)
{
    ASSERT_EQ(link->Open(), kLinkOpened);
    // The unit never answers; instead a foreign reply comes every 2 ms, each ending a wait
    // early, until the transaction gives up (or ten seconds pass).
    std::atomic<bool> transactionOver{false};
    std::atomic<bool> trickleRanOut{false};
    std::atomic<bool> trickleEnded{false};
    peer->SetOverride([&](const Request& r, ScriptedUnit& u) {
        Request stale = r;
        stale.sequence = static_cast<std::uint16_t>(r.sequence - 1);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!transactionOver) {
            if (std::chrono::steady_clock::now() > end) {
                trickleRanOut = true;
                break;
            }
            u.Reply(stale, {9, 9, 9, 9, 9, 9, 9, 9});
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        trickleEnded = true;
        return true;
    });
    EXPECT_EQ(link->CommandWithBudget(20, 61, 0, 1), kCommandNoAnswer);
    transactionOver = true;
    while (!trickleEnded)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_FALSE(trickleRanOut) << "the transaction waited as long as foreign replies kept coming";
    EXPECT_GT(link->Counters().foreignReplies, 0u);
}

TEST_F(Links, PopReplyTakesTheOldestQueuedReply)
{
    ASSERT_EQ(link->Open(), kLinkOpened);
    EXPECT_EQ(link->PopReply(), 1);
    peer->SetOverride([](const Request& r, ScriptedUnit& u) {
        u.Reply(r, {5, 0, 0, 0, 0, 0, 0, 0});
        return true;
    });
    ASSERT_EQ(link->SendRequest(20, 0), 0);
    // The reply comes on the receive thread; a transaction then finds the queue empty.
    for (int i = 0; i < 2000 && link->PopReply() != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(link->LastReply().payload[0], 5);
    EXPECT_EQ(link->LastReply().sequence, link->RequestSequence());
}

TEST_F(Links, BrokenCaptureIsNoticedAndTheNextOpenStartsAgain)
{
    ASSERT_EQ(link->Open(), kLinkOpened);
    ASSERT_EQ(link->Command(wire::kDiscovery, 0), kCommandAnswered);
    hostEnd->Break();
    for (int i = 0; i < 5000 && !link->IsBroken(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(link->IsBroken());
    EXPECT_EQ(link->Counters().lastReceiveStatus, kReceiveFailed);
    EXPECT_NE(link->Command(wire::kDiscovery, 0), kCommandAnswered);
    ASSERT_EQ(link->Open(), kLinkOpened);
    EXPECT_FALSE(link->IsBroken());
    EXPECT_EQ(link->Command(wire::kDiscovery, 0), kCommandAnswered);
    EXPECT_GE(link->Counters().captureFailures, 1u);
}

TEST_F(Links, RingResetsWhileStreamingNeverExposeAPartOfAMessage)
{
    ASSERT_EQ(link->Open(), kLinkOpened);
    std::atomic<bool> streaming{true};
    std::thread unit([&] {
        int m = 0;
        while (streaming) {
            std::vector<std::int16_t> samples(1500, static_cast<std::int16_t>(m));
            peer->SendMessage(kHostMac, TraceRecordWords(1, static_cast<std::uint32_t>(m), samples));
            ++m;
            while (hostEnd->Pending() > 50 && streaming)
                std::this_thread::yield();
        }
    });
    int records = 0;
    std::vector<std::int16_t> samples(2048);
    // A loaded machine may not run the sender between the first rounds: go on resetting
    // until records came through, within a deadline that only catches a hang.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (int round = 0; round < 300 || (records == 0 && std::chrono::steady_clock::now() < deadline);
         ++round) {
        link->ResetDataRing();
        for (int k = 0; k < 20; ++k) {
            const int i = link->NextRecord();
            if (i == -1) {
                std::this_thread::yield();
                continue;
            }
            ASSERT_GE(i, 0) << "a record ran past the committed end";
            const RingRecord r = ReadRecordHeader(link->Ring(), static_cast<std::uint32_t>(i));
            ASSERT_TRUE(r.Is(RecordType::TraceRecord));
            ASSERT_EQ(TraceSampleCount(r), 1500u);
            CopyTraceSamples(link->Ring(), r, samples.data(), 2048);
            ASSERT_EQ(samples[0], samples[1499]);
            ASSERT_EQ(static_cast<std::uint32_t>(static_cast<std::uint16_t>(samples[0])),
                      RecordLong(link->Ring(), r) & 0xFFFF);
            ASSERT_EQ(link->ReleaseRecord(), 1);
            ++records;
        }
    }
    streaming = false;
    unit.join();
    EXPECT_GT(records, 0);
}

TEST_F(Links, LateAnswerIsPassedOverByTheNextTransaction)
{
    ASSERT_EQ(link->Open(), kLinkOpened);
    // The unit answers the first request only when the second comes, long after the
    // first transaction gave up.
    std::optional<Request> held;
    peer->SetOverride([&](const Request& r, ScriptedUnit& u) {
        if (!held) {
            held = r;
            return true;
        }
        u.Reply(*held, {0, 0, 0, static_cast<std::uint8_t>(held->sequence), 0, 0, 0, 0});
        u.Reply(r, {0, 0, 0, static_cast<std::uint8_t>(r.sequence), 0, 0, 0, 0});
        return true;
    });
    EXPECT_EQ(link->Command(61, 0, 1), kCommandNoAnswer);
    ASSERT_EQ(link->Command(61, 0, 1), kCommandAnswered);
    EXPECT_EQ(link->LastReply().payload[3], static_cast<std::uint8_t>(link->RequestSequence()));
    EXPECT_EQ(link->Counters().foreignReplies, 1u);
}

