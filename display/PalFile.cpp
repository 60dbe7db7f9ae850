#include "display/PalFile.h"

#include "model/TextFile.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace pal {

std::string Format(const Entries& entries)
{
    std::string bytes;
    bytes.reserve(4 * kEntries);
    for (std::uint32_t e : entries)
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<char>((e >> shift) & 0xFF));
    return bytes;
}

int Parse(std::string_view bytes, Entries& entries)
{
    const int whole = static_cast<int>(std::min<std::size_t>(bytes.size() / 4, kEntries));
    for (int i = 0; i < whole; ++i) {
        const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + 4 * i);
        // The top byte of a colour word is not part of the colour.
        entries[static_cast<std::size_t>(i)] =
            std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16;
    }
    return whole;
}

bool Load(const std::string& path, Entries& entries)
{
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return false;
    // Only the first 64 entries count: nothing further is read.
    std::string bytes(4 * kEntries, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad())
        return false;
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    Parse(bytes, entries);
    return true;
}

bool Save(const std::string& path, const Entries& entries)
{
    return SaveFileAtomically(path, Format(entries));
}

namespace {

int Component(std::uint32_t colour, int shift)
{
    return static_cast<int>((colour >> shift) & 0xFF);
}

void FillBetween(Entries& entries, int p, int k)
{
    const std::uint32_t from = entries[static_cast<std::size_t>(p)];
    const std::uint32_t to = entries[static_cast<std::size_t>(k)];
    for (int j = 1; j < k - p; ++j) {
        std::uint32_t colour = 0;
        for (int shift : {0, 8, 16}) {
            // Integer division truncates toward zero, as the steps are meant to.
            const int step = (Component(to, shift) - Component(from, shift)) / (k - p);
            colour |= static_cast<std::uint32_t>((Component(from, shift) + j * step) & 0xFF) << shift;
        }
        entries[static_cast<std::size_t>(p + j)] = colour;
    }
}

} // namespace

void Interpolate(Entries& entries, Marks& marks)
{
    int anchor = -1;
    for (int k = 0; k < kEntries; ++k) {
        if (!marks[static_cast<std::size_t>(k)])
            continue;
        marks[static_cast<std::size_t>(k)] = 0;
        if (anchor >= 0)
            FillBetween(entries, anchor, k);
        anchor = k;
    }
}

int LabelBase(std::int32_t gain)
{
    return 32768 / std::max<std::int32_t>(gain, 1);
}

std::string Label(int i, int labelBase)
{
    const int value = (2 * labelBase * i) / kEntries - labelBase;
    if (value == 0)
        return "0";
    char text[16];
    std::snprintf(text, sizeof text, "%+d", value);
    return text;
}

} // namespace pal
