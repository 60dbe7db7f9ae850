// dv-gps and dv-gps-feed, run as a reviewer runs them.
#include "tests/support/TempDir.h"
#include "tests/tools/gps/ToolRunner.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace tool_runner;

namespace {

// The last printed fix that has a position (once the recording ends, the receiver goes
// silent and an empty fix follows).
std::string LastPosition(const std::string& text)
{
    std::string last, line;
    for (char c : text) {
        if (c != '\n') {
            line += c;
            continue;
        }
        if (line.rfind("0.0000000 - ", 0) != 0)
            last = line;
        line.clear();
    }
    return last;
}

} // namespace

TEST(DvGps, RefusesWhatItCannotDo)
{
    EXPECT_EQ(RunTool({Tool("dv-gps")}).status, 2) << "no device";
    EXPECT_EQ(RunTool({Tool("dv-gps"), "--device", "/dev/null", "--baud", "12345"}).status, 2);
    EXPECT_EQ(RunTool({Tool("dv-gps"), "--device", "/dev/null", "--protocol", "sirf"}).status, 2);
    TempDir dir;
    const Outcome missing = RunTool({Tool("dv-gps"), "--device", dir.file("none"), "--seconds", "0"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "message 57654 Unable to open the serial port\n");
    EXPECT_EQ(missing.out, "");
}

// A recording played into a pseudo-terminal reaches dv-gps: the last position of the
// recording is the last position printed.
TEST(DvGps, ReceivesARecordingPlayedByTheFeeder)
{
    TempDir dir;
    const std::string link = dir.file("gps");
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const int devNull = open("/dev/null", O_RDWR);
    const pid_t feeder = Spawn({Tool("dv-gps-feed"), "--log", std::string(DELVORA_TESTDATA) + "/gps/sirfstarv-nmea.log",
                                "--link", link, "--interval-ms", "0", "--crlf", "--hold"},
                               devNull, pipeFds[1], 2);
    close(pipeFds[1]);
    char ready[16] = {};
    ASSERT_GT(read(pipeFds[0], ready, sizeof ready - 1), 0);
    close(pipeFds[0]);
    ASSERT_EQ(std::string(ready), "ready\n");

    const Outcome o = RunTool({Tool("dv-gps"), "--device", link, "--seconds", "3"});
    kill(feeder, SIGTERM);
    int status = 0;
    waitpid(feeder, &status, 0);
    close(devNull);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(access(link.c_str(), F_OK), -1) << "the feeder removes its link";

    EXPECT_EQ(o.status, 0) << o.err;
    // The recording ends with $GPGGA,021033.000,4404.1356,N,12118.8555,W,1,10,0.6,1124.7,...;
    // its reference decode is 44.068926667, -121.314258333.
    const std::string last = LastPosition(o.out);
    ASSERT_GT(last.size(), 8u) << o.out;
    EXPECT_EQ(last.substr(0, last.rfind(' ', last.rfind(' ') - 1)), "44.0689267 N 121.3142583 W 1124.700 0.600")
        << o.out;
    EXPECT_EQ(last.substr(last.size() - 8), "02:10:33");
}
