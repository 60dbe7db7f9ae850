// The raw-Ethernet link to the radar control unit: opens an adapter, sends the fixed
// 104-byte requests, and runs the receive thread that sorts the unit's frames into the
// reply queue, the event queue and the data ring. One request/reply transaction
// (Command) carries every unit command of CDriver.
//
// Threads: the receive thread writes; one caller (the user-interface thread) runs
// transactions, and one reader (the acquisition thread or the user-interface thread)
// takes records from the ring. Locks, never taken in another order: transaction, then
// send frame, then capture. The receive thread holds one lock at a time.
#pragma once

#include "link/Adapter.h"
#include "link/DataRing.h"
#include "link/FrameTransport.h"
#include "link/LinkCounters.h"
#include "link/MessageQueue.h"
#include "link/Reassembler.h"
#include "link/WireFormat.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class Prompter;

// Results of VT_Ethernet::Open.
enum LinkOpenResult : int {
    kLinkOpened = 0,
    kLinkNoAdapter = 2,
    kLinkCaptureFailed = 3,
};

// Results of VT_Ethernet::Command (and of every unit command).
enum CommandStatus : int {
    kCommandAnswered = 0,
    kCommandNoAnswer = 1,
    kCommandSendFailed = -102,
    kCommandLinkClosed = -103,
};

class VT_Ethernet {
public:
    static constexpr std::uint32_t kDefaultPollBudget = 20;  // 5 ms waits: 100 ms
    static constexpr int kPollMs = 5;

    // Without a transport the capture library is used, without a lister the system's
    // adapters.
    explicit VT_Ethernet(std::unique_ptr<FrameTransport> transport = nullptr,
                         std::unique_ptr<AdapterLister> lister = nullptr,
                         std::uint32_t ringWords = DataRing::kDefaultWords);
    virtual ~VT_Ethernet();
    VT_Ethernet(const VT_Ethernet&) = delete;
    VT_Ethernet& operator=(const VT_Ethernet&) = delete;

    // Where Open takes the adapter index from ("Iface_index", limited and written back)
    // and puts the adapter descriptions: the application's fields. A null pointer means
    // the link's own. Both must outlive the link.
    void BindAdapterChoice(std::int16_t* interfaceIndex, std::vector<std::string>* descriptions);
    void BindAdapterChoice(AdapterChoice* choice);
    // Who tells the operator that there is no adapter information; without one it goes
    // to the standard error stream.
    void SetPrompter(Prompter* prompter);

    // 0 opened or already open, 2 no adapter, 3 the capture could not be opened. A link
    // whose capture broke (adapter gone) is closed and opened anew.
    int Open();
    // Stops and joins the receive thread, then closes the capture.
    void Close();
    bool IsOpen() const { return m_open.load(); }
    // The capture failed since it was opened; the next Open starts it again.
    bool IsBroken() const { return m_broken.load(); }
    // Fills the adapter list: 0, or -1 when there is no adapter information.
    int LoadAdapterList();
    std::vector<Adapter> Adapters() const;
    // The capture library's words on the last failed open ("" after a good one).
    std::string LastOpenError() const;

    // 0 sent, -2 the send failed, -3 no capture open.
    int SendRequest(std::uint16_t code, std::uint16_t arg1, std::uint32_t arg2 = 0, std::uint32_t arg3 = 0,
                    std::uint32_t arg4 = 0, std::uint32_t arg5 = 0, std::uint32_t arg6 = 0);
    // One transaction with the default poll budget: a CommandStatus. On 0 LastReply holds
    // the answer; on any other result its payload is zero.
    int Command(std::uint16_t code, std::uint16_t arg1, std::uint32_t arg2 = 0, std::uint32_t arg3 = 0,
                std::uint32_t arg4 = 0, std::uint32_t arg5 = 0, std::uint32_t arg6 = 0);
    // The same with `pollBudget` waits of 5 ms for the reply.
    int CommandWithBudget(std::uint32_t pollBudget, std::uint16_t code, std::uint16_t arg1,
                          std::uint32_t arg2 = 0, std::uint32_t arg3 = 0, std::uint32_t arg4 = 0,
                          std::uint32_t arg5 = 0, std::uint32_t arg6 = 0);
    ReplyEntry LastReply() const;
    // 0 and the oldest queued reply becomes the last reply; 1 when none is queued.
    int PopReply();

    std::uint32_t PollBudget() const { return m_pollBudget.load(); }
    void SetPollBudget(std::uint32_t budget) { m_pollBudget.store(budget); }

    // The data ring.
    int NextRecord() { return m_ring.NextRecord(); }
    int ReleaseRecord() { return m_ring.ReleaseRecord(); }
    bool HasData() const { return m_ring.HasData(); }
    DataRing& Ring() { return m_ring; }
    const DataRing& Ring() const { return m_ring; }

    void ResetDataRing() { m_ring.Reset(); }
    void ResetReplyQueue() { m_replies.Reset(); }
    void ResetEventQueue() { m_events.Reset(); }
    void ResetQueues();

    // The request frame's state.
    std::uint16_t RequestSequence() const;
    MacAddress Destination() const;
    MacAddress Source() const;

    LinkCounters Counters() const;
    bool ReceiveThreadRunning() const { return m_running.load(); }

private:
    int SendRequestNumbered(std::uint16_t code, std::uint16_t arg1, const std::uint32_t (&args)[5],
                            std::uint16_t& sequence);
    void LearnUnitAddress(const MacAddress& unit);
    void ReceiveThreadProc();
    void StopReceiveThread();
    void PauseAfterFailure();
    // An open failure to tell the operator of, gathered under the life lock and shown after
    // it is released; state 0 when there is nothing to tell.
    struct OpenReport {
        int state = 0;
        std::string text;
    };
    int OpenUnderLifeLock(OpenReport& report);
    void NoteOpenFailure(int state, std::string text, OpenReport& report);
    void ShowOpenFailure(const OpenReport& report);
    void ClearLastReplyPayload();

    std::unique_ptr<FrameTransport> m_transport;
    std::unique_ptr<AdapterLister> m_lister;
    std::atomic<std::uint32_t> m_pollBudget{kDefaultPollBudget};

    DataRing m_ring;
    ReplyQueue m_replies;
    EventQueue m_events;
    Reassembler m_reassembler;

    std::mutex m_lifeLock;          // Open and Close one at a time; never held while a message shows
    mutable std::mutex m_sendFrameLock;  // the request frame and the request sequence
    mutable std::mutex m_transactionLock;  // one transaction at a time; the last reply
    mutable std::mutex m_captureLock;    // the transport's capture

    std::array<std::uint8_t, wire::kRequestBytes> m_frame{};
    std::uint16_t m_sequence = 1;
    ReplyEntry m_lastReply;

    std::thread m_receiveThread;
    std::atomic<bool> m_run{false};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_broken{false};
    std::mutex m_pauseLock;
    std::condition_variable m_pauseWake;

    AdapterChoice m_ownChoice;
    std::int16_t* m_interfaceIndex = &m_ownChoice.interfaceIndex;
    std::vector<std::string>* m_descriptions = &m_ownChoice.descriptions;
    Prompter* m_prompter = nullptr;
    mutable std::mutex m_adapterLock;
    std::vector<Adapter> m_adapters;
    std::string m_lastOpenError;
    int m_reportedState = 0;  // the open failure last reported, so each is reported once (life lock)

    std::atomic<int> m_receiveStatus{kReceiveOk};
    OwnedCounter m_captureFailures;
    OwnedCounter m_foreignReplies;
    OwnedCounter m_polls;
    CaptureStats m_lastStats;
};
