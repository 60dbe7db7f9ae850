#include "sim/SimWire.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace SimWire {
namespace {

// Offsets inside a request frame.
constexpr size_t kReqSeq = 14, kReqCode = 16, kReqArg1 = 18, kReqArg2 = 20;
constexpr size_t kReqZeroFrom = 40, kReqZeroTo = 100, kReqTail = 100;

void PutHeader(uint8_t* f, const SimMac& dst, const SimMac& src, uint16_t msgSeq, uint8_t type, uint8_t code)
{
    std::memcpy(f, dst.data(), 6);
    std::memcpy(f + 6, src.data(), 6);
    Put16(f + 12, kEtherType);
    Put16(f + 14, msgSeq);
    f[16] = type;
    f[17] = code;
}

void PutTail(std::vector<uint8_t>& f, uint8_t pad, bool last, uint16_t fragment)
{
    const size_t t = f.size() - kTailSize;
    f[t] = pad;
    f[t + 1] = last ? 1 : 0;
    Put16(&f[t + 2], fragment);
}

}  // namespace

bool IsProtocolFrame(const uint8_t* frame, size_t length)
{
    return length >= 14 && Get16(frame + 12) == kEtherType;
}

bool DecodeRequest(const uint8_t* frame, size_t length, SimRequest& out)
{
    out = SimRequest{};
    out.length = length;
    if (length < 14) {
        out.violations.push_back("shorter than an Ethernet header");
        return false;
    }
    std::memcpy(out.dst.data(), frame, 6);
    std::memcpy(out.src.data(), frame + 6, 6);
    out.broadcast = out.dst == kBroadcast;
    if (length != kRequestSize)
        out.violations.push_back("length " + std::to_string(length) + " instead of 104");
    if (length < kReqZeroFrom)
        return false;
    out.seq = Get16(frame + kReqSeq);
    out.code = Get16(frame + kReqCode);
    out.address = Get16(frame + kReqArg1);
    for (size_t i = 0; i < out.args.size(); ++i)
        out.args[i] = Get32(frame + kReqArg2 + 4 * i);
    const size_t zeroEnd = std::min(length, kReqZeroTo);
    for (size_t i = kReqZeroFrom; i < zeroEnd; ++i) {
        if (frame[i] != 0) {
            out.violations.push_back("non-zero byte at " + std::to_string(i));
            break;
        }
    }
    if (length >= kRequestSize) {
        const uint8_t* t = frame + kReqTail;
        if (t[0] != 0 || t[1] != 1 || t[2] != 0 || t[3] != 1)
            out.violations.push_back("tail is not 00 01 00 01");
    }
    if (out.code == 0xFFFF && !out.broadcast)
        out.violations.push_back("discovery not broadcast");
    return true;
}

std::vector<uint8_t> BuildReply(const SimMac& dst, const SimMac& src, uint16_t msgSeq, uint8_t code,
                                uint16_t requestSeq, const std::array<uint8_t, 8>& payload)
{
    std::vector<uint8_t> f(kMinFrame, 0);
    PutHeader(f.data(), dst, src, msgSeq, kTypeReply, code);
    Put16(&f[18], requestSeq);
    std::memcpy(&f[20], payload.data(), payload.size());
    PutTail(f, 0, true, 1);
    return f;
}

std::vector<uint8_t> BuildEvent(const SimMac& dst, const SimMac& src, uint16_t msgSeq, uint8_t code,
                                uint16_t w1, uint16_t w2, uint16_t w3)
{
    std::vector<uint8_t> f(kMinFrame, 0);
    PutHeader(f.data(), dst, src, msgSeq, kTypeEvent, code);
    Put16(&f[18], w1);
    Put16(&f[20], w2);
    Put16(&f[22], w3);
    PutTail(f, 0, true, 1);
    return f;
}

std::vector<uint8_t> BuildDataFragment(const SimMac& dst, const SimMac& src, uint16_t msgSeq,
                                       const uint8_t* data, size_t n, bool last, uint16_t fragment)
{
    n = std::min(n, kJumboMaxFrame);   // no fragment is longer than the largest frame
    const size_t bare = kHeaderSize + n + kTailSize;
    const size_t pad = (last && bare < kMinFrame) ? kMinFrame - bare : 0;
    std::vector<uint8_t> f(bare + pad, 0);
    PutHeader(f.data(), dst, src, msgSeq, kTypeData, 0);
    if (n)
        std::memcpy(&f[kHeaderSize], data, n);
    PutTail(f, uint8_t(pad), last, fragment);
    return f;
}

size_t ChunkSize(size_t maxFrame)
{
    if (maxFrame < kMinFrame)
        maxFrame = kMinFrame;
    return (maxFrame - kHeaderSize - kTailSize) & ~size_t(1);
}

std::vector<std::vector<uint8_t>> BuildDataMessage(const SimMac& dst, const SimMac& src, uint16_t msgSeq,
                                                   const std::vector<uint8_t>& data, size_t maxFrame)
{
    const size_t chunk = ChunkSize(maxFrame);
    std::vector<std::vector<uint8_t>> frames;
    size_t at = 0;
    uint16_t fragment = 1;
    do {
        const size_t n = std::min(chunk, data.size() - at);
        const bool last = at + n >= data.size();
        frames.push_back(BuildDataFragment(dst, src, msgSeq, data.data() + at, n, last, fragment));
        at += n;
        ++fragment;
    } while (at < data.size());
    return frames;
}

std::string MacText(const SimMac& mac)
{
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return text;
}

bool ParseMac(const std::string& text, SimMac& out)
{
    unsigned v[6];
    char tail;
    if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &tail) != 6)
        return false;
    for (int i = 0; i < 6; ++i)
        out[i] = uint8_t(v[i]);
    return true;
}

}  // namespace SimWire
