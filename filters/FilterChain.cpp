#include "filters/FilterChain.h"

#include "filters/FilterCatalogue.h"

#include <cmath>
#include <cstring>

FilterChain::FilterChain(const FilterChain& other)
{
    *this = other;
}

FilterChain& FilterChain::operator=(const FilterChain& other)
{
    if (this == &other)
        return *this;
    std::vector<std::unique_ptr<Filter>> copy;
    copy.reserve(other.m_filters.size());
    for (const auto& f : other.m_filters)
        copy.push_back(std::make_unique<Filter>(*f));
    m_filters = std::move(copy);
    return *this;
}

Filter* FilterChain::at(int i)
{
    return i >= 0 && i < size() ? m_filters[static_cast<size_t>(i)].get() : nullptr;
}

const Filter* FilterChain::at(int i) const
{
    return i >= 0 && i < size() ? m_filters[static_cast<size_t>(i)].get() : nullptr;
}

Filter* FilterChain::add(const FilterKind& kind)
{
    if (size() >= kMaxFilters)
        return nullptr;
    m_filters.push_back(std::make_unique<Filter>(kind));
    return m_filters.back().get();
}

Filter* FilterChain::add(const Filter& copy)
{
    if (size() >= kMaxFilters)
        return nullptr;
    m_filters.push_back(std::make_unique<Filter>(copy));
    return m_filters.back().get();
}

Filter* FilterChain::add(std::string_view kindName)
{
    const FilterKind* kind = FilterCatalogue::Find(kindName);
    return kind ? add(*kind) : nullptr;
}

bool FilterChain::remove(int i)
{
    if (i < 0 || i >= size())
        return false;
    m_filters.erase(m_filters.begin() + i);
    return true;
}

bool FilterChain::move(int from, int to)
{
    if (from < 0 || from >= size() || to < 0 || to >= size())
        return false;
    auto f = std::move(m_filters[static_cast<size_t>(from)]);
    m_filters.erase(m_filters.begin() + from);
    m_filters.insert(m_filters.begin() + to, std::move(f));
    return true;
}

bool FilterChain::sameSettings(const FilterChain& other) const
{
    if (size() != other.size())
        return false;
    for (int i = 0; i < size(); ++i)
        if (!at(i)->sameSettings(*other.at(i)))
            return false;
    return true;
}

int FilterChain::ValidSamples(const MeasureInfo& info)
{
    if (info.samplesPerTrace <= 0)
        return 0;
    return info.validSamples > 0 && info.validSamples < info.samplesPerTrace ? info.validSamples
                                                                            : info.samplesPerTrace;
}

double FilterChain::Frequency(const MeasureInfo& info)
{
    // A header whose sample interval was not known says FREQUENCY 1.000000 (system
    // calibration or frequency steps 0), and no radar unit samples that slowly: its traces
    // are sampled at tens of megahertz at the least. So 1 MHz and below, like zero, negative
    // and non-finite values, counts as no frequency, and the filters work in samples.
    constexpr double kSlowestUnit = 1.0;  // MHz; this value itself is the header's "unknown"
    return std::isfinite(info.samplingFrequency) && info.samplingFrequency > kSlowestUnit ? info.samplingFrequency
                                                                                         : 0.0;
}

bool FilterChain::apply(const std::int16_t* in, std::int16_t* out, const MeasureInfo& info) const
{
    if (!in || !out || info.samplesPerTrace <= 0 || info.traces <= 0)
        return false;
    TraceBlock block;
    block.samples = out;
    block.source = in;
    block.stride = info.samplesPerTrace;
    block.traces = info.traces;
    block.valid = ValidSamples(info);
    block.frequency = Frequency(info);

    const size_t total = static_cast<size_t>(block.stride) * static_cast<size_t>(block.traces);
    const Filter* first = nullptr;
    for (const auto& f : m_filters)
        if (f->enabled()) {
            first = f.get();
            break;
        }
    if (!first || !first->kind().readsSource()) {
        // The filters work in place on a copy.
        if (in != out)
            std::memmove(out, in, total * sizeof(std::int16_t));
        block.source = out;
    } else if (in != out && block.valid < block.stride) {
        // The first filter reads `in` itself; the padding is copied here.
        const size_t padding = static_cast<size_t>(block.stride - block.valid);
        for (int t = 0; t < block.traces; ++t)
            std::memmove(block.trace(t) + block.valid, block.input(t) + block.valid, padding * sizeof(std::int16_t));
    }
    for (const auto& f : m_filters) {
        if (!f->enabled())
            continue;
        f->apply(block);
        block.source = out;
    }
    return true;
}
