// Feeds arbitrary bytes to the .mrk and .em readers; what they read must be writable and
// read back unchanged, and the sensor display values must stay finite for any index.
#include "model/EM_Data.h"
#include "model/MarkerFile.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The run's own folder under /tmp, removed again when the run ends.
char g_folder[] = "/tmp/delvora-fuzz-mrk-XXXXXX";

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

void Markers(const std::string& bytes)
{
    CMarkerFile in;
    in.m_strPath = Folder() + "/in.mrk";
    Put(in.m_strPath, bytes);
    Check(in.Read() == 0);
    std::vector<CMarker> kept;
    for (const CMarker& m : in.GetMarkers()) {
        Check(m.m_nTrace <= 0x7FFFFFFFu && static_cast<std::int16_t>(m.m_nValue) >= 0);
        if (m.m_nType != CMarker::kPending)
            kept.push_back(m);
    }

    CMarkerFile out;
    out.m_strPath = Folder() + "/out.mrk";
    ::unlink(out.m_strPath.c_str());
    Check(out.Create() == 0);
    for (const CMarker& m : kept)
        Check(out.AddMarker(m.m_nTrace, m.m_nValue, m.m_nType) == 0);
    out.Close(true);
    Check(out.Read() == 0);
    Check(out.GetMarkers().size() == kept.size());
    for (size_t i = 0; i < kept.size(); ++i) {
        const CMarker& a = kept[i];
        const CMarker& b = out.GetMarkers()[i];
        Check(a.m_nTrace == b.m_nTrace && a.m_nValue == b.m_nValue && a.m_nType == b.m_nType);
    }
}

void SensorRecords(const std::string& bytes)
{
    std::recursive_mutex lock;
    CEM_Data in(lock);
    in.m_strPath = Folder() + "/in.em";
    Put(in.m_strPath, bytes);
    Check(in.Read() == 0);
    const int n = in.GetCount();
    for (int i : {-1, 0, 1, n - 1, n, n + 5})
        Check(std::isfinite(in.GetLogDiff13(i)) && std::isfinite(in.GetLogDiff24(i)));

    CEM_Data out(lock);
    out.m_strPath = Folder() + "/out.em";
    ::unlink(out.m_strPath.c_str());
    Check(out.Create() == 0);
    for (int i = 0; i < n; ++i)
        Check(out.WriteRecord(i, in.GetValues(1)[i], in.GetValues(2)[i], in.GetValues(3)[i], in.GetValues(4)[i]) == 0);
    out.Close();
    Check(out.Read() == 0);
    Check(out.GetCount() == n);
    for (int v = 1; v <= 4; ++v)
        Check(out.GetValues(v) == in.GetValues(v));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Markers(bytes);
    SensorRecords(bytes);
    return 0;
}
