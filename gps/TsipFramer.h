// Cuts the byte stream of a TSIP receiver into packets: DLE, id, data with every 0x10
// doubled, DLE, ETX. The framer keeps its place between reads, so a packet split over two
// reads is whole again, and it joins a stream mid-packet without taking the middle of a
// packet for a start. A stream that begins at a packet boundary loses nothing: its first
// packet is taken when it proves the boundary (DLE, a report this program reads, and its
// DLE ETX exactly at that report's length).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// A 4-byte IEEE single float sent most significant byte first.
float ReadTsipFloat(const std::uint8_t* bytes);

// Whether a report with this id is one the receiver reads (position 0x4A, dilutions 0x6D,
// satellite data 0x5A), and its exact data length; the dilution report's length follows
// from its first byte (17 plus the satellites counted in its high nibble), so `first` is
// that byte. 0 for every other id.
std::size_t TsipReportLength(std::uint8_t id, std::uint8_t first);
inline bool IsKnownTsipReport(std::uint8_t id) { return TsipReportLength(id, 0) != 0; }

class CTsipFramer {
public:
    static constexpr std::uint8_t kDle = 0x10;
    static constexpr std::uint8_t kEtx = 0x03;
    // Longer packets than this (data bytes after unstuffing) are dropped whole.
    static constexpr std::size_t kMaxData = 256;

    // Calls onPacket(std::uint8_t id, const std::uint8_t* data, std::size_t size) for every
    // packet completed by these bytes.
    template <typename OnPacket>
    void Feed(const std::uint8_t* bytes, std::size_t count, OnPacket&& onPacket)
    {
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t b = bytes[i];
            switch (m_state) {
            case State::Probe: // the first byte: a packet may start right here
                if (b == kDle)
                    m_state = State::ProbeId;
                else
                    m_state = State::Sync;
                break;
            case State::ProbeId:
                if (IsKnownTsipReport(b)) {
                    m_probing = true;
                    Begin(b);
                } else {
                    // DLE ETX was the end of a packet; anything else leaves the place unknown.
                    m_state = b == kEtx ? State::Hunt : State::Sync;
                }
                break;
            case State::Sync: // wait for the end of whatever packet the stream started in
                if (b == kDle)
                    m_dleRun ^= 1u;
                else {
                    if (b == kEtx && m_dleRun)
                        m_state = State::Hunt;
                    m_dleRun = 0;
                }
                break;
            case State::Hunt:
                if (b == kDle)
                    m_state = State::Start;
                break;
            case State::Start:
                if (b == kDle || b == kEtx)
                    m_state = State::Hunt; // a doubled data byte or a packet end: not a start
                else
                    Begin(b);
                break;
            case State::Data:
                if (b == kDle)
                    m_state = State::DataDle;
                else
                    Append(b);
                break;
            case State::DataDle:
                if (b == kDle) {
                    m_state = State::Data;
                    Append(kDle);
                } else if (b == kEtx) {
                    m_state = State::Hunt;
                    // From here on the framer knows its place; a first packet counts only
                    // when it proved where it began.
                    const bool proven = !m_probing || (m_size > 0 && m_size == TsipReportLength(m_id, m_data[0]));
                    m_probing = false;
                    if (proven)
                        onPacket(m_id, static_cast<const std::uint8_t*>(m_data.data()), m_size);
                } else {
                    Begin(b); // a lone DLE: the packet was cut off and a new one starts
                }
                break;
            }
        }
    }

    // Forget everything, as after opening the port: the next packet is taken when it proves
    // its start, or else after the end of the current one.
    void Reset()
    {
        m_state = State::Probe;
        m_probing = false;
        m_dleRun = 0;
        m_size = 0;
    }

private:
    enum class State { Probe, ProbeId, Sync, Hunt, Start, Data, DataDle };

    void Begin(std::uint8_t id)
    {
        m_id = id;
        m_size = 0;
        m_state = State::Data;
    }

    void Append(std::uint8_t b)
    {
        if (m_size == kMaxData) {
            // Over-long: drop it and wait for its end.
            m_state = State::Sync;
            m_probing = false;
            m_dleRun = 0;
            m_size = 0;
            return;
        }
        m_data[m_size++] = b;
    }

    State m_state = State::Probe;
    bool m_probing = false; // the packet being read began at the very start of the stream
    unsigned m_dleRun = 0; // parity of the run of DLE bytes just seen while syncing
    std::uint8_t m_id = 0;
    std::array<std::uint8_t, kMaxData> m_data{};
    std::size_t m_size = 0;
};

// What the receiver takes from a packet.
struct TsipPacketEffect {
    bool recognised = false;
    bool hasPosition = false; // 0x4A: single-precision position
    float latitude = 0.0f;    // degrees, south negative
    float longitude = 0.0f;   // degrees, west negative
    float altitude = 0.0f;
    float timeOfFix = 0.0f;   // seconds
    bool hasHdop = false;     // 0x6D: fix mode and dilutions
    float hdop = 0.0f;
};

// Reads a complete packet. A position report must have its full 20 data bytes with finite
// angles inside their ranges, a dilution report at least 17 bytes and a finite HDOP;
// anything shorter or stranger is not recognised.
TsipPacketEffect DecodeTsipPacket(std::uint8_t id, const std::uint8_t* data, std::size_t size);
