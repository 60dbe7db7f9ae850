// The filter library's calls and records: the program keeps one filter list per document
// behind an opaque handle and reaches it only through these calls. Every call is made on the
// user-interface thread; a handle that is 0, unknown or already destroyed makes every call
// return 0 and touch nothing.
//
// The records keep their fields in their fixed order; pointers and the words that may carry
// one have the native pointer width, so a 64-bit build has wider records than a 32-bit one.
// Only this library and the program exchange them.
#pragma once

#include <cstddef>
#include <cstdint>

using FilterListHandle = std::uint32_t;

// Parameter type codes of FilterParam::type.
enum FilterParamType : std::int32_t {
    kParamText = 0,    // value: const char*, NUL-terminated
    kParamInteger = 1, // value: the integer's 32 bits
    kParamFloat = 2,   // value: the bits of a 32-bit float
    kParamFlag = 3,    // value: an integer used as on (non-zero) or off
    kParamChoice = 4,  // value: FilterChoice*
};

// One choice parameter: the texts offered and where the selected index lives. A write through
// `selected` changes the filter's choice directly; an index outside 0..count-1 reads as the
// first text.
struct FilterChoice {
    const char* const* texts;
    std::int32_t count;
    std::int32_t* selected;
};

// One parameter of a filter. word0, word16 and word20 are reserved; the program copies them
// without reading them.
struct FilterParam {
    std::uintptr_t word0;
    const char* name;
    std::int32_t type;
    std::uintptr_t value;
    std::uintptr_t word16;
    std::uintptr_t word20;
};
static_assert(sizeof(FilterParam) == 6 * sizeof(void*), "a parameter is six pointer-wide words");

// Description of one filter, filled by FilterListGetFilter. The pointers stay valid until the
// filter is removed, the list is loaded, edited or destroyed, or the next FilterListGetFilter
// of the same filter.
struct FilterInfo {
    const char* name;
    std::int32_t enabled;
    std::int32_t count; // number of entries in params; 0 or less means none
    FilterParam* params;
};

// The measurement a trace block belongs to. The program sets the first two fields to describe
// the block it passes; the rest comes from the data set's header through MeasureInfoLoad and
// goes back to the library unchanged. A zero or non-finite value means "unknown": the filters
// then work in samples instead of nanoseconds and MHz.
struct MeasureInfo {
    std::int32_t samplesPerTrace; // stride of the block: trace i starts at sample i * samplesPerTrace
    std::int32_t traces;          // traces in the block
    double samplingFrequency;     // MHz
    double timeWindow;            // ns covered by the valid samples
    double traceInterval;         // distance (m) or time (s) between traces
    double antennaSeparation;     // m
    std::int32_t validSamples;    // samples per trace actually measured; the rest of the stride is padding
    std::int32_t reserved;
};
static_assert(sizeof(MeasureInfo) == 48, "the measurement description is a 48-byte record");
static_assert(offsetof(MeasureInfo, samplingFrequency) == 8 && offsetof(MeasureInfo, validSamples) == 40,
              "the measurement description keeps its field offsets");

extern "C" {

FilterListHandle FilterListCreate();
int FilterListDestroy(FilterListHandle list);
// All or nothing: 1 when the file was read into the list, 0 (list unchanged) when it is
// missing, unreadable or not a filter list.
int FilterListLoad(FilterListHandle list, const char* path);
// Written to a temporary file and renamed over `path`; 0 leaves the old file as it was.
int FilterListSave(FilterListHandle list, const char* path);
int FilterListGetSize(FilterListHandle list);
int FilterListGetFilter(FilterListHandle list, FilterInfo* info, int index);
int FilterListRemoveFilter(FilterListHandle list, int index);
// Filters `in` into `out` (same layout, `in` == `out` allowed): every sample of the
// samplesPerTrace x traces block is written. Enabled filters run in list order on the valid
// samples of each trace; padding samples are copied unchanged. 0 and nothing written when the
// block has no samples or a pointer is null.
int FilterListApply(FilterListHandle list, const std::int16_t* in, std::int16_t* out, MeasureInfo info);
// Opens the filter editor on a copy of the list, previewing the given traces (described by
// info.samplesPerTrace and info.traces; at most 2048 samples per trace are shown). 1 when the
// user confirmed and the copy replaced the list, 0 when the list was left as it was.
int FilterListEdit(FilterListHandle list, std::int32_t reserved, const std::int16_t* traces, MeasureInfo info);

FilterInfo* FilterInfoCreate();
int FilterInfoDestroy(FilterInfo* info);

// Fills *info from the data set header at radPath: samplesPerTrace and validSamples = SAMPLES,
// traces = LAST TRACE, sampling frequency, time window, trace interval and antenna separation.
// 0 (and *info untouched) when the file cannot be read or gives no samples.
int MeasureInfoLoad(MeasureInfo* info, const char* radPath);

} // extern "C"

// --- Beyond the program's calls: for the editor, tests and tools -------------------------

class FilterChain;
class FilterEditor;

// The list behind a handle, or nullptr for an unknown handle. Valid until the handle is
// destroyed; the list may be changed through it like through the calls above.
FilterChain* FilterListLookup(FilterListHandle list);

// The editor FilterListEdit opens. The Qt program installs its dialog at start-up; tests may
// install their own. Without one, FilterListEdit changes nothing and returns 0. Returns the
// editor installed before.
FilterEditor* SetFilterEditor(FilterEditor* editor);
