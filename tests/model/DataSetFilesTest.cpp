#include "model/STrace.h"
#include "model/StringTable.h"
#include "tests/model/DataSetFixture.h"
#include "tests/model/SmallDisk.h"

#include <cstring>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

using Names = std::set<std::string>;

// A reader of the kind other programs use on these files: the .rad by line number and
// character offset, the .rd3 as bare little-endian samples. It shares no code with the
// program's own reader.
struct PlainReader {
    explicit PlainReader(const std::string& stem)
    {
        const std::string rad = ReadFileBytes(stem + ".rad");
        std::size_t start = 0, end;
        while ((end = rad.find("\r\n", start)) != std::string::npos) {
            lines.push_back(rad.substr(start, end - start));
            start = end + 2;
        }
        tail = rad.substr(start);
        samples = lines.size() > 0 ? std::atoi(lines[0].c_str() + 8) : -1;     // "SAMPLES:"
        traces = lines.size() > 22 ? std::atoi(lines[22].c_str() + 11) : -1;  // "LAST TRACE:"
        data = ReadFileBytes(stem + ".rd3");
    }
    std::int16_t Sample(int trace, int j) const
    {
        const std::size_t at = (static_cast<std::size_t>(trace) * static_cast<std::size_t>(samples) + j) * 2;
        const auto lo = static_cast<unsigned char>(data[at]);
        const auto hi = static_cast<unsigned char>(data[at + 1]);
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
    }

    std::vector<std::string> lines;
    std::string tail;
    int samples;
    int traces;
    std::string data;
};

class DataSetFiles : public DataSetTest {
protected:
    // A stored channel: `traces` pattern traces of `samples` samples and a header saying so.
    void StoreSet(const std::string& stem, int traces, int samples)
    {
        CRadHeader h;
        h.m_strPath = InFolder(stem + ".rad");
        h.m_nSamples = samples;
        h.m_nLastTrace = traces;
        h.m_nFrequencySteps = 5;
        h.m_nStacks = 16;
        h.m_dSystemCalibration = 0.0000031;
        h.m_nAntennaClass = 2;
        h.m_nTriggerMode = 200;
        h.m_dInterval = 0.5;
        ASSERT_EQ(h.Write(nullptr, 0, 0), 0);
        std::string bytes;
        for (int t = 0; t < traces; ++t)
            for (std::int16_t s : PatternTrace(t, samples)) {
                bytes.push_back(static_cast<char>(static_cast<std::uint16_t>(s) & 0xFF));
                bytes.push_back(static_cast<char>(static_cast<std::uint16_t>(s) >> 8));
            }
        WriteFileBytes(InFolder(stem + ".rd3"), bytes);
    }
};

} // namespace

TEST_F(DataSetFiles, NewSetHasFilesForActiveChannelsOnly)
{
    Activate(0);
    Activate(3);
    Activate(2, true); // slot B's first channel carries the sensor flag but stays inactive
    settings.m_params[3].m_bActive = 1;
    settings.m_params[2].m_bActive = 0;
    ASSERT_EQ(data.CreateFiles(Folder(), "Profile"), 0);
    EXPECT_EQ(data.GetSetName(), "Profile_0001");
    ASSERT_EQ(data.WriteHeaders(), 0);
    EXPECT_EQ(FolderFiles(), (Names{"Profile_0001_A1.rd3", "Profile_0001_A1.rad", "Profile_0001_A1.mrk",
                                    "Profile_0001_B2.rd3", "Profile_0001_B2.rad", "Profile_0001_B2.mrk",
                                    "Profile_0001_B.em"}));
    EXPECT_TRUE(gps.opened.empty()) << "no GPS log while the receiver is closed";
    EXPECT_TRUE(prompter.ids.empty());

    data.CloseFiles(true);
    ASSERT_EQ(data.CreateFiles(Folder(), "Profile"), 0);
    EXPECT_EQ(data.GetSetName(), "Profile_0002");
}

TEST_F(DataSetFiles, UnitWithoutSlotsMeasuresOnTheFirstChannel)
{
    unit.SetModular(false);
    settings.m_nCurSlot = 0;
    settings.m_nCurChannel = 1;
    Activate(0, true);
    ASSERT_EQ(data.CreateFiles(Folder(), "Z"), 0);
    ASSERT_EQ(data.WriteHeaders(), 0);
    EXPECT_EQ(FolderFiles(), (Names{"Z_0001.rd3", "Z_0001.rad", "Z_0001.mrk"}));
    EXPECT_TRUE(data.GetChannel(0).IsOpen());
}

TEST_F(DataSetFiles, GpsLogsOpenWithTheSetAndAFailureOnlyWarns)
{
    gps.receiverOpen = true;
    Activate(0);
    Activate(5);
    ASSERT_EQ(data.CreateFiles(Folder(), "G"), 0);
    EXPECT_EQ(gps.opened, (std::vector<std::string>{InFolder("G_0001_A1.cor"), InFolder("G_0001_C2.cor")}));
    EXPECT_TRUE(prompter.ids.empty());

    data.CloseFiles(true);
    gps.failOpen = true;
    ASSERT_EQ(data.CreateFiles(Folder(), "G"), 0);
    EXPECT_EQ(prompter.ids, (std::vector<int>{132, 132}));
    EXPECT_TRUE(data.GetChannel(5).IsOpen()) << "creation goes on without the log";
}

TEST_F(DataSetFiles, AFailedCreationLeavesNothingBehind)
{
    Activate(0);
    Activate(1);
    int result;
    {
        // The .rd3 files can be made, but not the 20-byte first line of a marker file.
        FileSizeLimit limit(10);
        ASSERT_TRUE(limit.ok());
        result = data.CreateFiles(Folder(), "F");
    }
    EXPECT_EQ(result, 5);
    EXPECT_EQ(prompter.ids, (std::vector<int>{155}));
    EXPECT_TRUE(FolderFiles().empty());
    EXPECT_EQ(data.GetSetName(), "");
    EXPECT_FALSE(data.GetChannel(0).IsOpen());

    EXPECT_EQ(data.CreateFiles(InFolder("missing"), "F"), 5);
    EXPECT_EQ(prompter.ids, (std::vector<int>{155, 155}));
}

TEST_F(DataSetFiles, NewSetWhoseHeadersFailIsGivenUpWithItsGpsLogs)
{
    gps.receiverOpen = true;
    Activate(0);
    Activate(1, true);
    WriteFileBytes(InFolder("H_0001_A2.cor"), "a stray log");  // passed over: the set is H_0002
    ASSERT_EQ(data.CreateFiles(Folder(), "H"), 0);
    int result;
    {
        FileSizeLimit limit(100);  // the marker lines fit, a header does not
        ASSERT_TRUE(limit.ok());
        result = data.WriteNewSetHeaders();
    }
    EXPECT_EQ(result, 6);
    EXPECT_EQ(FolderFiles(), Names{"H_0001_A2.cor"});
    EXPECT_EQ(data.GetSetName(), "");
    EXPECT_FALSE(data.GetChannel(0).IsOpen());
}

TEST_F(DataSetFiles, StoreAfterStopSyncsEveryLogAndWritesTheHeadersEitherWay)
{
    gps.receiverOpen = true;
    Activate(0);
    Activate(3);
    ASSERT_EQ(data.CreateFiles(Folder(), "S"), 0);
    ASSERT_EQ(data.WriteNewSetHeaders(), 0);
    Acquire(0, 4);
    Acquire(3, 2);
    struct Case {
        bool logFails;
        bool filesSynced;
    };
    for (const Case c : {Case{false, true}, Case{true, false}}) {
        gps.failSync = c.logFails;
        gps.synced.clear();
        const CRadarData::StopOutcome outcome = data.StoreAfterStop();
        EXPECT_EQ(outcome.filesSynced, c.filesSynced) << c.logFails;
        EXPECT_TRUE(outcome.headersWritten) << c.logFails;
        EXPECT_EQ(gps.synced, (std::vector<std::string>{InFolder("S_0001_A1.cor"), InFolder("S_0001_B2.cor")}));
        EXPECT_EQ(PlainReader(InFolder("S_0001_A1")).traces, 4) << c.logFails;
        EXPECT_EQ(PlainReader(InFolder("S_0001_B2")).traces, 2) << c.logFails;
    }
}

TEST_F(DataSetFiles, ReadOnlyFolderRefusesAnUnprivilegedUser)
{
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    Activate(0);
    const int result = RunUnprivileged([&] {
        const int rc = data.CreateFiles(Folder(), "R");
        if (rc != 5)
            return 1;
        if (prompter.ids != std::vector<int>{155})
            return 2;
        if (data.GetChannel(0).IsOpen() || !data.GetSetName().empty())
            return 3;
        return 0;
    });
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(FolderFiles().empty());
}

TEST_F(DataSetFiles, RepeatedSetsLeakNoDescriptors)
{
    Activate(0);
    Activate(1, true);
    const int before = OpenDescriptors();
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(data.CreateFiles(Folder(), "L"), 0);
    data.CloseFiles(true);
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_EQ(data.GetSetName(), "");
}

TEST_F(DataSetFiles, TracesOfAnotherLengthAreStoredAtTheHeadersLength)
{
    Activate(0);
    ASSERT_EQ(data.CreateFiles(Folder(), "P"), 0);
    ASSERT_EQ(data.WriteHeaders(), 0); // SAMPLES 400
    CChannelData& c = data.GetChannel(0);
    const auto longer = PatternTrace(0, 500);
    const auto shorter = PatternTrace(1, 300);
    ASSERT_EQ(c.AppendTrace(longer.data(), 500), 0);
    ASSERT_EQ(c.AppendTrace(shorter.data(), 300), 0);
    const std::string bytes = ReadFileBytes(c.m_strFullPath);
    ASSERT_EQ(bytes.size(), 2u * 400 * 2);
    CSTrace t(400);
    c.m_Header.m_nLastTrace = 2;
    ASSERT_EQ(c.ReadTrace(1, t), 0);
    EXPECT_EQ(t[299], PatternSample(1, 299));
    EXPECT_EQ(t[300], 0) << "a short trace is padded with zeros";
    ASSERT_EQ(c.ReadTrace(0, t), 0);
    EXPECT_EQ(t[399], PatternSample(0, 399));
}

TEST_F(DataSetFiles, FullDiskDuringATraceLeavesWholeTracesAndIsReported)
{
    Activate(0);
    ASSERT_EQ(data.CreateFiles(Folder(), "D"), 0);
    ASSERT_EQ(data.WriteHeaders(), 0);
    CChannelData& c = data.GetChannel(0);
    const auto trace = PatternTrace(0, 400);
    int stored = 0, result = 0;
    {
        FileSizeLimit limit(10 * 1024); // room for 12 traces of 800 bytes and part of the 13th
        ASSERT_TRUE(limit.ok());
        while (stored < 100 && (result = c.StoreTrace(trace.data(), 400)) == 0)
            ++stored;
    }
    EXPECT_EQ(result, 6);
    EXPECT_EQ(stored, 12);
    EXPECT_EQ(std::filesystem::file_size(c.m_strFullPath), 12u * 800) << "no part of the failed trace stays";
    EXPECT_EQ(c.GetMeaBuf().GetCount(), 12) << "the trace that was not written is not queued";
    ASSERT_EQ(c.StoreTrace(trace.data(), 400), 0) << "with room again the next trace goes on the end";
    EXPECT_EQ(std::filesystem::file_size(c.m_strFullPath), 13u * 800);
}

TEST_F(DataSetFiles, StopOnAFullDiskStillWritesTheTraceCounts)
{
    SmallDisk disk(InFolder("disk"), 256);
    if (!disk.ok())
        GTEST_SKIP() << "a tmpfs of our own needs root";
    Activate(0);
    Activate(1);
    ASSERT_EQ(data.CreateFiles(disk.file(""), "F"), 0);
    ASSERT_EQ(data.WriteHeaders(), 0);
    const auto trace = PatternTrace(0, 400);
    for (bool room = true; room;)
        for (int k : {0, 1}) {
            CChannelData& c = data.GetChannel(k);
            room = room && c.StoreTrace(trace.data(), 400) == 0;
            c.m_Header.m_nLastTrace += room ? 1 : 0;
        }

    EXPECT_EQ(data.WriteHeaders(), 0);
    for (const char* stem : {"F_0001_A1", "F_0001_A2"}) {
        const PlainReader r(disk.file(stem));
        ASSERT_GT(r.data.size(), 0u) << stem;
        EXPECT_EQ(r.traces, static_cast<int>(r.data.size() / 800)) << stem;
        ASSERT_GT(r.lines.size(), 23u) << stem;
        EXPECT_NEAR(std::atof(r.lines[23].c_str() + 14), r.traces * 0.2, 1e-6) << stem << ": " << r.lines[23];
    }
    EXPECT_EQ(FolderEntries(disk.file("")),
              (std::vector<std::string>{"F_0001_A1.mrk", "F_0001_A1.rad", "F_0001_A1.rd3", "F_0001_A2.mrk",
                                        "F_0001_A2.rad", "F_0001_A2.rd3"}));
}

TEST_F(DataSetFiles, ReadingNeverMovesTheAppendPoint)
{
    Activate(0);
    ASSERT_EQ(data.CreateFiles(Folder(), "C"), 0);
    ASSERT_EQ(data.WriteHeaders(), 0);
    Acquire(0, 10);
    ASSERT_EQ(data.WriteHeaders(), 0);
    CChannelData& c = data.GetChannel(0);
    c.GetTraceCache().Reset();
    EXPECT_EQ(c.GetTraceCache().GetTrace(2)[5], PatternSample(2, 5)); // scrolling back reloads
    CSTrace t(2048);
    ASSERT_EQ(c.ReadTrace(1, t), 0);
    Acquire(0, 5, 10); // the measurement is continued
    EXPECT_EQ(std::filesystem::file_size(c.m_strFullPath), 15u * 400 * 2);
    PlainReader r(InFolder("C_0001_A1"));
    for (int tr = 0; tr < 15; ++tr)
        ASSERT_EQ(r.Sample(tr, 399), PatternSample(tr, 399)) << "trace " << tr;
}

TEST_F(DataSetFiles, OpenCountsWholeTracesAndTakesTheHeaderIntoTheCurrentChannel)
{
    StoreSet("S_B2", 8, 400);
    {
        std::string bytes = ReadFileBytes(InFolder("S_B2.rd3"));
        bytes.resize(6000); // seven traces and half of the eighth
        WriteFileBytes(InFolder("S_B2.rd3"), bytes);
    }
    WriteFileBytes(InFolder("S_B2.mrk"), "HEADER VERSION:100\r\n3\t0\t2\r\n");
    WriteFileBytes(InFolder("S_B.em"), "0\t10\t20\t30\t40\r\n1\t11\t21\t31\t41\r\n");
    settings.m_nCurSlot = 1;
    settings.m_nCurChannel = 1;
    fileView = true;

    ASSERT_EQ(data.OpenFiles(Folder(), "S_B2.rd3"), 0);
    CChannelData& c = data.GetChannel(3);
    EXPECT_EQ(c.GetTraceCount(), 7);
    EXPECT_EQ(c.GetSamples(), 400);
    const CMeasParam& p = settings.m_params[3];
    EXPECT_EQ(p.m_nSamples, 400);
    EXPECT_EQ(p.m_nStacks, 16);
    EXPECT_EQ(p.m_nFrequencySteps, 5);
    EXPECT_EQ(p.m_nRampIndex, 2);
    EXPECT_DOUBLE_EQ(p.m_dTimeInterval, 0.5);
    EXPECT_EQ(settings.m_nTrigType, 128);
    EXPECT_DOUBLE_EQ(settings.GetSampleInterval(1, 2), 0.0000031);
    EXPECT_EQ(settings.m_params[0].m_nStacks, 2) << "slot A is left alone when another channel is current";

    CSTrace t(2048);
    ASSERT_EQ(c.ReadTrace(6, t), 0);
    EXPECT_EQ(t[399], PatternSample(6, 399));
    EXPECT_EQ(t[400], 0);
    EXPECT_EQ(c.ReadTrace(7, t), 5) << "the half trace at the end is not a trace";
    EXPECT_EQ(t[0], PatternSample(7, 0)) << "what was read is kept";
    EXPECT_EQ(t[399], 0) << "the rest is zero";
    ASSERT_EQ(data.GetMarkerFile(3).GetMarkers().size(), 1u);
    EXPECT_EQ(data.GetMarkerFile(3).GetMarkers()[0].m_nTrace, 3u);
    EXPECT_EQ(data.GetEmData(1).GetCount(), 2);
    EXPECT_EQ(data.GetEmData(1).GetValues(4)[1], 41);
    EXPECT_EQ(c.AppendTrace(t.Data(), 400), 6) << "a stored data file is opened read-only";
}

TEST_F(DataSetFiles, OpenOfAFileWithoutAWholeTraceGives3)
{
    for (const std::size_t size : {0u, 1u, 799u}) {
        StoreSet("E", 1, 400);
        std::string bytes = ReadFileBytes(InFolder("E.rd3"));
        bytes.resize(size);
        WriteFileBytes(InFolder("E.rd3"), bytes);
        const int stacks = settings.m_params[0].m_nStacks;
        EXPECT_EQ(data.OpenFiles(Folder(), "E.rd3"), 3) << size << " bytes";
        EXPECT_FALSE(data.GetChannel(0).IsOpen()) << size << " bytes";
        EXPECT_EQ(data.GetChannel(0).GetSamples(), 0) << size << " bytes: the header is back at its defaults";
        EXPECT_EQ(settings.m_params[0].m_nStacks, stacks) << size << " bytes";
    }
}

TEST_F(DataSetFiles, OpenRefusesFilesWithoutAUsableHeader)
{
    StoreSet("N", 3, 400);
    ::unlink(InFolder("N.rad").c_str());
    settings.m_params[0].m_nSamples = 111;
    EXPECT_EQ(data.OpenFiles(Folder(), "N.rd3"), 5) << "a .rd3 without its .rad";
    EXPECT_FALSE(data.GetChannel(0).IsOpen());
    EXPECT_EQ(settings.m_params[0].m_nSamples, 111);

    StoreSet("Z", 3, 400);
    WriteFileBytes(InFolder("Z.rad"), "SAMPLES:0\r\n");
    EXPECT_EQ(data.OpenFiles(Folder(), "Z.rd3"), 5);

    StoreSet("W", 2, 400);
    WriteFileBytes(InFolder("W.rad"), "SAMPLES:4096\r\nSTACKS:64\r\n");
    EXPECT_EQ(data.OpenFiles(Folder(), "W.rd3"), 5);
    EXPECT_EQ(data.GetChannel(0).GetSamples(), 4096) << "kept so the caller can name the reason";
    EXPECT_EQ(settings.m_params[0].m_nSamples, 111);
    EXPECT_EQ(settings.m_params[0].m_nStacks, 2);

    EXPECT_EQ(data.OpenFiles(Folder(), "absent.rd3"), 5);
    EXPECT_FALSE(data.GetChannel(0).IsOpen());
}

TEST_F(DataSetFiles, OpenTakesNothingFromTheHeaderOfAnEarlierFile)
{
    StoreSet("A", 3, 400);
    ASSERT_EQ(data.OpenFiles(Folder(), "A.rd3"), 0);
    data.GetChannel(0).m_Header.m_strComment = "Cart=3";
    StoreSet("B", 3, 400);
    WriteFileBytes(InFolder("B.rad"), "LAST TRACE:3\r\nDISTANCE FLAG:1\r\n"); // no SAMPLES, no COMMENT
    EXPECT_EQ(data.OpenFiles(Folder(), "B.rd3"), 5);
    EXPECT_EQ(data.GetChannel(0).m_Header.m_strComment, "");

    WriteFileBytes(InFolder("B.rad"), "SAMPLES:200\r\nDISTANCE FLAG:1\r\n");
    settings.m_nTrigType = 200;
    ASSERT_EQ(data.OpenFiles(Folder(), "B.rd3"), 0);
    EXPECT_EQ(data.GetChannel(0).GetTraceCount(), 6);
    EXPECT_EQ(settings.m_nTrigType, 0) << "no wheel index from an earlier comment";
}

// A damaged header's trace interval of 0 or less would have the unit measure flat out once
// the opened set's settings are measured with again: it takes the setting's default.
TEST_F(DataSetFiles, OpenedHeaderWithATraceIntervalNotAboveZeroGivesTheSettingsItsDefault)
{
    struct Case {
        const char* flag;
        const char* intervalLine;  // "" for none
        double time, distance;     // the settings after the open; 7 and 9 were there before
    };
    const Case cases[] = {
        {"TIME FLAG", "TIME INTERVAL: 0.000000", 1.0, 9},
        {"TIME FLAG", "TIME INTERVAL:-1", 1.0, 9},
        {"TIME FLAG", "TIME INTERVAL:x", 1.0, 9},
        {"TIME FLAG", "TIME INTERVAL:nan", 1.0, 9},
        {"TIME FLAG", "", 1.0, 9},
        {"TIME FLAG", "TIME INTERVAL: 0.250000", 0.25, 9},
        {"DISTANCE FLAG", "DISTANCE INTERVAL: 0.000000", 7, 0.2},
        {"DISTANCE FLAG", "DISTANCE INTERVAL:-0.05", 7, 0.2},
        {"DISTANCE FLAG", "DISTANCE INTERVAL: 0.050000", 7, 0.05},
        {"PROGRAM FLAG", "DISTANCE INTERVAL:0", 7, 0.2},
    };
    for (const Case& c : cases) {
        StoreSet("I", 2, 400);
        WriteFileBytes(InFolder("I.rad"), std::string("SAMPLES:400\r\n") + c.flag + ":1\r\n" + c.intervalLine + "\r\n");
        settings.m_params[0].m_dTimeInterval = 7;
        settings.m_params[0].m_dDistanceInterval = 9;
        ASSERT_EQ(data.OpenFiles(Folder(), "I.rd3"), 0) << c.intervalLine;
        EXPECT_EQ(settings.m_params[0].m_dTimeInterval, c.time) << c.flag << ", " << c.intervalLine;
        EXPECT_EQ(settings.m_params[0].m_dDistanceInterval, c.distance) << c.flag << ", " << c.intervalLine;
    }
}

TEST_F(DataSetFiles, OpenWithoutANameReopensTheCurrentChannelsFile)
{
    StoreSet("S_A1", 4, 100);
    ASSERT_EQ(data.OpenFiles(Folder(), "S_A1.rd3"), 0);
    data.GetChannel(0).CloseFile();
    ASSERT_EQ(data.OpenFiles(Folder(), ""), 0);
    EXPECT_EQ(data.GetChannel(0).GetTraceCount(), 4);
    EXPECT_EQ(data.GetEmData(0).GetCount(), 0) << "no sensor file beside it";
}

TEST_F(DataSetFiles, DisplayWindowOfAnOpenedFileReadsTheFile)
{
    StoreSet("V", 2600, 128);
    ASSERT_EQ(data.OpenFiles(Folder(), "V.rd3"), 0);
    CTraceCache& cache = data.GetChannel(0).GetTraceCache();
    EXPECT_EQ(cache.GetTrace(2500)[127], PatternSample(2500, 127));
    EXPECT_EQ(cache.GetFirst(), 1500);
    EXPECT_EQ(cache.GetLast(), 2599);
    EXPECT_FALSE(data.ReportTraceReadError());

    data.GetChannel(0).m_Header.m_nLastTrace = 2700; // a header promising more than the file holds
    cache.GetTrace(0);
    cache.GetTrace(2650);
    EXPECT_TRUE(data.ReportTraceReadError());
    EXPECT_EQ(prompter.ids, (std::vector<int>{130})) << "reported once";
    EXPECT_STREQ(MessageText(130), "Data file read error 1");
}

TEST_F(DataSetFiles, HeadersInFileViewModeAreWrittenAsTheyStand)
{
    StoreSet("H", 3, 400);
    fileView = true;
    ASSERT_EQ(data.OpenFiles(Folder(), "H.rd3"), 0);
    settings.m_params[0].m_nSamples = 999; // the settings differ from the stored header now
    data.GetChannel(0).m_Header.m_strCustomer = "Typed later";
    ASSERT_EQ(data.WriteHeader(0, 0), 0);
    PlainReader r(InFolder("H"));
    EXPECT_EQ(r.samples, 400);
    EXPECT_EQ(r.traces, 3);
    EXPECT_EQ(r.lines[12], "CUSTOMER:Typed later");
}

// The texts typed in Additional Info before the start belong to the set that start makes.
TEST_F(DataSetFiles, TextsTypedBeforeTheSetReachItsHeaders)
{
    Activate(0);
    CRadHeader& h = data.GetChannel(0).m_Header;
    std::tie(h.m_strCustomer, h.m_strOperator, h.m_strSite, h.m_strComment) =
        std::tuple("Town works", "Crew 2", "Car park south", "Kerb line");
    ASSERT_EQ(data.CreateFiles(Folder(), "T"), 0);
    ASSERT_EQ(data.WriteHeaders(), 0);
    const std::vector<std::string> lines = PlainReader(InFolder("T_0001_A1")).lines;
    ASSERT_EQ(lines.size(), 38u);
    EXPECT_EQ(lines[11] + "|" + lines[12] + "|" + lines[13] + "|" + lines[17],
              "OPERATOR:Crew 2|CUSTOMER:Town works|SITE:Car park south|COMMENT:Kerb line");
}

TEST_F(DataSetFiles, WriteHeadersStopsAtTheFirstFailure)
{
    Activate(0);
    Activate(1);
    ASSERT_EQ(data.CreateFiles(Folder(), "X"), 0);
    ASSERT_EQ(::mkdir(InFolder("X_0001_A1.rad").c_str(), 0755), 0); // cannot be replaced by a file
    EXPECT_EQ(data.WriteHeaders(), 6);
    EXPECT_FALSE(std::filesystem::exists(InFolder("X_0001_A2.rad")));
}

TEST_F(DataSetFiles, ClosingWritesPendingMarkersAndForgetsTheSet)
{
    Activate(0);
    ASSERT_EQ(data.CreateFiles(Folder(), "K"), 0);
    ASSERT_EQ(data.WriteHeaders(), 0);
    Acquire(0, 3);
    ASSERT_EQ(data.WriteHeaders(), 0);
    data.GetMarkerFile(0).AddMarker(2, 7, CMarker::kPending);
    const std::string rad = ReadFileBytes(InFolder("K_0001_A1.rad"));

    data.CloseFiles(true);
    EXPECT_EQ(ReadFileBytes(InFolder("K_0001_A1.mrk")), "HEADER VERSION:100\r\n000002\t0007\t-1\r\n");
    EXPECT_EQ(data.GetSetName(), "");
    EXPECT_FALSE(data.GetChannel(0).IsOpen());
    EXPECT_EQ(data.GetChannel(0).GetTraceCount(), 0);
    EXPECT_EQ(data.GetChannel(0).GetMeaBuf().GetCount(), 0);
    // Writing the header of a closed set must not land on its files.
    EXPECT_EQ(data.WriteHeader(0, 0), 6);
    EXPECT_EQ(ReadFileBytes(InFolder("K_0001_A1.rad")), rad);
}
