// Feeds arbitrary bytes to the default palette file reader and the `.pal` reader: whatever
// they read must be written and read back to the same colours.
#include "display/PalFile.h"
#include "display/RadarPalette.h"
#include "fuzz/FuzzScratch.h"

#include <algorithm>
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

// A `.pal` file: only whole words count, none keeps its top byte, and the entries written
// back read as themselves.
void PalFile(const std::string& bytes)
{
    pal::Entries entries;
    entries.fill(0xFFFFFFFFu);
    const int replaced = pal::Parse(bytes, entries);
    fuzz::Check(replaced == static_cast<int>(std::min<std::size_t>(bytes.size() / 4, pal::kEntries)));
    for (int i = 0; i < pal::kEntries; ++i)
        fuzz::Check(entries[static_cast<std::size_t>(i)] == (i < replaced ? entries[static_cast<std::size_t>(i)] & 0x00FFFFFFu : 0xFFFFFFFFu));
    const std::string text = pal::Format(entries);
    fuzz::Check(text.size() == 4 * pal::kEntries);
    pal::Entries back{};
    fuzz::Check(pal::Parse(text, back) == pal::kEntries);
    for (int i = 0; i < pal::kEntries; ++i)
        fuzz::Check(back[static_cast<std::size_t>(i)] == (entries[static_cast<std::size_t>(i)] & 0x00FFFFFFu));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    DefaultPalette(bytes);
    PalFile(bytes);
    return 0;
}
