// Feeds arbitrary bytes to the .rad header reader, then writes what it made of them and
// reads that again: the written file must be 38 CR LF lines and must give back the same
// texts, counts and flags.
#include "fuzz/FuzzScratch.h"
#include "model/RadHeader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>


extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string path = fuzz::ScratchFolder("rad") + "/in.rad";
    fuzz::PutFile(path, std::string(reinterpret_cast<const char*>(data), size));

    CRadHeader first;
    first.m_strPath = path;
    fuzz::Check(first.Read() == 0);
    for (const std::string* text : {&first.m_strCustomer, &first.m_strOperator, &first.m_strSite,
                                    &first.m_strComment, &first.m_strAntennas})
        fuzz::Check(text->size() <= CRadHeader::kTextMax);
    fuzz::Check(first.m_strWheelName.size() <= CRadHeader::kWheelNameMax);
    fuzz::Check(first.m_fAntennaSeparation >= 0.01f);

    const std::string text = first.Format();
    int lines = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            fuzz::Check(i > 0 && text[i - 1] == '\r');
            ++lines;
        } else if (text[i] == '\r') {
            fuzz::Check(i + 1 < text.size() && text[i + 1] == '\n');
        }
    }
    fuzz::Check(lines == 38 && text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0);

    const std::string again = fuzz::ScratchFolder("rad") + "/again.rad";
    fuzz::PutFile(again, text);
    CRadHeader second = first;
    second.m_strPath = again;
    fuzz::Check(second.Read() == 0);
    fuzz::Check(second.m_nSamples == first.m_nSamples && second.m_nFrequencySteps == first.m_nFrequencySteps &&
          second.m_nStacks == first.m_nStacks && second.m_nSignalPosition == first.m_nSignalPosition &&
          second.m_nLastTrace == first.m_nLastTrace && second.m_nDirection == first.m_nDirection &&
          second.m_nAntennaClass == first.m_nAntennaClass);
    fuzz::Check(second.m_strCustomer == first.m_strCustomer && second.m_strOperator == first.m_strOperator &&
          second.m_strSite == first.m_strSite && second.m_strComment == first.m_strComment &&
          second.m_strAntennas == first.m_strAntennas && second.m_strWheelName == first.m_strWheelName);
    // The file keeps only the kind of a time trigger, not its value.
    if (first.m_nTriggerMode <= 128 || first.m_nTriggerMode == 255)
        fuzz::Check(second.m_nTriggerMode == first.m_nTriggerMode);
    return 0;
}
