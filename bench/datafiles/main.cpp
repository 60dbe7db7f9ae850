// bench_datafiles: how fast the data set stores and shows traces, each beside the plain
// system call doing the same work on the same disk.
//
//   bench_datafiles [FOLDER] [--traces N] [--size-mib M] [--rounds R]
//
//   FOLDER      where the files go (a subfolder is made and removed again); default: the
//               system's temporary folder
//   --traces    traces of 512 samples appended per write round (default 100000)
//   --size-mib  size of the stored data set that is opened (default 1024)
//   --rounds    rounds of each measurement, taken in turns; the fastest counts (default 5)
//
// 1. Appends N traces to a channel's .rd3 through the data set (as the acquisition stores
//    them) and, beside it, writes the same bytes with one write() per trace; both end with a
//    data sync. Prints data-set rate / write() rate (target >= 0.9).
// 2. Opens a stored set of M MiB and reads the 2000-trace display window around its middle
//    and, beside it, preads the same bytes from an open descriptor; both with the file's pages
//    dropped from the cache first (and once more with them cached). Prints data-set time /
//    pread time (target <= 2).
#include "model/MeasParamSet.h"
#include "model/Prompter.h"
#include "model/RadarData.h"
#include "model/StringTable.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kSamples = 512;
constexpr int kTraceBytes = kSamples * 2;
constexpr int kWindow = 2000;
const char* const kUsage = "usage: bench_datafiles [FOLDER] [--traces N] [--size-mib M] [--rounds R] [--help]\n";

class PrintingPrompter : public Prompter {
public:
    void message(int id) override { std::fprintf(stderr, "message %d: %s\n", id, MessageText(id)); }
    bool askYesNo(int id) override
    {
        message(id);
        return false;
    }
    void messageText(const std::string& text) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

bool DataSync(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = ::fdatasync(fd) == 0;
    ::close(fd);
    return ok;
}

// Drops the file's pages from the page cache so the next read comes from the disk.
void DropCache(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

std::vector<std::int16_t> Trace(int t)
{
    std::vector<std::int16_t> trace(kSamples);
    for (int j = 0; j < kSamples; ++j)
        trace[static_cast<std::size_t>(j)] = static_cast<std::int16_t>((t * 31 + j * 7) & 0x7FFF);
    return trace;
}

struct Bench {
    std::string folder;
    long traces = 100000;
    long sizeMiB = 1024;
    int rounds = 5;

    CMeasParamSet settings{""};
    PrintingPrompter prompter;
    std::recursive_mutex driverLock, emLock;
    CRadarData data{DataSetContext{.settings = settings, .prompter = prompter, .driverLock = driverLock, .emLock = emLock}};

    Bench()
    {
        for (auto& p : settings.m_params)
            p.m_bActive = 0;
        settings.m_params[0].m_bActive = 1;
        settings.m_params[0].m_nSamples = kSamples;
    }

    // Seconds for appending `traces` traces through the data set, optionally synced.
    double AppendThroughDataSet(bool sync)
    {
        if (data.CreateFiles(folder, "append") != 0 || data.WriteHeaders() != 0) {
            std::fprintf(stderr, "cannot create the data set in %s\n", folder.c_str());
            std::exit(1);
        }
        CChannelData& channel = data.GetChannel(0);
        const std::vector<std::int16_t> trace = Trace(1);
        const auto t0 = Clock::now();
        for (long t = 0; t < traces; ++t) {
            if (channel.StoreTrace(trace.data(), kSamples) != 0) {
                std::fprintf(stderr, "a trace could not be written (disk full?)\n");
                std::exit(1);
            }
            // The hand-off to the display empties the queue now and then, as while measuring.
            if (channel.GetMeaBuf().GetCount() > 16)
                channel.GetMeaBuf().Reset();
        }
        if (sync)
            DataSync(channel.m_strFullPath);
        const auto t1 = Clock::now();
        const std::string path = channel.m_strFullPath;
        data.CloseFiles(true);
        for (const char* ext : {".rd3", ".rad", ".mrk"})
            std::filesystem::remove(path.substr(0, path.size() - 4) + ext);
        return Seconds(t0, t1);
    }

    double AppendWithWrite(bool sync)
    {
        const std::string path = folder + "/plain.rd3";
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) {
            std::perror(path.c_str());
            std::exit(1);
        }
        const std::vector<std::int16_t> trace = Trace(1);
        const auto t0 = Clock::now();
        for (long t = 0; t < traces; ++t) {
            if (::write(fd, trace.data(), kTraceBytes) != kTraceBytes) {
                std::fprintf(stderr, "write failed (disk full?)\n");
                std::exit(1);
            }
        }
        if (sync)
            ::fdatasync(fd);
        const auto t1 = Clock::now();
        ::close(fd);
        std::filesystem::remove(path);
        return Seconds(t0, t1);
    }

    // A stored set of sizeMiB MiB: big_0001.rd3 and its header.
    std::string MakeStoredSet(long& count)
    {
        const std::string stem = folder + "/big_0001";
        count = sizeMiB * 1024 * 1024 / kTraceBytes;
        int fd = ::open((stem + ".rd3").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            std::perror(stem.c_str());
            std::exit(1);
        }
        std::vector<std::int16_t> block;
        constexpr int kBlockTraces = 1024;
        for (long t = 0; t < count; t += kBlockTraces) {
            block.clear();
            for (long u = t; u < std::min(count, t + kBlockTraces); ++u) {
                auto trace = Trace(static_cast<int>(u));
                block.insert(block.end(), trace.begin(), trace.end());
            }
            const auto bytes = static_cast<ssize_t>(block.size() * 2);
            if (::write(fd, block.data(), static_cast<std::size_t>(bytes)) != bytes) {
                std::fprintf(stderr, "cannot write the stored set (disk full?)\n");
                ::close(fd);
                std::exit(1);
            }
        }
        ::fdatasync(fd);
        ::close(fd);
        CRadHeader header;
        header.m_strPath = stem + ".rad";
        header.m_nSamples = kSamples;
        header.m_nLastTrace = static_cast<std::int32_t>(count);
        if (header.Write(nullptr, 0, 0) != 0) {
            std::fprintf(stderr, "cannot write the header\n");
            std::exit(1);
        }
        return stem;
    }

    double OpenAndShowWindow(const std::string& stem, long count, bool cold)
    {
        data.CloseFiles(true);
        if (cold) {
            DropCache(stem + ".rd3");
            DropCache(stem + ".rad");
        }
        const int middle = static_cast<int>(count / 2);
        const auto t0 = Clock::now();
        if (data.OpenFiles(folder, "big_0001.rd3") != 0) {
            std::fprintf(stderr, "cannot open the stored set\n");
            std::exit(1);
        }
        const std::int16_t* trace = data.GetChannel(0).GetTraceCache().GetTrace(middle);
        const auto t1 = Clock::now();
        if (trace[3] != Trace(middle)[3] || data.GetChannel(0).GetTraceCache().GetLast() != middle + kWindow / 2 - 1) {
            std::fprintf(stderr, "the window does not hold the stored traces\n");
            std::exit(1);
        }
        return Seconds(t0, t1);
    }

    double PreadWindow(const std::string& stem, long count, bool cold)
    {
        if (cold)
            DropCache(stem + ".rd3");
        int fd = ::open((stem + ".rd3").c_str(), O_RDONLY | O_CLOEXEC);
        std::vector<char> buffer(static_cast<std::size_t>(kWindow) * kTraceBytes);
        const off_t offset = static_cast<off_t>(count / 2 - kWindow / 2) * kTraceBytes;
        const auto t0 = Clock::now();
        const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), offset);
        const auto t1 = Clock::now();
        ::close(fd);
        if (n != static_cast<ssize_t>(buffer.size())) {
            std::fprintf(stderr, "pread failed\n");
            std::exit(1);
        }
        return Seconds(t0, t1);
    }
};

// The fastest of `rounds` runs of each, taking turns so that drifting disk and cache
// states weigh on both alike.
template <typename A, typename B>
std::pair<double, double> FastestOfEach(int rounds, A&& a, B&& b)
{
    double bestA = 1e300, bestB = 1e300;
    for (int r = 0; r < rounds; ++r) {
        bestA = std::min(bestA, a());
        bestB = std::min(bestB, b());
    }
    return {bestA, bestB};
}

} // namespace

int main(int argc, char** argv)
{
    Bench bench;
    std::string target = std::filesystem::temp_directory_path().string();
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--traces" && i + 1 < argc)
            bench.traces = std::atol(argv[++i]);
        else if (a == "--size-mib" && i + 1 < argc)
            bench.sizeMiB = std::atol(argv[++i]);
        else if (a == "--rounds" && i + 1 < argc)
            bench.rounds = std::max(1, std::atoi(argv[++i]));
        else if (a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!a.empty() && a[0] != '-')
            target = a;
        else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (bench.traces < 1 || bench.sizeMiB < 3) {
        std::fprintf(stderr, "need at least 1 trace and 3 MiB\n");
        return 2;
    }
    std::string pattern = target + "/delvora-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror(target.c_str());
        return 1;
    }
    bench.folder = pattern;
    std::printf("folder %s\n", bench.folder.c_str());

    const auto [dataSynced, plainSynced] = FastestOfEach(
        bench.rounds, [&] { return bench.AppendThroughDataSet(true); }, [&] { return bench.AppendWithWrite(true); });
    const auto [dataCached, plainCached] = FastestOfEach(
        bench.rounds, [&] { return bench.AppendThroughDataSet(false); }, [&] { return bench.AppendWithWrite(false); });
    const double mib = static_cast<double>(bench.traces) * kTraceBytes / (1024.0 * 1024.0);
    std::printf("append %ld traces of %d samples (%.1f MiB), synced: data set %.1f MiB/s, write() %.1f MiB/s\n",
                bench.traces, kSamples, mib, mib / dataSynced, mib / plainSynced);
    std::printf("  ratio data set / write() = %.3f (target >= 0.9)\n", plainSynced / dataSynced);
    std::printf("  page cache only: data set %.1f MiB/s, write() %.1f MiB/s, ratio %.3f\n", mib / dataCached,
                mib / plainCached, plainCached / dataCached);

    long count = 0;
    const std::string stem = bench.MakeStoredSet(count);
    const auto [openCold, preadCold] =
        FastestOfEach(bench.rounds, [&] { return bench.OpenAndShowWindow(stem, count, true); },
                      [&] { return bench.PreadWindow(stem, count, true); });
    const auto [openWarm, preadWarm] =
        FastestOfEach(bench.rounds, [&] { return bench.OpenAndShowWindow(stem, count, false); },
                      [&] { return bench.PreadWindow(stem, count, false); });
    std::printf("open a %ld MiB set (%ld traces) and read a %d-trace window from the disk: data set %.3f ms, "
                "pread %.3f ms\n",
                bench.sizeMiB, count, kWindow, openCold * 1e3, preadCold * 1e3);
    std::printf("  ratio data set / pread = %.3f (target <= 2)\n", openCold / preadCold);
    std::printf("  from the page cache: data set %.3f ms, pread %.3f ms, ratio %.3f\n", openWarm * 1e3,
                preadWarm * 1e3, openWarm / preadWarm);

    bench.data.CloseFiles(true);
    std::error_code ec;
    std::filesystem::remove_all(bench.folder, ec);
    return 0;
}
