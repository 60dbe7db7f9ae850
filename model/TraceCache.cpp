#include "model/TraceCache.h"

#include "model/ChannelData.h"
#include "model/STrace.h"

#include <algorithm>
#include <cstring>
#include <cstdint>
#include <new>
#include <sys/mman.h>

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kEntryBytes =
    static_cast<std::size_t>(CTraceCache::kCapacity) * CTraceCache::kEntrySamples * sizeof(std::int16_t);
constexpr std::size_t kMappedBytes = (kEntryBytes + kHugePage - 1) / kHugePage * kHugePage;

// The entries take 8 MB; a reload scatters 2000 traces over all of it. On huge pages that
// costs a handful of page-table entries instead of 2000, which roughly halves the time of a
// reload from the page cache. The mapping starts out zeroed and is filled only as used.
std::int16_t* MapEntries()
{
    void* p = ::mmap(nullptr, kMappedBytes + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    auto* base = static_cast<char*>(p);
    const std::uintptr_t misalign = reinterpret_cast<std::uintptr_t>(base) % kHugePage;
    char* aligned = misalign == 0 ? base : base + (kHugePage - misalign);
    if (aligned > base)
        ::munmap(base, static_cast<std::size_t>(aligned - base));
    char* end = aligned + kMappedBytes;
    if (end < base + kMappedBytes + kHugePage)
        ::munmap(end, static_cast<std::size_t>(base + kMappedBytes + kHugePage - end));
    ::madvise(aligned, kMappedBytes, MADV_HUGEPAGE); // a hint; without huge pages all still works
    return reinterpret_cast<std::int16_t*>(aligned);
}

} // namespace

void CTraceCache::Unmap::operator()(std::int16_t* p) const
{
    ::munmap(p, kMappedBytes);
}

CTraceCache::CTraceCache() : m_entries(MapEntries()) {}

std::int16_t* CTraceCache::Entry(std::int64_t index)
{
    std::int64_t e = index % kCapacity;
    if (e < 0)
        e += kCapacity;
    return m_entries.get() + e * kEntrySamples;
}

void CTraceCache::Reset()
{
    if (m_nDirtyWidth >= kEntrySamples) {
        std::memset(m_entries.get(), 0, static_cast<std::size_t>(kCapacity) * kEntrySamples * sizeof(std::int16_t));
    } else if (m_nDirtyWidth > 0) {
        for (int e = 0; e < kCapacity; ++e)
            std::memset(Entry(e), 0, static_cast<std::size_t>(m_nDirtyWidth) * sizeof(std::int16_t));
    }
    m_nDirtyWidth = 0;
    m_nNewest = -1;
    m_nFirst = 0;
    m_nLast = -1;
}

void CTraceCache::AddTrace(const CSTrace& trace)
{
    m_nNewest = (m_nNewest + 1) % kCapacity;
    const int n = std::min(trace.GetCount(), kEntrySamples);
    if (n > 0)
        std::memcpy(Entry(m_nNewest), trace.Data(), static_cast<std::size_t>(n) * sizeof(std::int16_t));
    m_nDirtyWidth = std::max(m_nDirtyWidth, n);
    ++m_nLast;
    if (m_nLast - m_nFirst + 1 > kCapacity)
        m_nFirst = m_nLast - kCapacity + 1;
}

const std::int16_t* CTraceCache::GetTrace(int i)
{
    if ((i < m_nFirst || i > m_nLast) && !(m_isMeasuring && m_isMeasuring()))
        Reload(i);
    return Entry(static_cast<std::int64_t>(m_nNewest) - m_nLast + i);
}

void CTraceCache::Reload(int i)
{
    m_nNewest = -1;
    m_nFirst = std::max(i - kCapacity / 2, 0);
    m_nLast = m_nFirst - 1;
    if (!m_pSource)
        return;
    const std::int64_t end = std::min<std::int64_t>(static_cast<std::int64_t>(m_nFirst) + kCapacity,
                                                    m_pSource->GetTraceCount());
    const int count = static_cast<int>(std::max<std::int64_t>(end - m_nFirst, 0));
    if (count == 0)
        return;
    const int width = std::min(m_pSource->GetSamples(), kEntrySamples);
    if (width <= 0)
        return;

    // The window starts again at entry 0, so the traces land in entries 0..count-1 in
    // order, just as adding them one by one would place them.
    if (m_pSource->ReadTraceRows(m_nFirst, count, m_entries.get(), kEntrySamples) != 0)
        m_bReadError = true;
    if (m_nDirtyWidth > width) {
        for (int e = 0; e < count; ++e)
            std::memset(Entry(e) + width, 0, static_cast<std::size_t>(m_nDirtyWidth - width) * sizeof(std::int16_t));
    }
    m_nDirtyWidth = std::max(m_nDirtyWidth, width);
    m_nNewest = count - 1;
    m_nLast = m_nFirst + count - 1;
}

bool CTraceCache::TakeReadError()
{
    bool e = m_bReadError;
    m_bReadError = false;
    return e;
}
