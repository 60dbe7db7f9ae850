#include "model/STrace.h"

#include "model/SampleOrder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

CSTrace::CSTrace(int count) : m_samples(static_cast<std::size_t>(std::max(count, 0)), 0) {}

CSTrace& CSTrace::operator=(const CSTrace& other)
{
    if (this != &other) {
        const std::size_t n = std::min(m_samples.size(), other.m_samples.size());
        std::copy_n(other.m_samples.data(), n, m_samples.data());
    }
    return *this;
}

int CSTrace::Read(int fd)
{
    ssize_t n;
    do {
        n = ::read(fd, m_samples.data(), m_samples.size() * sizeof(std::int16_t));
    } while (n < 0 && errno == EINTR);
    if (n > 0)
        SamplesFromLittleEndian(m_samples.data(), static_cast<std::size_t>(n) / sizeof(std::int16_t));
    return static_cast<int>(n);
}

void CSTrace::Zero()
{
    std::fill(m_samples.begin(), m_samples.end(), 0);
}

void CSTrace::Resize(std::int16_t count)
{
    const int n = std::clamp<int>(count, 0, kMaxSamples);
    m_samples.assign(static_cast<std::size_t>(n), 0);
}

int CSTrace::GetMean() const
{
    if (m_samples.empty())
        return 0;
    std::int64_t sum = 0;
    for (std::int16_t s : m_samples)
        sum += s;
    return static_cast<int>(sum / static_cast<std::int64_t>(m_samples.size()));
}
