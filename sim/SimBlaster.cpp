#include "sim/SimBlaster.h"

#include "sim/SimRecord.h"
#include "sim/SimWire.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::int64_t kBatchSteps = 4; // steps per sendmmsg at most

std::int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

CSimBlaster::CSimBlaster(CSimUnit& unit)
    : m_unit(unit)
{
}

CSimBlaster::~CSimBlaster() { Stop(); }

bool CSimBlaster::Start(const std::string& interfaceName, double stepsPerSecond, std::string& error)
{
    Stop();
    const unsigned index = ::if_nametoindex(interfaceName.c_str());
    if (index == 0) {
        error = "no interface " + interfaceName;
        return false;
    }
    // Protocol 0: the socket sends and never receives.
    m_fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        error = std::string("packet socket: ") + std::strerror(errno);
        return false;
    }
    sockaddr_ll address{};
    address.sll_family = AF_PACKET;
    address.sll_ifindex = static_cast<int>(index);
    const int one = 1;
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::setsockopt(m_fd, SOL_PACKET, PACKET_QDISC_BYPASS, &one, sizeof one) != 0) {
        error = "packet socket on " + interfaceName + ": " + std::strerror(errno);
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_rate = stepsPerSecond;
    m_run = true;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CSimBlaster::Stop()
{
    m_run = false;
    if (m_thread.joinable())
        m_thread.join();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

CSimBlaster::Totals CSimBlaster::Sent() const
{
    Totals t;
    t.steps = m_sentSteps;
    t.messages = m_sentMessages;
    t.frames = m_sentFrames;
    t.bytes = m_sentBytes;
    t.sendErrors = m_errors;
    t.seconds = double(m_lastNs.load() - m_startNs.load()) / 1e9;
    return t;
}

void CSimBlaster::Build(const CSimUnit::StreamLayout& layout)
{
    m_codes.clear();
    m_steps.clear();
    std::vector<std::vector<std::vector<std::uint8_t>>> messages;
    for (int s = 0; s < 8; ++s)
        for (int ch = 0; ch < 2; ++ch) {
            if (!(layout.activeMask[s] & (1 << ch)))
                continue;
            const auto code = static_cast<std::uint8_t>(s * 10 + ch);
            SimPattern pattern;
            const SimRecord record = SimRecord::Trace(code, 0, pattern.Trace(code, 1, int(layout.samples[s])));
            messages.push_back(
                SimWire::BuildDataMessage(layout.host, layout.own, 0, SerializeRecords({record}), layout.maxFrame));
            m_codes.push_back(code);
            m_steps.push_back(layout.step[s]);
        }
    m_fragments = 0;
    for (const auto& message : messages)
        m_fragments = std::max(m_fragments, message.size());
    m_frames.clear();
    for (std::int64_t b = 0; b < kBatchSteps; ++b)
        for (const auto& message : messages)
            for (std::size_t f = 0; f < m_fragments; ++f)
                m_frames.push_back(f < message.size() ? message[f] : std::vector<std::uint8_t>{});
}

std::uint16_t CSimBlaster::SendSteps(std::int64_t count, std::uint16_t firstSeq)
{
    const std::size_t channels = m_codes.size();
    std::vector<mmsghdr> headers;
    std::vector<iovec> pieces;
    headers.reserve(m_frames.size());
    pieces.reserve(m_frames.size());
    std::uint16_t seq = firstSeq;
    std::uint64_t bytes = 0;
    for (std::int64_t b = 0; b < count; ++b) {
        const std::int64_t step = m_stepsSent + 1 + b;
        for (std::size_t c = 0; c < channels; ++c) {
            const auto position = static_cast<std::uint32_t>(step * m_steps[c]);
            for (std::size_t f = 0; f < m_fragments; ++f) {
                const std::size_t slot = (static_cast<std::size_t>(b) * channels + c) * m_fragments + f;
                std::vector<std::uint8_t>& frame = m_frames[slot];
                if (frame.empty())
                    continue;
                SimWire::Put16(frame.data() + 14, seq);
                if (f == 0) // the record's position words follow its length and type words
                    SimWire::Put32(frame.data() + SimWire::kHeaderSize + 4, position);
                pieces.push_back({frame.data(), frame.size()});
                bytes += frame.size();
            }
            ++seq;
        }
    }
    for (iovec& piece : pieces) {
        mmsghdr h{};
        h.msg_hdr.msg_iov = &piece;
        h.msg_hdr.msg_iovlen = 1;
        headers.push_back(h);
    }
    std::size_t at = 0;
    while (at < headers.size()) {
        const int sent = ::sendmmsg(m_fd, headers.data() + at, static_cast<unsigned>(headers.size() - at), 0);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            ++m_errors; // the frame is lost; the receivers see the gap
            ++at;
            continue;
        }
        at += static_cast<std::size_t>(sent);
    }
    m_stepsSent += count;
    m_sentSteps = static_cast<std::uint64_t>(m_stepsSent);
    m_sentMessages += static_cast<std::uint64_t>(count) * channels;
    m_sentFrames += pieces.size();
    m_sentBytes += bytes;
    m_lastNs = NowNs();
    return static_cast<std::uint16_t>(seq - firstSeq);
}

void CSimBlaster::Run()
{
    while (m_run) {
        std::int64_t waitNs = 0;
        const bool streaming = m_unit.SendInUnitsPlace([&](const CSimUnit::StreamLayout& layout, std::uint16_t seq) {
            if (!m_streaming) {
                Build(layout);
                m_streaming = true;
                m_stepsSent = 0;
                m_sentSteps = m_sentMessages = m_sentFrames = m_sentBytes = m_errors = 0;
                m_startNs = NowNs();
                m_lastNs = m_startNs.load();
            }
            std::int64_t count = kBatchSteps;
            if (m_rate > 0) {
                const std::int64_t elapsed = NowNs() - m_startNs;
                const auto due = static_cast<std::int64_t>(double(elapsed) * 1e-9 * m_rate);
                count = std::min(due - m_stepsSent, kBatchSteps);
                if (count <= 0) {
                    waitNs = static_cast<std::int64_t>(double(m_stepsSent + 1) / m_rate * 1e9) - elapsed;
                    return std::uint16_t{0};
                }
            }
            return m_codes.empty() ? std::uint16_t{0} : SendSteps(count, seq);
        });
        if (!streaming) {
            m_streaming = false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } else if (waitNs > 0) {
            std::this_thread::sleep_for(std::chrono::nanoseconds(std::min<std::int64_t>(waitNs, 1'000'000)));
        } else {
            // Let the unit take its lock for a request (the stop) between batches.
            std::this_thread::yield();
        }
    }
}
