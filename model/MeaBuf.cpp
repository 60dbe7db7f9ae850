#include "model/MeaBuf.h"

#include <algorithm>
#include <cstring>

CMeaBuf::CMeaBuf() : m_rows(new std::int16_t[static_cast<std::size_t>(kRows) * kRowSamples]()) {}

int CMeaBuf::GetCount() const
{
    int n = m_nWrite - m_nRead;
    return n < 0 ? n + kRows : n;
}

void CMeaBuf::AdvanceWrite()
{
    // The producer filled the row itself: any of its samples may be non-zero now.
    m_nRowLength[m_nWrite] = kRowSamples;
    Advance();
}

void CMeaBuf::Advance()
{
    m_nWrite = (m_nWrite + 1) % kRows;
    if (m_nWrite == m_nRead)
        m_nRead = (m_nRead + 1) % kRows;
}

void CMeaBuf::Store(const std::int16_t* samples, int count)
{
    std::int16_t* row = Row(m_nWrite);
    const int n = std::clamp(count, 0, kRowSamples);
    if (n > 0)
        std::memcpy(row, samples, static_cast<std::size_t>(n) * sizeof(std::int16_t));
    // Only what an earlier, longer trace left behind needs clearing.
    int& length = m_nRowLength[m_nWrite];
    if (length > n)
        std::fill(row + n, row + length, 0);
    length = n;
    Advance();
}

std::int16_t* CMeaBuf::Row(int i)
{
    int r = i % kRows;
    if (r < 0)
        r += kRows;
    return m_rows.get() + static_cast<std::size_t>(r) * kRowSamples;
}

const std::int16_t* CMeaBuf::Row(int i) const
{
    return const_cast<CMeaBuf*>(this)->Row(i);
}
