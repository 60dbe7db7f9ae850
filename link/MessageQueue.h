// The small queues the receive thread fills besides the data ring: replies to requests
// and events of the unit. 100 places, of which 99 hold entries; an entry pushed into a
// full queue is lost and counted.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

struct ReplyEntry {
    std::uint16_t code = 0;       // kept for diagnostics; the unit's reply code is not examined
    std::uint16_t sequence = 0;   // sequence of the request answered
    std::array<std::uint8_t, 8> payload{};
};

struct EventEntry {
    std::uint16_t code = 0;
    std::uint16_t word1 = 0;
    std::uint16_t word2 = 0;
    std::uint16_t word3 = 0;
};

template <typename Entry>
class MessageQueue {
public:
    static constexpr std::uint16_t kPlaces = 100;

    // false (and the overflow count rises) when the queue already holds 99 entries.
    bool Push(const Entry& entry)
    {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            std::uint16_t next = static_cast<std::uint16_t>((m_write + 1) % kPlaces);
            if (next == m_read) {
                ++m_overflows;
                return false;
            }
            m_entries[m_write] = entry;
            m_write = next;
        }
        m_pushed.notify_one();
        return true;
    }

    // false when empty.
    bool Pop(Entry& out)
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return PopLocked(out);
    }

    // Waits until an entry is there or `deadline` passes; false when none came.
    template <typename Clock, typename Duration>
    bool PopUntil(Entry& out, const std::chrono::time_point<Clock, Duration>& deadline)
    {
        std::unique_lock<std::mutex> hold(m_lock);
        m_pushed.wait_until(hold, deadline, [this] { return m_read != m_write; });
        return PopLocked(out);
    }

    // Empties the queue and zeroes its entries and overflow count.
    void Reset()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_entries = {};
        m_write = m_read = 0;
        m_overflows = 0;
    }

    int Count() const
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return (m_write + kPlaces - m_read) % kPlaces;
    }

    std::uint64_t OverflowCount() const
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_overflows;
    }

private:
    bool PopLocked(Entry& out)
    {
        if (m_read == m_write)
            return false;
        out = m_entries[m_read];
        m_read = static_cast<std::uint16_t>((m_read + 1) % kPlaces);
        return true;
    }

    mutable std::mutex m_lock;
    std::condition_variable m_pushed;
    std::array<Entry, kPlaces> m_entries{};
    std::uint16_t m_write = 0;
    std::uint16_t m_read = 0;
    std::uint64_t m_overflows = 0;
};

using ReplyQueue = MessageQueue<ReplyEntry>;
using EventQueue = MessageQueue<EventEntry>;
