#include "UnitFrames.h"

#include "link/ByteOrder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

Bytes UnitFrame(const MacAddress& dst, std::uint16_t messageSeq, std::uint8_t type, std::uint8_t code,
                std::uint16_t word1, const Bytes& body, std::uint16_t fragment, bool last)
{
    const std::size_t natural = 20 + body.size() + 4;
    // Only a last fragment may carry padding, so only it is brought up to 60 bytes.
    const std::size_t len = last ? std::max<std::size_t>(natural, 60) : natural;
    Bytes f(len, 0);
    std::memcpy(f.data(), dst.data(), 6);
    std::memcpy(f.data() + 6, kUnitMac.data(), 6);
    StoreBE16(f.data() + 12, wire::kEtherType);
    StoreBE16(f.data() + 14, messageSeq);
    f[16] = type;
    f[17] = code;
    StoreBE16(f.data() + 18, word1);
    std::copy(body.begin(), body.end(), f.begin() + 20);
    f[len - 4] = static_cast<std::uint8_t>(len - natural);
    f[len - 3] = last ? 1 : 0;
    StoreBE16(f.data() + len - 2, fragment);
    return f;
}

Bytes ReplyFrame(const MacAddress& dst, std::uint16_t messageSeq, std::uint16_t requestSeq,
                 const Bytes& payload8, std::uint8_t code)
{
    Bytes body(8, 0);
    std::copy_n(payload8.begin(), std::min<std::size_t>(8, payload8.size()), body.begin());
    return UnitFrame(dst, messageSeq, wire::kTypeReply, code, requestSeq, body, 1, true);
}

Bytes EventFrame(const MacAddress& dst, std::uint16_t messageSeq, std::uint8_t code, std::uint16_t w1,
                 std::uint16_t w2, std::uint16_t w3)
{
    Bytes body(4);
    StoreBE16(body.data(), w2);
    StoreBE16(body.data() + 2, w3);
    return UnitFrame(dst, messageSeq, wire::kTypeEvent, code, w1, body, 1, true);
}

Bytes DataFragment(const MacAddress& dst, std::uint16_t messageSeq, std::uint16_t fragment, bool last,
                   const std::vector<std::uint16_t>& words)
{
    Bytes body(words.size() * 2);
    for (std::size_t i = 0; i < words.size(); ++i)
        StoreBE16(body.data() + 2 * i, words[i]);
    return UnitFrame(dst, messageSeq, wire::kTypeData, 0, 0, body, fragment, last);
}

std::vector<std::uint16_t> TraceRecordWords(int channelCode, std::uint32_t position,
                                            const std::vector<std::int16_t>& samples)
{
    std::vector<std::uint16_t> w;
    w.push_back(static_cast<std::uint16_t>(6 + 2 * samples.size()));
    w.push_back(static_cast<std::uint16_t>(('f' << 8) | channelCode));
    w.push_back(static_cast<std::uint16_t>(position >> 16));
    w.push_back(static_cast<std::uint16_t>(position));
    for (std::int16_t s : samples)
        w.push_back(static_cast<std::uint16_t>(s));
    return w;
}

std::vector<std::uint16_t> ShortRecordWords(char type, int channelCode, const std::vector<std::uint16_t>& payload)
{
    std::vector<std::uint16_t> w;
    w.push_back(static_cast<std::uint16_t>(2 + 2 * payload.size()));
    w.push_back(static_cast<std::uint16_t>((static_cast<std::uint8_t>(type) << 8) | channelCode));
    w.insert(w.end(), payload.begin(), payload.end());
    return w;
}

std::vector<Bytes> DataMessage(const MacAddress& dst, std::uint16_t messageSeq,
                               const std::vector<std::uint16_t>& words, std::size_t wordsPerFragment)
{
    std::vector<Bytes> frames;
    std::size_t at = 0;
    std::uint16_t fragment = 1;
    do {
        const std::size_t n = std::min(wordsPerFragment, words.size() - at);
        std::vector<std::uint16_t> part(words.begin() + at, words.begin() + at + n);
        at += n;
        frames.push_back(DataFragment(dst, messageSeq, fragment++, at == words.size(), part));
    } while (at < words.size());
    return frames;
}

Request ParseRequest(const std::uint8_t* f, std::size_t len)
{
    Request r;
    r.length = len;
    r.raw.assign(f, f + len);
    if (len < 40)
        return r;
    std::memcpy(r.dst.data(), f, 6);
    std::memcpy(r.src.data(), f + 6, 6);
    r.etherType = LoadBE16(f + 12);
    r.sequence = LoadBE16(f + 14);
    r.code = LoadBE16(f + 16);
    r.arg1 = LoadBE16(f + 18);
    for (int i = 0; i < 5; ++i)
        r.args[i] = LoadBE32(f + 20 + 4 * i);
    return r;
}

std::string Hex(const Bytes& bytes)
{
    std::string s;
    char b[4];
    for (std::uint8_t c : bytes) {
        std::snprintf(b, sizeof b, "%02x", c);
        s += b;
    }
    return s;
}
