// "DC removal": each trace loses the mean of a window of its own samples, so that traces
// with different offsets share one zero line.
#pragma once

#include "filters/FilterKind.h"

class DcRemoval : public FilterKind {
public:
    static constexpr const char* kName = "DC removal";
    enum Param { kFrom, kTo }; // "To sample" 0 means the last valid sample

    DcRemoval();
    void apply(const std::vector<FilterParamValue>& values, TraceBlock& block) const override;
    bool readsSource() const override { return true; }
};
