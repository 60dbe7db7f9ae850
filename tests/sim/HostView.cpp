#include "HostView.h"

#include <cstring>

namespace {
uint16_t Be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
}

HostFrame ParseHostFrame(const std::vector<uint8_t>& f)
{
    HostFrame h;
    h.length = f.size();
    if (f.size() < 24)
        return h;
    std::memcpy(h.dst.data(), &f[0], 6);
    std::memcpy(h.src.data(), &f[6], 6);
    h.etherType = Be16(&f[12]);
    h.msgSeq = Be16(&f[14]);
    h.type = f[16];
    h.code = f[17];
    h.word18 = Be16(&f[18]);
    for (size_t i = 0; i < 8 && 20 + i < f.size(); ++i)
        h.payload[i] = f[20 + i];
    h.pad = f[f.size() - 4];
    h.last = f[f.size() - 3];
    h.frag = Be16(&f[f.size() - 2]);
    return h;
}

bool ParseHostRecords(const std::vector<uint16_t>& words, std::vector<HostRecord>& out)
{
    out.clear();
    size_t at = 0;
    while (at < words.size()) {
        HostRecord r;
        r.length = words[at];
        const size_t count = r.length / 2 + 1;
        if (at + count > words.size())
            return false;
        if (count >= 2) {
            r.type = uint8_t(words[at + 1] >> 8);
            r.code = uint8_t(words[at + 1]);
            r.payload.assign(words.begin() + long(at + 2), words.begin() + long(at + count));
        }
        out.push_back(r);
        at += count;
    }
    return true;
}

std::vector<uint8_t> MakeRequest(const SimMac& dst, const SimMac& src, uint16_t seq, uint16_t code,
                                 uint16_t arg1, uint32_t a2, uint32_t a3, uint32_t a4, uint32_t a5, uint32_t a6)
{
    std::vector<uint8_t> f(104, 0);
    std::memcpy(&f[0], dst.data(), 6);
    std::memcpy(&f[6], src.data(), 6);
    f[12] = 0x55;
    f[13] = 0x55;
    f[14] = uint8_t(seq >> 8);
    f[15] = uint8_t(seq);
    f[16] = uint8_t(code >> 8);
    f[17] = uint8_t(code);
    f[18] = uint8_t(arg1 >> 8);
    f[19] = uint8_t(arg1);
    const uint32_t args[5] = {a2, a3, a4, a5, a6};
    for (int i = 0; i < 5; ++i)
        for (int b = 0; b < 4; ++b)
            f[size_t(20 + 4 * i + b)] = uint8_t(args[i] >> (24 - 8 * b));
    f[100] = 0;
    f[101] = 1;
    f[102] = 0;
    f[103] = 1;
    return f;
}

void HostReassembler::Commit()
{
    if (!m_current.empty())
        messages.push_back(m_current);
    m_current.clear();
}

void HostReassembler::Feed(const std::vector<uint8_t>& frame)
{
    if (frame.size() < 24) {
        ++ignored;
        return;
    }
    const HostFrame h = ParseHostFrame(frame);
    if (h.dst != m_host || h.etherType != 0x5555) {
        ++ignored;
        return;
    }
    if (h.frag == 1) {
        if (m_first) {
            m_expectedSeq = h.msgSeq;
            m_current.clear();
            m_first = false;
        } else if (m_prevLast) {
            Commit();
            ++m_expectedSeq;
        } else {
            drops.push_back(-5);
            m_current.clear();
            ++m_expectedSeq;
        }
        m_expectedFrag = 1;
        m_valid = true;
    } else {
        if (m_prevLast) {
            drops.push_back(-6);
            m_current.clear();
            m_valid = false;
        }
        ++m_expectedFrag;
    }
    if (h.msgSeq != m_expectedSeq) {
        drops.push_back(-3);
        m_expectedSeq = h.msgSeq;
    }
    if (h.frag != m_expectedFrag) {
        drops.push_back(-4);
        m_current.clear();
        m_valid = false;
    }
    m_prevLast = h.last != 0;
    switch (h.type) {
    case 1:
        replies.push_back(h);
        break;
    case 3:
        events.push_back(h);
        break;
    case 2: {
        if (!m_valid)
            break;
        const size_t pad = h.last ? h.pad : 0;
        if (frame.size() < 24 + pad) {
            ++badPad;
            m_current.clear();
            m_valid = false;
            break;
        }
        const size_t n = (frame.size() - 24 - pad) / 2;
        for (size_t i = 0; i < n; ++i)
            m_current.push_back(Be16(&frame[20 + 2 * i]));
        break;
    }
    default:
        break;
    }
}

void HostReassembler::Finish()
{
    if (m_prevLast)
        Commit();
    m_current.clear();
}
