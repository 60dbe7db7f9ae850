// The ring of reassembled data messages of the unit: variable-length records of 16-bit
// host-order words (RingRecord.h), written by the receive thread and read by one reader
// (the acquisition thread, or the user-interface thread for single traces).
//
// The writer appends the words of the message in progress after the committed end and
// commits them when the message's last fragment has arrived in order; the reader sees
// only committed words. Every index move happens under one lock; the words between the
// read index and the committed end are never written, so the reader copies a record
// after NextRecord without holding the lock, and the words from the write index up to
// the read index are the writer's alone, so it copies a fragment in without holding it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class DataRing {
public:
    // The ring the program gives its link: 32 MB, five seconds of all 16 channels at 2048
    // samples and 100 traces per second, or a third of a second at 2000. The unit never
    // sees the ring's size; a smaller ring overflows while the acquisition thread waits out
    // a slow disk or a busy computer, and an overflow drops whole messages.
    static constexpr std::uint32_t kDefaultWords = 16'000'000;

    // `words` at least 16; the storage is allocated once, here.
    explicit DataRing(std::uint32_t words = kDefaultWords);
    DataRing(const DataRing&) = delete;
    DataRing& operator=(const DataRing&) = delete;

    std::uint32_t Size() const { return m_size; }

    // Reader side.
    // Index of the length word of the oldest complete record; -1 when nothing is
    // committed; -2 (record wraps) or -3 when the record at the read index runs past the
    // committed end.
    int NextRecord();
    // Moves the read index past the record there: 1 when the whole record was passed,
    // 0 when the committed end came first (the read index then stops there).
    int ReleaseRecord();
    bool HasData() const
    {
        return m_committed.load(std::memory_order_acquire) != m_read.load(std::memory_order_acquire);
    }
    // Word at `index`, which may lie past the end of the storage (it wraps).
    std::uint16_t Word(std::uint64_t index) const { return m_words[index % m_size]; }
    // `count` words from `start`, wrapping at the end of the storage.
    void CopyWords(std::uint32_t start, std::uint32_t count, std::uint16_t* out) const;

    // Empties the ring; a message being reassembled at that moment is dropped as a whole.
    // Safe while the receive thread runs.
    void Reset();

    // Writer side (the receive thread alone).
    // A new message starts: words not committed are dropped.
    void BeginMessage();
    // The message in progress is broken: its words are dropped, and the rest of it is
    // not taken.
    void DiscardMessage();
    // Appends `count` big-endian words of the message in progress; with `commit` the
    // message then becomes readable. Nothing is written when the message was already
    // broken or the ring was reset since it began. When the words do not fit before the
    // read index the whole message is dropped and the overflow count rises. On commit the
    // message's records must end exactly at its end: a length word that runs past it would
    // make the reader take words of the next message as its own, so such a message is
    // dropped whole and counted.
    void Append(const std::uint8_t* bigEndianWords, std::uint32_t count, bool commit);
    // Whether the message in progress is still being taken.
    bool MessageValid() const;

    std::uint64_t OverflowCount() const { return m_overflows.load(std::memory_order_relaxed); }
    std::uint64_t CommittedMessages() const { return m_commits.load(std::memory_order_relaxed); }
    std::uint64_t BadRecordMessages() const { return m_badRecordMessages.load(std::memory_order_relaxed); }

    // Positions, for tests and diagnostics.
    std::uint32_t ReadIndex() const { return m_read.load(std::memory_order_acquire); }
    std::uint32_t CommittedEnd() const { return m_committed.load(std::memory_order_acquire); }
    std::uint32_t WriteIndex() const;
    // Places all three indices at `index` (an empty ring starting there); tests use it to
    // put records across the end of the storage.
    void ResetAt(std::uint32_t index);

private:
    // Whether the lengths of the records from `start` lead exactly to `end` (ring lock held).
    bool RecordsEndAt(std::uint32_t start, std::uint32_t end) const;

    const std::uint32_t m_size;
    std::unique_ptr<std::uint16_t[]> m_words;
    mutable std::mutex m_lock;  // guards every index move and the writer state
    std::uint32_t m_write = 0;
    std::atomic<std::uint32_t> m_committed{0};
    std::atomic<std::uint32_t> m_read{0};
    bool m_messageValid = false;           // the message in progress is still taken
    std::uint64_t m_resets = 0;            // a reset during an append's copy shows here
    std::atomic<std::uint64_t> m_overflows{0};
    std::atomic<std::uint64_t> m_commits{0};
    std::atomic<std::uint64_t> m_badRecordMessages{0};
};
