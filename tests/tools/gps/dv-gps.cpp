// dv-gps: runs the program's GPS receiver on a serial device and prints every fix it
// publishes.
//
// Usage:
//   dv-gps --device PATH [--protocol nmea|tsip] [--baud N] [--seconds S]
//   dv-gps --help          this text on stdout
//
//   --device PATH      the serial device (a pseudo-terminal works: see dv-gps-feed)
//   --protocol P       nmea (default) or tsip
//   --baud N           one of the receiver's rates: 1200 2400 4800 9600 14400 19200 (default)
//                      38400 56000 57600 115200; 8 data bits, no parity, 1 stop bit
//   --seconds S        how long to receive, whole seconds (default 10)
//
// stdout: one line per published fix: latitude, its hemisphere letter (or "-"), longitude,
// its letter (or "-"), altitude, HDOP, date and time (UTC):
//   48.1173000 N 11.5166667 E 545.400 0.900 2024-05-06 12:35:19
// A fix without position (receiver silent, no fix) prints latitude and longitude 0.
// stderr: the messages the operator would be shown ("message 57654 Unable to open the
// serial port").
// Exit status: 0 after S seconds of reception, 1 when the port could not be opened, 2 for a
// usage error.

#include "gps/AutomationDate.h"
#include "gps/GPSReceiver.h"
#include "gps/SerialOptions.h"
#include "model/Profile.h"
#include "model/Prompter.h"
#include "model/StringTable.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace {

const char kUsage[] =
    "usage: dv-gps --device PATH [--protocol nmea|tsip] [--baud N] [--seconds S]\n";

class StderrPrompter : public Prompter {
public:
    void message(int id) override { std::fprintf(stderr, "message %d %s\n", id, MessageText(id)); }
    bool askYesNo(int id) override
    {
        message(id);
        return false;
    }
    void messageText(const std::string& text) override { std::fprintf(stderr, "message %s\n", text.c_str()); }
};

std::string Letter(const std::string& s)
{
    return s.empty() ? "-" : s;
}

bool ParseInt(const char* text, int& out)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < 0 || v > 1000000)
        return false;
    out = static_cast<int>(v);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::string device;
    int protocol = kProtocolNmea;
    int baud = 19200;
    int seconds = 10;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--device" && hasValue) {
            device = argv[++i];
        } else if (arg == "--protocol" && hasValue) {
            const std::string p = argv[++i];
            if (p == "nmea")
                protocol = kProtocolNmea;
            else if (p == "tsip")
                protocol = kProtocolTsip;
            else {
                std::fputs(kUsage, stderr);
                return 2;
            }
        } else if (arg == "--baud" && hasValue) {
            if (!ParseInt(argv[++i], baud)) {
                std::fputs(kUsage, stderr);
                return 2;
            }
        } else if (arg == "--seconds" && hasValue) {
            if (!ParseInt(argv[++i], seconds)) {
                std::fputs(kUsage, stderr);
                return 2;
            }
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    int baudIndex = -1;
    for (std::size_t i = 0; i < GPSBaudRates.size(); ++i)
        if (GPSBaudRates[i] == baud)
            baudIndex = static_cast<int>(i);
    if (device.empty() || baudIndex < 0) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    MemoryProfile profile;
    profile.writeString("GPS Settings", "Device COM1", device);
    StderrPrompter prompter;
    CGPSReceiver receiver(profile, prompter);
    std::mutex printing;
    receiver.SetUpdatePoster([&] {
        const CGPSFix f = receiver.CopyPublishedFix();
        const CivilDateTime t = CivilFromAutomationDate(f.dateTime);
        std::lock_guard<std::mutex> lock(printing);
        std::printf("%.7f %s %.7f %s %.3f %.3f %04d-%02d-%02d %02d:%02d:%02d\n", f.latitude, Letter(f.ns).c_str(),
                    f.longitude, Letter(f.ew).c_str(), f.altitude, static_cast<double>(f.hdop), t.year, t.month,
                    t.day, t.hour, t.minute, t.second);
        std::fflush(stdout);
    });
    receiver.SetThreadErrorPoster([&](const std::string& text) {
        std::lock_guard<std::mutex> lock(printing);
        prompter.messageText(text);
    });
    receiver.m_nProtocol = protocol;
    receiver.m_nBaudIndex = baudIndex;
    if (receiver.Open() != 1)
        return 1;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    receiver.Close();
    return 0;
}
