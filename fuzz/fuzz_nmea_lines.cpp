// Feeds arbitrary bytes to the NMEA line splitter, in reads of sizes the input chooses, and
// every line to the sentence reader. Whatever the reads, the lines must be the same as when
// the bytes come in one piece, and nothing the reader keeps may break the sentence rules.
#include "gps/NmeaLineSplitter.h"
#include "gps/NmeaSentence.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::uint8_t* data, std::size_t size, const std::uint8_t* cuts,
                               std::size_t cutCount)
{
    static CNmeaLineSplitter splitter; // large: keep it off the stack
    splitter.Reset();
    std::vector<std::string> lines;
    std::size_t done = 0, cut = 0;
    while (done < size) {
        std::size_t n = size - done;
        if (cutCount > 0)
            n = std::min<std::size_t>(n, 1 + cuts[cut++ % cutCount] * 7u);
        n = std::min(n, splitter.Room());
        std::memcpy(splitter.Space(), data + done, n);
        splitter.Commit(n, [&](std::string_view line) { lines.emplace_back(line); });
        done += n;
        if (splitter.Tail() >= CNmeaLineSplitter::kLineLimit)
            std::abort();
    }
    return lines;
}

bool StartsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t cutCount = std::min<std::size_t>(data[0] % 16, size - 1);
    const std::uint8_t* cuts = data + 1;
    const std::uint8_t* stream = data + 1 + cutCount;
    const std::size_t streamSize = size - 1 - cutCount;

    const std::vector<std::string> whole = Lines(stream, streamSize, nullptr, 0);
    const std::vector<std::string> pieces = Lines(stream, streamSize, cuts, cutCount);
    if (whole != pieces)
        std::abort();

    for (const std::string& line : whole) {
        if (line.size() >= CNmeaLineSplitter::kLineLimit || line.find('\n') != std::string::npos)
            std::abort();
        const NmeaLineEffect effect = ClassifyNmeaLine(line);
        if (effect.recognised && (CheckNmeaChecksum(line) == NmeaChecksum::Bad || line.find('\0') != std::string::npos))
            std::abort();
        if (effect.setsPosition && !StartsWith(effect.position, "$GPGGA") && !StartsWith(effect.position, "$GPLLQ") &&
            !StartsWith(effect.position, "37=") && !StartsWith(effect.position, "38=") &&
            !StartsWith(effect.position, "39="))
            std::abort();
        if (effect.position.size() > line.size())
            std::abort();
        if (!effect.setsPosition)
            continue;
        for (int k = 0; k < 12; ++k) {
            const std::string field = GetNmeaField(effect.position, k, false);
            const double value = NmeaNumber(field);
            if (value != value)
                std::abort(); // numbers of a sentence are never NaN
            GetNmeaField(line, k, true);
        }
    }
    return 0;
}
