// A document's filter list: the handle of the list the filter library keeps, and the
// program's copy of the library's filter descriptions (the mirror), rebuilt after every
// successful load or edit.
#pragma once

#include "filters/FilterInfo.h"
#include "filters/FilterLibrary.h"
#include "filters/MeasureInfo.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CFilterList {
public:
    CFilterList();
    virtual ~CFilterList();
    CFilterList(const CFilterList&) = delete;
    CFilterList& operator=(const CFilterList&) = delete;

    // Non-zero when the file was loaded (mirror rebuilt); 0 leaves list and mirror as they were.
    int Load(const std::string& path);
    // Non-zero when the file was written.
    int Save(const std::string& path);
    int GetSize() const;
    // Non-zero when the filter was removed; its mirror entry goes with it. To empty the list,
    // remove filter 0 while the size is above 0 and a removal succeeds.
    int RemoveFilter(int index);
    // Filters `in` into `out`; description.GetSamplesPerTrace() and GetTraceCount() must
    // describe the block.
    void Apply(const std::int16_t* in, std::int16_t* out, const CMeasureInfo& description) const;
    // Runs the library's editor on the given traces; non-zero (mirror rebuilt) when the user
    // confirmed. The description must describe the block.
    int Edit(std::int32_t word, const std::int16_t* traces, const CMeasureInfo& description);
    // The same for a block of traceCount traces of samplesPerTrace samples each, whatever the
    // description's header said: the editor never reads past the block. A block wider than
    // the longest trace (2048 samples) is previewed as no traces at all.
    int Edit(std::int32_t word, const std::int16_t* traces, int traceCount, int samplesPerTrace,
             const CMeasureInfo& description);
    void Refresh();

    // The mirror, in the library's order (filters the library failed to describe are
    // missing from it).
    int GetMirrorSize() const { return static_cast<int>(m_mirror.size()); }
    const CFilterInfo* GetFilterInfo(int i) const;
    FilterListHandle GetHandle() const { return m_handle; }

private:
    FilterListHandle m_handle;
    std::vector<std::unique_ptr<CFilterInfo>> m_mirror;
};
