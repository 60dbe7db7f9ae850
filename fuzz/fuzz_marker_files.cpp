// Feeds arbitrary bytes to the .mrk and .em readers; what they read must be writable and
// read back unchanged, and the sensor display values must stay finite for any index.
#include "fuzz/FuzzScratch.h"
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

void Markers(const std::string& bytes)
{
    CMarkerFile in;
    in.m_strPath = fuzz::ScratchFolder("mrk") + "/in.mrk";
    fuzz::PutFile(in.m_strPath, bytes);
    fuzz::Check(in.Read() == 0);
    std::vector<CMarker> kept;
    for (const CMarker& m : in.GetMarkers()) {
        fuzz::Check(m.m_nTrace <= 0x7FFFFFFFu && static_cast<std::int16_t>(m.m_nValue) >= 0);
        if (m.m_nType != CMarker::kPending)
            kept.push_back(m);
    }

    CMarkerFile out;
    out.m_strPath = fuzz::ScratchFolder("mrk") + "/out.mrk";
    ::unlink(out.m_strPath.c_str());
    fuzz::Check(out.Create() == 0);
    for (const CMarker& m : kept)
        fuzz::Check(out.AddMarker(m.m_nTrace, m.m_nValue, m.m_nType) == 0);
    out.Close(true);
    fuzz::Check(out.Read() == 0);
    fuzz::Check(out.GetMarkers().size() == kept.size());
    for (size_t i = 0; i < kept.size(); ++i) {
        const CMarker& a = kept[i];
        const CMarker& b = out.GetMarkers()[i];
        fuzz::Check(a.m_nTrace == b.m_nTrace && a.m_nValue == b.m_nValue && a.m_nType == b.m_nType);
    }
}

void SensorRecords(const std::string& bytes)
{
    std::recursive_mutex lock;
    CEM_Data in(lock);
    in.m_strPath = fuzz::ScratchFolder("mrk") + "/in.em";
    fuzz::PutFile(in.m_strPath, bytes);
    fuzz::Check(in.Read() == 0);
    const int n = in.GetCount();
    for (int i : {-1, 0, 1, n - 1, n, n + 5})
        fuzz::Check(std::isfinite(in.GetLogDiff13(i)) && std::isfinite(in.GetLogDiff24(i)));

    CEM_Data out(lock);
    out.m_strPath = fuzz::ScratchFolder("mrk") + "/out.em";
    ::unlink(out.m_strPath.c_str());
    fuzz::Check(out.Create() == 0);
    for (int i = 0; i < n; ++i)
        fuzz::Check(out.WriteRecord(i, in.GetValues(1)[i], in.GetValues(2)[i], in.GetValues(3)[i], in.GetValues(4)[i]) == 0);
    out.Close();
    fuzz::Check(out.Read() == 0);
    fuzz::Check(out.GetCount() == n);
    for (int v = 1; v <= 4; ++v)
        fuzz::Check(out.GetValues(v) == in.GetValues(v));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Markers(bytes);
    SensorRecords(bytes);
    return 0;
}
