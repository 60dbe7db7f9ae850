// The settings files of a first start, byte for byte, as the tests of the files and of the
// tools that write them expect them.
#pragma once

#include <string>

namespace golden {

inline const char* const kDefaultChannel =
    "PRESET NAME:New preset\r\nCHANNEL ACTIVE:0\r\nANTENNA SEPARATION:0.100000\r\nSAMPLES:400\r\n"
    "FREQUENCY STEPS:2\r\nSTACKS:2\r\nTIME INTERVAL:1.000000\r\nDISTANCE INTERVAL:0.200000\r\n"
    "SIGNAL POSITION:2048\r\nRAMP INDEX:1\r\nEM SENSOR:0\r\nTIME ZERO:30\r\n";

inline const char* const kDefaultGlobals =
    "COUNTRY:0\r\nBEEPER:0\r\nMISSED TRACE MODE:1\r\nAUTOSTACK:0\r\nTRIG TYPE:0\r\n"
    "WHEEL SOURCE:0\r\nMEASUREMENT DIRECTION:0\r\nMEASUREMENT UNITS:\r\nBIDIRECTIONAL:0\r\n"
    "DCMEASFILT:1\r\n";

inline const char* const kDefaultPreset =
    "PRESET NAME:500 MHz shielded\r\nANTENNA SEPARATION:0.160000\r\nSAMPLES:400\r\n"
    "FREQUENCY STEPS:8\r\nSTACKS:2\r\nTIME INTERVAL:0.100000\r\nDISTANCE INTERVAL:0.100000\r\n"
    "SIGNAL POSITION:128\r\nRAMP INDEX:1\r\nEM SENSOR:0\r\n";

inline std::string Repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

// last_used_param of a first start: the default channel 16 times.
inline std::string DefaultLastUsed() { return Repeat(kDefaultChannel, 16); }

} // namespace golden
