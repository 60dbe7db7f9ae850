// Everything the filter editor does, without widgets: a working copy of the list that the
// user changes, the selected filter, and the preview of the given traces before and after
// the working list. The dialog only shows this model and forwards the user's actions.
#pragma once

#include "filters/FilterChain.h"

#include <cstdint>
#include <string>
#include <vector>

class FilterEditorModel {
public:
    // Longest trace the editor accepts: a block described with a longer stride is not
    // trusted and the preview stays empty.
    static constexpr int kMaxSamplesPerTrace = 2048;

    // `traces` holds info.traces traces of info.samplesPerTrace samples; it is copied.
    FilterEditorModel(const FilterChain& list, const std::int16_t* traces, const MeasureInfo& info);

    // The traces being previewed (an empty block when none were given).
    int traceCount() const { return m_traces; }
    int samplesPerTrace() const { return m_stride; }
    int validSamples() const { return m_valid; }
    const std::vector<std::int16_t>& before() const { return m_before; }
    // The traces through the enabled filters of the working list, brought up to date.
    const std::vector<std::int16_t>& after();
    const MeasureInfo& description() const { return m_info; }

    const FilterChain& list() const { return m_list; }
    std::vector<std::string> catalogue() const;

    // The selected filter, -1 for none.
    int selected() const { return m_selected; }
    void select(int index);

    // Each returns false and changes nothing when it cannot act (full list, unknown kind,
    // no selection, already at the top or bottom, wrong parameter or value).
    bool add(const std::string& kindName); // appended and selected
    bool removeSelected();                 // the next filter (or the last) becomes selected
    bool moveUp();
    bool moveDown();
    bool setEnabled(int index, bool on);
    bool setWhole(int index, int param, std::int64_t value);
    bool setFloat(int index, int param, double value);
    bool setText(int index, int param, const std::string& value);
    bool setChoice(int index, int param, int choice);

    // Whether the working list differs from the list the editor was opened on.
    bool changed() const { return !m_list.sameSettings(m_original); }
    // Counts every change, so that views know when to redraw.
    unsigned revision() const { return m_revision; }

    // The working list, for the caller to keep on OK.
    FilterChain takeResult() { return std::move(m_list); }

private:
    bool touched(bool ok);

    FilterChain m_original;
    FilterChain m_list;
    int m_selected = -1;
    unsigned m_revision = 0;

    MeasureInfo m_info{};
    int m_traces = 0, m_stride = 0, m_valid = 0;
    std::vector<std::int16_t> m_before;
    std::vector<std::int16_t> m_after;
    unsigned m_afterRevision = ~0u;
};
