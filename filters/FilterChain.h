// A filter list: the filters in the order they run. Copies are deep (the editor works on a
// copy and hands it back on OK).
#pragma once

#include "filters/Filter.h"
#include "filters/FilterLibrary.h"

#include <memory>
#include <string_view>
#include <vector>

class FilterChain {
public:
    static constexpr int kMaxFilters = 64;

    FilterChain() = default;
    FilterChain(const FilterChain& other);
    FilterChain& operator=(const FilterChain& other);
    FilterChain(FilterChain&&) noexcept = default;
    FilterChain& operator=(FilterChain&&) noexcept = default;

    int size() const { return static_cast<int>(m_filters.size()); }
    bool empty() const { return m_filters.empty(); }
    // nullptr when i is out of range.
    Filter* at(int i);
    const Filter* at(int i) const;

    // Appends a filter of that kind with its defaults; nullptr when the list is full or the
    // name is no known kind.
    Filter* add(const FilterKind& kind);
    Filter* add(std::string_view kindName);
    Filter* add(const Filter& copy);
    bool remove(int i);
    // Moves filter `from` to position `to`, the others keeping their order.
    bool move(int from, int to);
    void clear() { m_filters.clear(); }

    bool sameSettings(const FilterChain& other) const;

    // The program's apply: copies `in` to `out` (all samplesPerTrace x traces samples), then
    // runs the enabled filters on the valid samples of `out`. False, nothing written, when the
    // block has no samples or a pointer is null.
    bool apply(const std::int16_t* in, std::int16_t* out, const MeasureInfo& info) const;

    // The valid samples per trace of a block and the sampling frequency the filters may
    // trust (0 when the description gives none, or one no radar unit samples at).
    static int ValidSamples(const MeasureInfo& info);
    static double Frequency(const MeasureInfo& info);

private:
    std::vector<std::unique_ptr<Filter>> m_filters;
};
