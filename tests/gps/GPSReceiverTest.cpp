// The receiver against a pseudo-terminal that plays the GPS receiver, one thread cycle at
// a time.
#include "gps/AutomationDate.h"
#include "gps/GPSReceiver.h"
#include "gps/SerialOptions.h"
#include "model/Profile.h"
#include "tests/gps/GpsTestSupport.h"
#include "tests/gps/LineProbe.h"
#include "tests/support/RecordingPrompter.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <grp.h>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono;

namespace {

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";

std::string DateText(double date)
{
    const CivilDateTime t = CivilFromAutomationDate(date);
    char out[64];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return out;
}

system_clock::time_point Utc(int y, unsigned mo, unsigned d, int h, int mi, int s, int ms = 0)
{
    return sys_days{year{y} / month{mo} / day{d}} + hours{h} + minutes{mi} + seconds{s} + milliseconds{ms};
}

// A GGA sentence with its checksum, at time `hhmmss`.
std::string Gga(const std::string& hhmmss, const std::string& lat = "4807.038", const std::string& ns = "N",
                const std::string& quality = "1", const std::string& ending = "\r\n")
{
    return NmeaWithChecksum("GPGGA," + hhmmss + "," + lat + "," + ns + ",01131.000,E," + quality +
                                ",08,0.9,545.4,M,46.9,M,,",
                            ending);
}

class ReceiverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        profile.writeString("GPS Settings", "Device COM1", pty.SlavePath());
        receiver = std::make_unique<CGPSReceiver>(profile, prompter);
        auto step = std::make_unique<StepPacer>();
        pacer = step.get();
        receiver->SetCyclePacer(std::move(step));
        receiver->SetUpdatePoster([this] { fixes.Add(receiver->CopyPublishedFix()); });
        receiver->SetThreadErrorPoster([this](const std::string& text) {
            std::lock_guard<std::mutex> lock(errorsMutex);
            threadErrors.push_back(text);
        });
        receiver->SetUtcClock([this] { return now.load(); });
    }

    void TearDown() override { receiver.reset(); }

    void OpenReceiver(int protocol = kProtocolNmea)
    {
        receiver->m_nProtocol = protocol;
        ASSERT_EQ(receiver->Open(), 1);
        ASSERT_TRUE(receiver->IsOpen());
        ASSERT_TRUE(prompter.ids.empty());
    }

    // One cycle that finds `bytes` waiting.
    void Cycle(const std::string& bytes = "")
    {
        if (!bytes.empty())
            pty.Feed(bytes);
        ASSERT_TRUE(pacer->Run(1));
    }

    MemoryProfile profile;
    RecordingPrompter prompter;
    PtyPair pty;
    FixRecorder fixes;
    std::atomic<system_clock::time_point> now{Utc(2024, 5, 6, 12, 0, 0)};
    std::mutex errorsMutex;
    std::vector<std::string> threadErrors;
    std::unique_ptr<CGPSReceiver> receiver;
    StepPacer* pacer = nullptr;
};

} // namespace

TEST_F(ReceiverTest, GgaSentencePublishesItsPosition)
{
    OpenReceiver();
    Cycle(kGga + "\r\n");
    const auto published = fixes.Take();
    ASSERT_EQ(published.size(), 1u);
    const CGPSFix& f = published[0];
    EXPECT_NEAR(f.latitude, 48.1173, 1e-12);
    EXPECT_EQ(f.ns, "N");
    EXPECT_NEAR(f.longitude, 11.5166667, 5e-8);
    EXPECT_EQ(f.ew, "E");
    EXPECT_DOUBLE_EQ(f.altitude, 545.4);
    EXPECT_EQ(f.hdop, 0.9f);
    EXPECT_EQ(DateText(f.dateTime), "2024-05-06 12:35:19");

    EXPECT_EQ(receiver->CopyPositionSentence(), kGga);
    EXPECT_EQ(receiver->GetTimeText(), "12:35:19");
    EXPECT_EQ(receiver->GetFixQuality(), 1);
    EXPECT_EQ(receiver->GetLatHemisphere(), "N");
    EXPECT_EQ(receiver->GetLonHemisphere(), "E");
}

TEST_F(ReceiverTest, QualityZeroOrNonePublishesAnEmptyFix)
{
    OpenReceiver();
    for (const std::string quality : {"0", ""}) {
        Cycle(Gga(quality.empty() ? "123520" : "123519", "4807.038", "N", quality));
        const auto published = fixes.Take();
        ASSERT_EQ(published.size(), 1u) << "quality '" << quality << "'";
        EXPECT_FALSE(published[0].HasPosition());
        EXPECT_EQ(published[0].latitude, 0.0);
        EXPECT_EQ(published[0].longitude, 0.0);
        EXPECT_EQ(published[0].dateTime, 0.0);
        EXPECT_EQ(published[0].ns, "");
        EXPECT_EQ(published[0].ew, "");
    }
}

TEST_F(ReceiverTest, ElevenEmptyCyclesPublishOneEmptyFix)
{
    OpenReceiver();
    Cycle(kGga + "\r\n");
    ASSERT_EQ(fixes.Take().size(), 1u);
    ASSERT_TRUE(pacer->Run(10));
    EXPECT_EQ(fixes.Count(), 0u) << "ten empty cycles are not yet silence";
    ASSERT_TRUE(pacer->Run(1));
    auto published = fixes.Take();
    ASSERT_EQ(published.size(), 1u);
    EXPECT_EQ(published[0].latitude, 0.0);
    ASSERT_TRUE(pacer->Run(10));
    EXPECT_EQ(fixes.Count(), 0u) << "the count starts again";
    ASSERT_TRUE(pacer->Run(1));
    EXPECT_EQ(fixes.Count(), 1u);
}

TEST_F(ReceiverTest, SatelliteSentencesKeepTheReceiverAlive)
{
    OpenReceiver();
    ASSERT_TRUE(pacer->Run(10));
    Cycle("$GPGSV,3,3,09,15,08,176,00*4C\r\n");
    ASSERT_TRUE(pacer->Run(10));
    EXPECT_EQ(fixes.Count(), 0u);
    ASSERT_TRUE(pacer->Run(1));
    EXPECT_EQ(fixes.Count(), 1u);
}

TEST_F(ReceiverTest, CorruptedSentencesAreIgnored)
{
    OpenReceiver();
    std::string corrupted = Gga("123519");
    corrupted[20] = '9';
    Cycle(corrupted);
    EXPECT_EQ(fixes.Count(), 0u);
    EXPECT_EQ(receiver->CopyPositionSentence(), "");
    ASSERT_TRUE(pacer->Run(10));
    EXPECT_EQ(fixes.Count(), 1u) << "a corrupted sentence is no sign of life";
}

TEST_F(ReceiverTest, DegreesAndMinutes)
{
    OpenReceiver();
    Cycle(Gga("123519", "3600.5"));
    EXPECT_NEAR(receiver->GetLatitude(), 36.0083333, 5e-8);
    Cycle(Gga("123520", "36000"));
    EXPECT_EQ(receiver->GetLatitude(), 36000.0);
    Cycle(Gga("123521", "-4807.038"));
    EXPECT_NEAR(receiver->GetLatitude(), -48.1173, 1e-12);
}

TEST_F(ReceiverTest, DateAroundMidnightFollowsTheReceiver)
{
    OpenReceiver();
    now = Utc(2024, 5, 6, 23, 59, 59, 500);
    Cycle(Gga("000000"));
    now = Utc(2024, 5, 7, 0, 0, 1);
    Cycle(Gga("235959"));
    now = Utc(2024, 5, 7, 10, 0, 0);
    Cycle(Gga("093000"));
    const auto published = fixes.Take();
    ASSERT_EQ(published.size(), 3u);
    EXPECT_EQ(DateText(published[0].dateTime), "2024-05-07 00:00:00") << "the receiver is past midnight already";
    EXPECT_EQ(DateText(published[1].dateTime), "2024-05-06 23:59:59") << "the fix is from before midnight";
    EXPECT_EQ(DateText(published[2].dateTime), "2024-05-07 09:30:00");
}

TEST_F(ReceiverTest, ATimeThatIsNoneGivesNoDate)
{
    OpenReceiver();
    Cycle(Gga("256100"));
    const auto published = fixes.Take();
    ASSERT_EQ(published.size(), 1u);
    EXPECT_TRUE(published[0].HasPosition()) << "the position stands";
    EXPECT_EQ(published[0].dateTime, 0.0);
}

TEST_F(ReceiverTest, TsipPacketsPublishTheirPosition)
{
    OpenReceiver(kProtocolTsip);
    EXPECT_EQ(receiver->GetFixQuality(), 1);
    const std::string sync = "\x55\x10\x03";
    const float lat = static_cast<float>(48.1173 / 180 * 3.1415926535898);
    const float lon = static_cast<float>(11.5166667 / 180 * 3.1415926535898);
    const std::string position = TsipPacket(0x4a, BigEndianFloats({lat, lon, 2.25f, 0.0f, 93784.5f}));
    const std::string dilution = TsipPacket(0x6d, {0x04, 0x3f, 0xc0, 0x00, 0x00, 0x40, 0x10, 0x00, 0x00, 0x3f, 0x80,
                                                   0x00, 0x00, 0x3f, 0x4c, 0xcc, 0xcd});
    ASSERT_NE(position.find("\x10\x10"), std::string::npos) << "the altitude holds a stuffed byte";
    Cycle(sync + dilution + position);
    const auto published = fixes.Take();
    ASSERT_EQ(published.size(), 1u);
    const CGPSFix& f = published[0];
    EXPECT_NEAR(f.latitude, 48.1173, 1e-5);
    EXPECT_NEAR(f.longitude, 11.5166667, 1e-5);
    EXPECT_EQ(f.altitude, 2.25);
    EXPECT_EQ(f.hdop, 2.25f);
    EXPECT_EQ(f.ns, "");
    EXPECT_EQ(f.ew, "");
    EXPECT_EQ(DateText(f.dateTime), "2024-05-06 02:03:04");
    EXPECT_EQ(receiver->GetTsipTimeText(), "02:03:04");

    // South and west are signed; a dilution report alone publishes nothing.
    Cycle(TsipPacket(0x4a, BigEndianFloats({-0.5f, -1.0f, 10.0f, 0.0f, 604800.0f})));
    Cycle(dilution);
    const auto more = fixes.Take();
    ASSERT_EQ(more.size(), 1u);
    EXPECT_LT(more[0].latitude, 0.0);
    EXPECT_LT(more[0].longitude, 0.0);
    EXPECT_EQ(receiver->GetTsipTimeText(), "00:00:00") << "a week's seconds wrap like any other day";
}

TEST_F(ReceiverTest, NegativeTimeOfFixGivesNoDate)
{
    OpenReceiver(kProtocolTsip);
    Cycle("\x10\x03" + TsipPacket(0x4a, BigEndianFloats({0.5f, 0.5f, 1.0f, 0.0f, -5.0f})));
    const auto published = fixes.Take();
    ASSERT_EQ(published.size(), 1u);
    EXPECT_EQ(published[0].dateTime, 0.0);
}

TEST_F(ReceiverTest, UnpluggedReceiverGoesSilent)
{
    OpenReceiver();
    Cycle(kGga + "\r\n");
    ASSERT_EQ(fixes.Take().size(), 1u);
    pty.CloseMaster();
    ASSERT_TRUE(pacer->Run(11));
    const auto published = fixes.Take();
    ASSERT_EQ(published.size(), 1u);
    EXPECT_EQ(published[0].latitude, 0.0);
    receiver->Close();
    EXPECT_FALSE(receiver->IsOpen());
}

// Every position of a recorded receiver stream, fed one reporting cycle per read, against
// what an independent decoder made of the same recording.
class RecordedStreamTest : public ReceiverTest, public ::testing::WithParamInterface<const char*> {
};

namespace {

struct Reference {
    double lat, lon, alt;
    std::string time; // "HH:MM:SS" of the report, "" when it had none
};

double JsonNumber(const std::string& line, const std::string& key, bool& found)
{
    const std::size_t at = line.find("\"" + key + "\":");
    found = at != std::string::npos;
    return found ? std::atof(line.c_str() + at + key.size() + 3) : 0.0;
}

// Position sentence → the first report with a position that followed it.
std::map<std::string, Reference> ReferencePositions(const std::string& recording)
{
    std::map<std::string, Reference> out;
    const auto lines = SplitKeepingLf(RecordedCheckFile(recording));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("$GPGGA", 0) != 0)
            continue;
        const std::string sentence = lines[i].substr(0, lines[i].find_last_not_of("\r\n") + 1);
        for (std::size_t j = i + 1; j < lines.size() && lines[j].rfind("$GPGGA", 0) != 0; ++j) {
            bool hasLat, hasLon, hasAlt;
            const std::string& l = lines[j];
            if (l.find("\"class\":\"TPV\"") == std::string::npos)
                continue;
            Reference r{JsonNumber(l, "lat", hasLat), JsonNumber(l, "lon", hasLon), JsonNumber(l, "altMSL", hasAlt), ""};
            if (!hasAlt)
                r.alt = JsonNumber(l, "alt", hasAlt);
            if (!hasLat || !hasLon)
                continue;
            const std::size_t t = l.find("\"time\":\"");
            if (t != std::string::npos)
                r.time = l.substr(t + 8 + 11, 8);
            out.emplace(sentence, r);
            break;
        }
    }
    return out;
}

std::string CommaField(const std::string& line, int k)
{
    std::size_t start = 0;
    for (int i = 0; i < k && start != std::string::npos; ++i) {
        start = line.find(',', start);
        if (start != std::string::npos)
            ++start;
    }
    if (start == std::string::npos)
        return "";
    return line.substr(start, line.find(',', start) - start);
}

bool ChecksumMatches(const std::string& line)
{
    const std::size_t star = line.rfind('*');
    if (star == std::string::npos || star + 3 > line.size())
        return star == std::string::npos;
    unsigned sum = 0;
    for (std::size_t i = 1; i < star; ++i)
        sum ^= static_cast<unsigned char>(line[i]);
    return std::strtoul(line.substr(star + 1, 2).c_str(), nullptr, 16) == sum;
}

} // namespace

TEST_P(RecordedStreamTest, PositionsMatchTheReference)
{
    const std::string name = GetParam();
    const auto reference = ReferencePositions(name);
    OpenReceiver();

    // One read per reporting cycle: the lines from one position sentence to the next.
    std::vector<std::string> reads(1);
    for (const std::string& line : SplitKeepingLf(RecordedStream(name))) {
        if (line.rfind("$GPGGA", 0) == 0)
            reads.emplace_back();
        reads.back() += line;
    }
    std::string stored;
    int expectedPositions = 0, expectedEmpty = 0;
    for (const std::string& read : reads) {
        ASSERT_LT(read.size(), 4000u);
        fixes.Take();
        if (!read.empty())
            Cycle(read);
        const std::string sentence = read.substr(0, read.find('\n'));
        if (sentence.rfind("$GPGGA", 0) != 0 || !ChecksumMatches(sentence) || sentence == stored) {
            EXPECT_EQ(fixes.Count(), 0u) << read;
            continue;
        }
        stored = sentence;
        const auto published = fixes.Take();
        ASSERT_EQ(published.size(), 1u) << sentence;
        const CGPSFix& f = published[0];
        if (std::atoi(CommaField(sentence, 6).c_str()) <= 0) {
            EXPECT_EQ(f.latitude, 0.0) << sentence;
            ++expectedEmpty;
            continue;
        }
        const auto r = reference.find(sentence);
        ASSERT_NE(r, reference.end()) << "no reference for " << sentence;
        EXPECT_NEAR(f.SignedLatitude(), r->second.lat, 5e-9) << sentence;
        EXPECT_NEAR(f.SignedLongitude(), r->second.lon, 5e-9) << sentence;
        EXPECT_NEAR(f.altitude, r->second.alt, 1e-6) << sentence;
        if (!r->second.time.empty()) {
            EXPECT_EQ(DateText(f.dateTime).substr(11), r->second.time) << sentence;
        }
        ++expectedPositions;
    }
    RecordProperty("positions", expectedPositions);
    RecordProperty("empty_fixes", expectedEmpty);
    EXPECT_GT(expectedPositions + expectedEmpty, 0);
}

INSTANTIATE_TEST_SUITE_P(Recordings, RecordedStreamTest,
                         ::testing::Values("haicom-305N.log", "sirfstarv-nmea.log", "telit-he910.log", "mtk-3301.log",
                                           "holux-gm-210.log", "garmin25lp.log", "nmea-fuzzy-cases.log"));

// Opens the receiver refuses, each with the operator's message: 57654 for a port that
// cannot be opened, 57656 for one that cannot be set up as asked.
TEST_F(ReceiverTest, OpensThatCannotWorkAreRefusedAndSaySo)
{
    TempDir dir;
    WriteFileBytes(dir.file("plain"), "not a terminal");
    struct Case {
        const char* what;
        std::function<void(CGPSReceiver&)> setUp;
        int message;
    };
    const Case cases[] = {
        {"missing device", [&](CGPSReceiver&) { profile.writeString("GPS Settings", "Device COM1", dir.file("none")); },
         57654},
        {"a file", [&](CGPSReceiver&) { profile.writeString("GPS Settings", "Device COM1", dir.file("plain")); }, 57656},
        {"rate outside the table", [](CGPSReceiver& r) { r.m_nBaudIndex = 10; }, 57656},
        {"parity outside the table", [](CGPSReceiver& r) { r.m_nParityIndex = -1; }, 57656},
        {"port outside the table", [](CGPSReceiver& r) { r.m_nPort = 12; }, 57654},
    };
    for (const Case& c : cases) {
        CGPSReceiver fresh(profile, prompter);
        prompter.ids.clear();
        prompter.errors.clear();
        c.setUp(fresh);
        EXPECT_EQ(fresh.Open(), 0) << c.what;
        EXPECT_FALSE(fresh.IsOpen()) << c.what;
        EXPECT_EQ(prompter.ids, std::vector<int>{c.message}) << c.what;
        EXPECT_EQ(prompter.errors, std::vector<int>{c.message}) << c.what << ": shown as an error";
        profile.writeString("GPS Settings", "Device COM1", pty.SlavePath());
    }
}

TEST_F(ReceiverTest, OneAndAHalfStopBitsAreRefusedAndThePortIsLetGo)
{
    receiver->m_nStopBitsIndex = 1;
    EXPECT_EQ(receiver->Open(), 0);
    EXPECT_FALSE(receiver->IsOpen());
    EXPECT_EQ(prompter.ids, std::vector<int>{57656});
    // The refused open held nothing: another receiver gets the port at once.
    RecordingPrompter otherPrompter;
    CGPSReceiver other(profile, otherPrompter);
    other.SetCyclePacer(std::make_unique<StepPacer>());
    EXPECT_EQ(other.Open(), 1);
    EXPECT_TRUE(otherPrompter.ids.empty());
}

TEST_F(ReceiverTest, APortInUseIsRefused)
{
    OpenReceiver();
    RecordingPrompter otherPrompter;
    CGPSReceiver other(profile, otherPrompter);
    other.SetCyclePacer(std::make_unique<StepPacer>());
    EXPECT_EQ(other.Open(), 0);
    EXPECT_EQ(otherPrompter.ids, std::vector<int>{57654});
    receiver->Close();
    EXPECT_EQ(other.Open(), 1) << "free again after Close";
}

namespace {

// Whether another program, run by an ordinary user, can open the device now.
bool OpenableByAnotherProgram(const std::string& path)
{
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                               setresuid(65534, 65534, 65534) != 0))
            _exit(3);
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        _exit(fd >= 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

TEST_F(ReceiverTest, OtherProgramsAreKeptOutWhileOpenOnly)
{
    ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0666), 0);
    ASSERT_TRUE(OpenableByAnotherProgram(pty.SlavePath()));
    OpenReceiver();
    EXPECT_FALSE(OpenableByAnotherProgram(pty.SlavePath())) << "the receiver has the port";
    receiver->Close();
    EXPECT_TRUE(OpenableByAnotherProgram(pty.SlavePath())) << "closed: free again";
    receiver->m_nStopBitsIndex = 1;
    EXPECT_EQ(receiver->Open(), 0);
    EXPECT_TRUE(OpenableByAnotherProgram(pty.SlavePath())) << "a refused open leaves the port as it was";
}

TEST_F(ReceiverTest, EveryRateReachesTheDevice)
{
    for (std::size_t i = 0; i < GPSBaudRates.size(); ++i) {
        receiver->m_nBaudIndex = static_cast<int>(i);
        ASSERT_EQ(receiver->Open(), 1) << GPSBaudRates[i];
        ProbedLine line;
        ASSERT_TRUE(ProbeLine(pty.SlaveFd(), line));
        EXPECT_EQ(line.ospeed, static_cast<unsigned>(GPSBaudRates[i]));
        EXPECT_EQ(line.otherRate, GPSBaudRates[i] == 14400 || GPSBaudRates[i] == 56000) << GPSBaudRates[i];
        receiver->Close();
    }
    // Parity and data bits are accepted although a pseudo-terminal keeps neither.
    receiver->m_nParityIndex = 3;
    receiver->m_nDataBitsIndex = 1;
    EXPECT_EQ(receiver->Open(), 1);
    EXPECT_TRUE(prompter.ids.empty());
}

TEST_F(ReceiverTest, EnableOpensOnceAndCloseLeavesNoThread)
{
    const int before = ThreadCount();
    receiver->Enable(true);
    ASSERT_TRUE(receiver->IsOpen());
    EXPECT_EQ(ThreadCountReaching(before + 1), before + 1);
    receiver->Enable(true);
    EXPECT_EQ(ThreadCountReaching(before + 1), before + 1) << "on while open changes nothing";
    receiver->Enable(false);
    EXPECT_FALSE(receiver->IsOpen());
    EXPECT_EQ(ThreadCountReaching(before), before);
    receiver->Enable(false);
    receiver->Close();
    EXPECT_FALSE(receiver->IsOpen());
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(receiver->Open(), 1);
        ASSERT_EQ(receiver->Open(), 1) << "reopening replaces the thread";
        EXPECT_EQ(ThreadCountReaching(before + 1), before + 1);
        receiver->Close();
    }
    EXPECT_EQ(ThreadCountReaching(before), before);
}

TEST_F(ReceiverTest, StopRunningEndsTheThreadButKeepsThePort)
{
    OpenReceiver();
    const int open = ThreadCount();
    receiver->StopRunning();
    EXPECT_FALSE(pacer->Run(1)) << "no more cycles";
    EXPECT_TRUE(receiver->IsOpen());
    receiver->Close();
    EXPECT_EQ(ThreadCountReaching(open - 1), open - 1);
}

TEST_F(ReceiverTest, CloseCutsAPendingReadShort)
{
    // A read that would wait an hour for the next byte: Close must end it, or this test
    // hangs until the test runner gives up.
    receiver->SetReadTimes(3600 * 1000, 3600 * 1000);
    const int before = ThreadCount();
    for (int i = 0; i < 3; ++i) {
        OpenReceiver();
        pty.Feed("$GPGSV,3,3,09,15,08,176,00*4C\r\n"); // a byte or more keeps the read going
        ASSERT_TRUE(pacer->Begin());
        receiver->Close();
        EXPECT_EQ(ThreadCountReaching(before), before);
    }
}

TEST(Receiver, SettingsOutsideTheirTablesBecomeDefaults)
{
    MemoryProfile profile;
    RecordingPrompter prompter;
    CGPSReceiver receiver(profile, prompter);
    GpsSettingsTarget::Values v;
    v.port = 12;
    v.protocol = 7;
    v.baudIndex = -1;
    v.dataBitsIndex = 3;
    v.parityIndex = 5;
    v.stopBitsIndex = 3;
    v.outputFormat = 9;
    receiver.SetGpsValues(v);
    const GpsSettingsTarget::Values got = receiver.GetGpsValues();
    EXPECT_EQ(got.port, 0);
    EXPECT_EQ(got.protocol, 7) << "kept as stored";
    EXPECT_EQ(got.baudIndex, 5);
    EXPECT_EQ(got.dataBitsIndex, 2);
    EXPECT_EQ(got.parityIndex, 2);
    EXPECT_EQ(got.stopBitsIndex, 0);
    EXPECT_EQ(got.outputFormat, 9) << "kept as stored";

    v = GpsSettingsTarget::Values{};
    v.port = 11;
    v.protocol = 0;
    v.baudIndex = 9;
    v.dataBitsIndex = 0;
    v.parityIndex = 4;
    v.stopBitsIndex = 2;
    v.outputFormat = 3;
    receiver.SetGpsValues(v);
    const GpsSettingsTarget::Values back = receiver.GetGpsValues();
    EXPECT_EQ(back.port, 11);
    EXPECT_EQ(back.protocol, 0);
    EXPECT_EQ(back.baudIndex, 9);
    EXPECT_EQ(back.dataBitsIndex, 0);
    EXPECT_EQ(back.parityIndex, 4);
    EXPECT_EQ(back.stopBitsIndex, 2);
    EXPECT_EQ(back.outputFormat, 3);
}
