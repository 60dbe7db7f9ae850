// Feeds arbitrary bytes to the filter list reader. A file it refuses must leave the list as
// it was; a file it accepts must save and load back to the same bytes, and the list it made
// must filter a block of traces without fault whatever the parameters.
#include "fuzz/FuzzScratch.h"
#include "filters/FilterCatalogue.h"
#include "filters/FilterChain.h"
#include "filters/FilterLibrary.h"
#include "filters/FilterListFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A kind with the parameter types the built-in filters lack (text and flag).
class Labelled : public FilterKind {
public:
    Labelled() : FilterKind("Labelled", {FilterParamSpec::Text("Label", "x"), FilterParamSpec::Flag("On", true)}) {}
    void apply(const std::vector<FilterParamValue>&, TraceBlock&) const override {}
};

// The scratch folder, with the extra kind registered once before the first input.
const std::string& Folder()
{
    static const bool registered = [] {
        FilterCatalogue::Register(std::make_unique<Labelled>());
        return true;
    }();
    (void)registered;
    return fuzz::ScratchFolder("filters");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string path = Folder() + "/def_filter_list";
    fuzz::PutFile(path, std::string(reinterpret_cast<const char*>(data), size));

    FilterChain list;
    list.add("Gain");
    const FilterChain before = list;
    if (!FilterListFile::Read(path, list)) {
        if (!list.sameSettings(before))
            std::abort();
        return 0;
    }

    const std::string saved = FilterListFile::Format(list);
    fuzz::PutFile(path, saved);
    FilterChain again;
    if (!FilterListFile::Read(path, again) || !again.sameSettings(list) || FilterListFile::Format(again) != saved)
        std::abort();

    // Every filter switched on, on a small block with a sampling frequency taken from the input.
    for (int i = 0; i < list.size(); ++i)
        list.at(i)->setEnabled(true);
    constexpr int stride = 96, traces = 9;
    std::vector<std::int16_t> block(stride * traces), out(block.size());
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::int16_t>(size ? data[i % size] * 257 - 32768 : 0);
    MeasureInfo info{};
    info.samplesPerTrace = stride;
    info.traces = traces;
    info.validSamples = size ? data[0] % (stride + 8) : 0;
    info.samplingFrequency = size > 1 ? data[1] * 40.0 : 0.0;
    if (!list.apply(block.data(), out.data(), info))
        std::abort();
    return 0;
}
