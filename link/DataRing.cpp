#include "link/DataRing.h"

#include "link/ByteOrder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The receive path's one copy: a whole fragment at a time, eight words per vector byte swap.
void CopyFromBigEndian(const std::uint8_t* from, std::uint32_t count, std::uint16_t* to)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::uint32_t i = 0;
#if defined(__SSE2__)
        for (; i + 8 <= count; i += 8) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 2 * i));
            const __m128i swapped = _mm_or_si128(_mm_slli_epi16(x, 8), _mm_srli_epi16(x, 8));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), swapped);
        }
#endif
        for (; i < count; ++i) {
            std::uint16_t v;
            std::memcpy(&v, from + 2 * i, 2);
            to[i] = SwapBytes16(v);
        }
    } else {
        std::memcpy(to, from, 2u * count);
    }
}

}  // namespace

DataRing::DataRing(std::uint32_t words)
    : m_size(std::max<std::uint32_t>(words, 16)), m_words(new std::uint16_t[m_size]())
{
}

int DataRing::NextRecord()
{
    std::lock_guard<std::mutex> hold(m_lock);
    const std::uint32_t read = m_read.load(std::memory_order_relaxed);
    const std::uint32_t committed = m_committed.load(std::memory_order_relaxed);
    if (read == committed)
        return -1;
    const std::uint64_t end = std::uint64_t{read} + m_words[read] / 2 + 1;
    if (end >= m_size) {
        // The record wraps: complete only when the committed end lies in the wrapped part,
        // at or after the record's end.
        if (committed <= read && committed >= end - m_size)
            return static_cast<int>(read);
        return -2;
    }
    if (committed > read && committed < end)
        return -3;
    return static_cast<int>(read);
}

int DataRing::ReleaseRecord()
{
    std::lock_guard<std::mutex> hold(m_lock);
    const std::uint32_t read = m_read.load(std::memory_order_relaxed);
    const std::uint32_t committed = m_committed.load(std::memory_order_relaxed);
    const std::uint32_t length = m_words[read] / 2 + 1u;
    const std::uint32_t available = committed >= read ? committed - read : m_size - read + committed;
    if (length > available) {
        m_read.store(committed, std::memory_order_release);
        return 0;
    }
    std::uint32_t next = read + length;
    if (next >= m_size)
        next -= m_size;
    m_read.store(next, std::memory_order_release);
    return 1;
}

void DataRing::CopyWords(std::uint32_t start, std::uint32_t count, std::uint16_t* out) const
{
    start %= m_size;
    count = std::min(count, m_size);
    const std::uint32_t first = std::min(count, m_size - start);
    std::copy_n(m_words.get() + start, first, out);
    std::copy_n(m_words.get(), count - first, out + first);
}

void DataRing::Reset()
{
    ResetAt(0);
}

void DataRing::ResetAt(std::uint32_t index)
{
    std::lock_guard<std::mutex> hold(m_lock);
    index %= m_size;
    m_write = index;
    m_committed.store(index, std::memory_order_release);
    m_read.store(index, std::memory_order_release);
    // A message being reassembled now must not continue in the emptied ring.
    m_messageValid = false;
    ++m_resets;
}

void DataRing::BeginMessage()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_write = m_committed.load(std::memory_order_relaxed);
    m_messageValid = true;
}

void DataRing::DiscardMessage()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_write = m_committed.load(std::memory_order_relaxed);
    m_messageValid = false;
}

bool DataRing::MessageValid() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_messageValid;
}

std::uint32_t DataRing::WriteIndex() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_write;
}

bool DataRing::RecordsEndAt(std::uint32_t start, std::uint32_t end) const
{
    std::uint32_t left = end >= start ? end - start : m_size - start + end;
    std::uint32_t at = start;
    while (left > 0) {
        const std::uint32_t words = m_words[at] / 2u + 1u;
        if (words > left)
            return false;
        left -= words;
        at += words;
        if (at >= m_size)
            at -= m_size;
    }
    return true;
}

void DataRing::Append(const std::uint8_t* bigEndianWords, std::uint32_t count, bool commit)
{
    std::uint32_t w = 0;
    std::uint64_t resets = 0;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (!m_messageValid)
            return;
        const std::uint32_t read = m_read.load(std::memory_order_relaxed);
        // The write index may come up to one word before the read index; reaching it means
        // the reader's unread records would be overwritten.
        const std::uint32_t room = read > m_write ? read - m_write : m_size - m_write + read;
        if (count >= room) {
            m_overflows.fetch_add(1, std::memory_order_relaxed);
            m_write = m_committed.load(std::memory_order_relaxed);
            m_messageValid = false;
            return;
        }
        w = m_write;
        resets = m_resets;
    }
    // The copy, the bulk of the work, runs without the lock, so that the reader's index
    // moves do not wait for it (the reader only ever makes more room meanwhile).
    const std::uint32_t first = std::min(count, m_size - w);
    CopyFromBigEndian(bigEndianWords, first, m_words.get() + w);
    CopyFromBigEndian(bigEndianWords + 2 * first, count - first, m_words.get());
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_resets != resets)
        return;  // emptied meanwhile: the message was dropped with everything else
    w += count;
    if (w >= m_size)
        w -= m_size;
    m_write = w;
    if (commit) {
        if (!RecordsEndAt(m_committed.load(std::memory_order_relaxed), w)) {
            m_badRecordMessages.fetch_add(1, std::memory_order_relaxed);
            m_write = m_committed.load(std::memory_order_relaxed);
            m_messageValid = false;
            return;
        }
        m_committed.store(w, std::memory_order_release);
        m_commits.fetch_add(1, std::memory_order_relaxed);
    }
}
