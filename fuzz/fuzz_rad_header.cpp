// Feeds arbitrary bytes to the .rad header reader, then writes what it made of them and
// reads that again: the written file must be 38 CR LF lines and must give back the same
// texts, counts and flags.
#include "model/RadHeader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// The run's own folder under /tmp, removed again when the run ends.
char g_folder[] = "/tmp/delvora-fuzz-rad-XXXXXX";

std::string Folder()
{
    static const bool made = [] {
        if (!mkdtemp(g_folder))
            std::abort();
        std::atexit([] { std::filesystem::remove_all(g_folder); });
        return true;
    }();
    (void)made;
    return g_folder;
}

void Put(const std::string& path, const std::string& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0)
        std::abort();
}

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string path = Folder() + "/in.rad";
    Put(path, std::string(reinterpret_cast<const char*>(data), size));

    CRadHeader first;
    first.m_strPath = path;
    Check(first.Read() == 0);
    for (const std::string* text : {&first.m_strCustomer, &first.m_strOperator, &first.m_strSite,
                                    &first.m_strComment, &first.m_strAntennas})
        Check(text->size() <= CRadHeader::kTextMax);
    Check(first.m_strWheelName.size() <= CRadHeader::kWheelNameMax);
    Check(first.m_fAntennaSeparation >= 0.01f);

    const std::string text = first.Format();
    int lines = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            Check(i > 0 && text[i - 1] == '\r');
            ++lines;
        } else if (text[i] == '\r') {
            Check(i + 1 < text.size() && text[i + 1] == '\n');
        }
    }
    Check(lines == 38 && text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0);

    const std::string again = Folder() + "/again.rad";
    Put(again, text);
    CRadHeader second = first;
    second.m_strPath = again;
    Check(second.Read() == 0);
    Check(second.m_nSamples == first.m_nSamples && second.m_nFrequencySteps == first.m_nFrequencySteps &&
          second.m_nStacks == first.m_nStacks && second.m_nSignalPosition == first.m_nSignalPosition &&
          second.m_nLastTrace == first.m_nLastTrace && second.m_nDirection == first.m_nDirection &&
          second.m_nAntennaClass == first.m_nAntennaClass);
    Check(second.m_strCustomer == first.m_strCustomer && second.m_strOperator == first.m_strOperator &&
          second.m_strSite == first.m_strSite && second.m_strComment == first.m_strComment &&
          second.m_strAntennas == first.m_strAntennas && second.m_strWheelName == first.m_strWheelName);
    // The file keeps only the kind of a time trigger, not its value.
    if (first.m_nTriggerMode <= 128 || first.m_nTriggerMode == 255)
        Check(second.m_nTriggerMode == first.m_nTriggerMode);
    return 0;
}
