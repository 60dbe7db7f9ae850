// The queue of new traces of one channel between the data file and the display: the
// acquisition stores each trace in the next row, the hand-off to the display drains it.
// One producer and one consumer on the same thread, so no lock of its own.
#pragma once

#include <cstdint>
#include <memory>

class CMeaBuf {
public:
    static constexpr int kRows = 500;
    static constexpr int kRowSamples = 2048;

    // Both indices 0; the rows live on the heap (2,048,000 bytes), allocated here once.
    CMeaBuf();
    virtual ~CMeaBuf() = default;
    CMeaBuf(const CMeaBuf&) = delete;
    CMeaBuf& operator=(const CMeaBuf&) = delete;

    void Reset() { m_nRead = m_nWrite = 0; }
    // Queued traces: write - read, plus kRows when negative. At most kRows - 1.
    int GetCount() const;
    // After the producer filled row [write]: moves on to the next row; when the queue was
    // full the oldest trace is dropped.
    void AdvanceWrite();
    // Fills row [write] with `count` samples (at most a row; the rest of the row zeroed)
    // and advances.
    void Store(const std::int16_t* samples, int count);

    int GetReadIndex() const { return m_nRead; }
    int GetWriteIndex() const { return m_nWrite; }
    // Row `i`, taken modulo kRows, so a consumer may walk read, read + 1, ... freely.
    std::int16_t* Row(int i);
    const std::int16_t* Row(int i) const;

private:
    void Advance();

    std::unique_ptr<std::int16_t[]> m_rows;
    int m_nRowLength[kRows] = {};  // samples of each row that may be non-zero
    int m_nRead = 0;
    int m_nWrite = 0;
};
