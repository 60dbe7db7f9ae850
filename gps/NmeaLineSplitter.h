// Cuts the byte stream of an NMEA receiver into lines. Bytes after the last line end wait
// in the buffer for the rest of their line, so a sentence split over two reads is whole
// again; a line too long to be a sentence is dropped up to its line end, however long it
// runs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

class CNmeaLineSplitter {
public:
    static constexpr std::size_t kCapacity = 15000;
    // Lines with this many bytes or more before their LF are ignored.
    static constexpr std::size_t kLineLimit = 255;

    // Where the next read goes, and how much it may bring.
    std::uint8_t* Space() { return m_buffer.data() + m_tail; }
    std::size_t Room() const { return kCapacity - m_tail; }
    // Bytes kept from earlier reads.
    std::size_t Tail() const { return m_tail; }

    // Takes `count` bytes just read into Space() and calls onLine(std::string_view) for each
    // complete line: the bytes before its LF without a CR directly before the LF.
    template <typename OnLine>
    void Commit(std::size_t count, OnLine&& onLine)
    {
        if (count > Room())
            count = Room();
        const std::size_t end = m_tail + count;
        std::size_t start = 0;
        for (std::size_t i = m_tail; i < end; ++i) {
            if (m_buffer[i] != '\n')
                continue;
            const std::size_t length = i - start;
            if (m_discarding)
                m_discarding = false; // the rest of an over-long line
            else if (length < kLineLimit)
                onLine(LineText(start, length));
            start = i + 1;
        }
        KeepTail(start, end);
    }

    void Reset()
    {
        m_tail = 0;
        m_discarding = false;
    }

private:
    std::string_view LineText(std::size_t start, std::size_t length) const
    {
        if (length > 0 && m_buffer[start + length - 1] == '\r')
            --length;
        return std::string_view(reinterpret_cast<const char*>(m_buffer.data()) + start, length);
    }

    void KeepTail(std::size_t start, std::size_t end)
    {
        std::size_t rest = end - start;
        if (rest >= kLineLimit) {
            // Already too long to be examined: drop it now and skip to its LF, so the
            // buffer never fills with a line that will be ignored anyway.
            m_discarding = true;
            rest = 0;
        } else if (start > 0 && rest > 0) {
            for (std::size_t i = 0; i < rest; ++i)
                m_buffer[i] = m_buffer[start + i];
        }
        m_tail = rest;
    }

    std::array<std::uint8_t, kCapacity> m_buffer{};
    std::size_t m_tail = 0;
    bool m_discarding = false;
};
