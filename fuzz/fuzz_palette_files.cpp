// Feeds arbitrary bytes to the default palette file reader: whatever it reads must be
// written and read back to the same colours, and a failed read must leave no entry it did
// not reach changed.
#include "display/RadarPalette.h"
#include "fuzz/FuzzScratch.h"

#include <cstdint>
#include <sstream>
#include <string>

namespace {

void DefaultPalette(const std::string& bytes)
{
    CRadarPalette::Colours colours;
    colours.fill(0x5A5A5Au);
    std::istringstream in(bytes);
    CRadarPalette::ReadColours(in, colours);

    const std::string text = CRadarPalette::FormatColours(colours);
    CRadarPalette::Colours back;
    back.fill(0);
    std::istringstream again(text);
    fuzz::Check(CRadarPalette::ReadColours(again, back));
    fuzz::Check(back == colours);
    fuzz::Check(CRadarPalette::FormatColours(back) == text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    DefaultPalette(bytes);
    return 0;
}
