// "Background removal": the mean trace of the block, or of a running window of neighbouring
// traces, is subtracted from every trace. What all traces share (the direct wave, ringing of
// the antennas, horizontal layers) disappears; what changes from trace to trace stays.
#pragma once

#include "filters/FilterKind.h"

class BackgroundRemoval : public FilterKind {
public:
    static constexpr const char* kName = "Background removal";
    // "Traces": 0 = the whole block, else the width of a window centred on each trace (an
    // even width grows to the next odd one); the window is cut short at the block's edges.
    enum Param { kTraces };

    BackgroundRemoval();
    void apply(const std::vector<FilterParamValue>& values, TraceBlock& block) const override;
    bool readsSource() const override { return true; }

private:
    static void WholeBlock(TraceBlock& block);
    static void RunningWindow(TraceBlock& block, int half);
};
