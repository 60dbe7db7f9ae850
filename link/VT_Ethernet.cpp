#include "link/VT_Ethernet.h"

#include "link/ByteOrder.h"
#include "link/PcapTransport.h"
#include "link/SystemAdapterLister.h"
#include "model/Prompter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kNoAdapterInformation[] = "No adapter information exists for the local computer";
constexpr int kPauseAfterFailureMs = 500;
constexpr int kReceiveWaitMs = 2;
// Frames taken in one pass before the thread looks at its run flag again.
constexpr int kFramesPerPass = 256;

enum ReportedState { kReportedNothing = 0, kReportedNoAdapter = 1, kReportedCaptureFailed = 2 };

}  // namespace

VT_Ethernet::VT_Ethernet(std::unique_ptr<FrameTransport> transport, std::unique_ptr<AdapterLister> lister,
                         std::uint32_t ringWords)
    : m_transport(transport ? std::move(transport) : std::make_unique<PcapTransport>()),
      m_lister(lister ? std::move(lister) : std::make_unique<SystemAdapterLister>()),
      m_ring(ringWords),
      m_reassembler(m_ring, m_replies, m_events)
{
    std::memcpy(m_frame.data() + wire::kOffDestination, kBroadcastMac.data(), 6);
    StoreBE16(m_frame.data() + wire::kOffEtherType, wire::kEtherType);
    m_frame[100] = 0;  // pad count
    m_frame[101] = 1;  // last fragment
    StoreBE16(m_frame.data() + 102, 1);  // fragment number
    m_reassembler.SetUnitAddressListener([this](const MacAddress& unit) { LearnUnitAddress(unit); });
}

VT_Ethernet::~VT_Ethernet()
{
    Close();
}

void VT_Ethernet::BindAdapterChoice(std::int16_t* interfaceIndex, std::vector<std::string>* descriptions)
{
    m_interfaceIndex = interfaceIndex ? interfaceIndex : &m_ownChoice.interfaceIndex;
    m_descriptions = descriptions ? descriptions : &m_ownChoice.descriptions;
}

void VT_Ethernet::BindAdapterChoice(AdapterChoice* choice)
{
    BindAdapterChoice(choice ? &choice->interfaceIndex : nullptr, choice ? &choice->descriptions : nullptr);
}

void VT_Ethernet::SetPrompter(Prompter* prompter)
{
    m_prompter = prompter;
}

int VT_Ethernet::LoadAdapterList()
{
    std::vector<Adapter> adapters;
    std::string error;
    const int r = m_lister->List(adapters, error);
    std::lock_guard<std::mutex> hold(m_adapterLock);
    m_adapters = r == 0 ? std::move(adapters) : std::vector<Adapter>{};
    if (r != 0)
        m_lastOpenError = error;
    return r == 0 ? 0 : -1;
}

std::vector<Adapter> VT_Ethernet::Adapters() const
{
    std::lock_guard<std::mutex> hold(m_adapterLock);
    return m_adapters;
}

std::string VT_Ethernet::LastOpenError() const
{
    std::lock_guard<std::mutex> hold(m_adapterLock);
    return m_lastOpenError;
}

void VT_Ethernet::NoteOpenFailure(int state, std::string text, OpenReport& report)
{
    // Detection tries to open every two seconds; the operator hears of a failure once,
    // and again only after the link has opened or failed differently in between.
    if (m_reportedState == state)
        return;
    m_reportedState = state;
    report = {state, std::move(text)};
}

void VT_Ethernet::ShowOpenFailure(const OpenReport& report)
{
    if (report.state == kReportedNothing)
        return;
    if (report.state == kReportedNoAdapter && m_prompter)
        m_prompter->messageText(report.text);
    else
        std::fputs(report.text.c_str(), stderr);
}

int VT_Ethernet::Open()
{
    // The message is shown after the life lock is released: whatever runs while it shows
    // (a timer asking for the unit) may open or close the link itself.
    OpenReport report;
    int result;
    {
        std::lock_guard<std::mutex> life(m_lifeLock);
        result = OpenUnderLifeLock(report);
    }
    ShowOpenFailure(report);
    return result;
}

int VT_Ethernet::OpenUnderLifeLock(OpenReport& report)
{
    if (m_open.load()) {
        if (!m_broken.load())
            return kLinkOpened;
        // The adapter went away under the capture: start over on whatever is there now.
        StopReceiveThread();
        std::lock_guard<std::mutex> capture(m_captureLock);
        m_transport->Close();
        m_open.store(false);
    }

    if (LoadAdapterList() != 0) {
        NoteOpenFailure(kReportedNoAdapter, kNoAdapterInformation, report);
        m_descriptions->clear();
        return kLinkNoAdapter;
    }
    const std::vector<Adapter> adapters = Adapters();
    m_descriptions->clear();
    for (const Adapter& a : adapters)
        m_descriptions->push_back(a.description);
    if (adapters.empty()) {
        NoteOpenFailure(kReportedNoAdapter, kNoAdapterInformation, report);
        return kLinkNoAdapter;
    }
    const int count = static_cast<int>(adapters.size());
    if (*m_interfaceIndex > count - 1)
        *m_interfaceIndex = static_cast<std::int16_t>(count - 1);
    const Adapter& adapter = adapters[std::max<int>(*m_interfaceIndex, 0)];
    {
        std::lock_guard<std::mutex> frame(m_sendFrameLock);
        std::memcpy(m_frame.data() + wire::kOffSource, adapter.mac.data(), 6);
    }

    std::string error;
    int result;
    {
        std::lock_guard<std::mutex> capture(m_captureLock);
        result = m_transport->Open(adapter.name, error);
        m_lastStats = {};
    }
    if (result != kTransportOpened) {
        {
            std::lock_guard<std::mutex> hold(m_adapterLock);
            m_lastOpenError = error;
        }
        NoteOpenFailure(kReportedCaptureFailed,
                        "\nUnable to open the adapter. " + adapter.name + " is not supported by WinPcap\n" +
                            "libpcap: " + error + "\n",
                        report);
        return kLinkCaptureFailed;
    }
    {
        std::lock_guard<std::mutex> hold(m_adapterLock);
        m_lastOpenError.clear();
    }
    m_reportedState = kReportedNothing;

    ResetDataRing();
    ResetReplyQueue();
    ResetEventQueue();
    m_broken.store(false);
    m_receiveStatus.store(kReceiveOk);
    m_reassembler.Start(adapter.mac);
    m_run.store(true);
    m_open.store(true);
    m_running.store(true);
    // The capture is active before the thread starts, so nothing the unit sends from now
    // on is missed however late the thread gets going.
    m_receiveThread = std::thread([this] { ReceiveThreadProc(); });
    return kLinkOpened;
}

void VT_Ethernet::Close()
{
    std::lock_guard<std::mutex> life(m_lifeLock);
    StopReceiveThread();
    std::lock_guard<std::mutex> capture(m_captureLock);
    if (m_transport->IsOpen())
        m_lastStats = m_transport->Stats();
    m_transport->Close();
    m_open.store(false);
    m_broken.store(false);
}

void VT_Ethernet::StopReceiveThread()
{
    {
        std::lock_guard<std::mutex> hold(m_pauseLock);
        m_run.store(false);
    }
    m_pauseWake.notify_all();
    m_transport->Wake();
    if (m_receiveThread.joinable())
        m_receiveThread.join();
}

void VT_Ethernet::PauseAfterFailure()
{
    std::unique_lock<std::mutex> hold(m_pauseLock);
    m_pauseWake.wait_for(hold, std::chrono::milliseconds(kPauseAfterFailureMs), [this] { return !m_run.load(); });
}

void VT_Ethernet::ReceiveThreadProc()
{
    while (m_run.load(std::memory_order_relaxed)) {
        int r = m_transport->Wait(kReceiveWaitMs);
        if (r == 0) {
            m_receiveStatus.store(kReceiveTimeout, std::memory_order_relaxed);
            continue;
        }
        for (int i = 0; r > 0 && i < kFramesPerPass; ++i) {
            FrameView frame;
            {
                std::lock_guard<std::mutex> capture(m_captureLock);
                r = m_transport->Next(frame);
            }
            if (r > 0) {
                // The frame stays valid until the next read, which only this thread makes.
                m_reassembler.Take(frame.data, frame.caplen, frame.len);
                m_receiveStatus.store(kReceiveOk, std::memory_order_relaxed);
            }
        }
        if (r < 0) {
            m_receiveStatus.store(kReceiveFailed, std::memory_order_relaxed);
            m_captureFailures.Add();
            m_broken.store(true);
            PauseAfterFailure();
        }
    }
    m_running.store(false);
}

void VT_Ethernet::LearnUnitAddress(const MacAddress& unit)
{
    std::lock_guard<std::mutex> frame(m_sendFrameLock);
    std::memcpy(m_frame.data() + wire::kOffDestination, unit.data(), 6);
}

int VT_Ethernet::SendRequestNumbered(std::uint16_t code, std::uint16_t arg1, const std::uint32_t (&args)[5],
                                     std::uint16_t& sequence)
{
    if (!m_open.load())
        return -3;
    int sent;
    {
        std::lock_guard<std::mutex> frame(m_sendFrameLock);
        sequence = ++m_sequence;
        std::uint8_t* f = m_frame.data();
        if (code == wire::kDiscovery)
            std::memcpy(f + wire::kOffDestination, kBroadcastMac.data(), 6);
        StoreBE16(f + 14, sequence);
        StoreBE16(f + 16, code);
        StoreBE16(f + 18, arg1);
        for (int i = 0; i < 5; ++i)
            StoreBE32(f + 20 + 4 * i, args[i]);
        std::lock_guard<std::mutex> capture(m_captureLock);
        sent = m_transport->IsOpen() ? m_transport->Send(f, m_frame.size()) : -1;
    }
    // The unit takes requests at its own pace.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return sent == 0 ? 0 : -2;
}

int VT_Ethernet::SendRequest(std::uint16_t code, std::uint16_t arg1, std::uint32_t arg2, std::uint32_t arg3,
                             std::uint32_t arg4, std::uint32_t arg5, std::uint32_t arg6)
{
    std::uint16_t sequence;
    return SendRequestNumbered(code, arg1, {arg2, arg3, arg4, arg5, arg6}, sequence);
}

int VT_Ethernet::Command(std::uint16_t code, std::uint16_t arg1, std::uint32_t arg2, std::uint32_t arg3,
                         std::uint32_t arg4, std::uint32_t arg5, std::uint32_t arg6)
{
    return CommandWithBudget(m_pollBudget.load(), code, arg1, arg2, arg3, arg4, arg5, arg6);
}

void VT_Ethernet::ClearLastReplyPayload()
{
    m_lastReply.payload = {};
}

int VT_Ethernet::CommandWithBudget(std::uint32_t pollBudget, std::uint16_t code, std::uint16_t arg1,
                                   std::uint32_t arg2, std::uint32_t arg3, std::uint32_t arg4, std::uint32_t arg5,
                                   std::uint32_t arg6)
{
    std::lock_guard<std::mutex> transaction(m_transactionLock);
    std::uint16_t sequence = 0;
    const int sent = SendRequestNumbered(code, arg1, {arg2, arg3, arg4, arg5, arg6}, sequence);
    if (sent != 0) {
        ClearLastReplyPayload();
        return sent - 100;
    }
    // Replies left over from earlier transactions carry other sequences and are passed
    // over; each wait lasts its full 5 ms unless a reply comes. Every wait counts toward the
    // budget, also one that a foreign reply ended, so a steady trickle of foreign replies
    // cannot hold the transaction for ever.
    std::uint32_t waits = 0;
    for (;;) {
        ReplyEntry reply;
        bool got = m_replies.Pop(reply);
        if (!got) {
            if (waits >= pollBudget)
                break;
            ++waits;
            got = m_replies.PopUntil(reply, std::chrono::steady_clock::now() + std::chrono::milliseconds(kPollMs));
            if (!got) {
                m_polls.Add();
                continue;
            }
        }
        if (reply.sequence == sequence) {
            m_lastReply = reply;
            return kCommandAnswered;
        }
        m_foreignReplies.Add();
    }
    ClearLastReplyPayload();
    return kCommandNoAnswer;
}

ReplyEntry VT_Ethernet::LastReply() const
{
    std::lock_guard<std::mutex> transaction(m_transactionLock);
    return m_lastReply;
}

int VT_Ethernet::PopReply()
{
    std::lock_guard<std::mutex> transaction(m_transactionLock);
    ReplyEntry reply;
    if (!m_replies.Pop(reply))
        return 1;
    m_lastReply = reply;
    return 0;
}

void VT_Ethernet::ResetQueues()
{
    ResetDataRing();
    ResetReplyQueue();
    ResetEventQueue();
}

std::uint16_t VT_Ethernet::RequestSequence() const
{
    std::lock_guard<std::mutex> frame(m_sendFrameLock);
    return m_sequence;
}

MacAddress VT_Ethernet::Destination() const
{
    std::lock_guard<std::mutex> frame(m_sendFrameLock);
    MacAddress mac;
    std::memcpy(mac.data(), m_frame.data() + wire::kOffDestination, 6);
    return mac;
}

MacAddress VT_Ethernet::Source() const
{
    std::lock_guard<std::mutex> frame(m_sendFrameLock);
    MacAddress mac;
    std::memcpy(mac.data(), m_frame.data() + wire::kOffSource, 6);
    return mac;
}

LinkCounters VT_Ethernet::Counters() const
{
    LinkCounters c;
    m_reassembler.AddCountersTo(c);
    c.ringOverflows = m_ring.OverflowCount();
    c.badRecordMessages = m_ring.BadRecordMessages();
    c.messagesCommitted = m_ring.CommittedMessages();
    c.replyOverflows = m_replies.OverflowCount();
    c.eventOverflows = m_events.OverflowCount();
    c.foreignReplies = m_foreignReplies.Get();
    c.transactionPolls = m_polls.Get();
    c.captureFailures = m_captureFailures.Get();
    c.lastReceiveStatus = m_receiveStatus.load(std::memory_order_relaxed);
    {
        std::lock_guard<std::mutex> capture(m_captureLock);
        const CaptureStats stats = m_transport->IsOpen() ? m_transport->Stats() : m_lastStats;
        c.captureReceived = stats.received;
        c.captureDropped = stats.dropped;
        c.captureIfDropped = stats.ifDropped;
    }
    return c;
}
