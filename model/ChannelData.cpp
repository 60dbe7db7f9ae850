#include "model/ChannelData.h"

#include "model/SampleOrder.h"
#include "model/STrace.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <utility>
#include <sys/uio.h>

CChannelData::CChannelData() : m_pTraceCache(std::make_unique<CTraceCache>())
{
    m_pTraceCache->Bind(this);
    m_Scratch.reserve(kMaxSamples);
}

int CChannelData::CreateFile()
{
    CloseFile();
    // The operator's texts may be typed before the set exists (Additional Info): they
    // belong to the new set as much as the comment does. Closing a set resets them.
    std::string customer = std::move(m_Header.m_strCustomer);
    std::string operatorName = std::move(m_Header.m_strOperator);
    std::string site = std::move(m_Header.m_strSite);
    m_Header.SetDefaults(0, 0);
    m_Header.m_strCustomer = std::move(customer);
    m_Header.m_strOperator = std::move(operatorName);
    m_Header.m_strSite = std::move(site);
    return m_File.CreateNew(m_strFullPath) == 0 ? 0 : 5;
}

int CChannelData::OpenFile(CMeasParamSet& settings, int slot, int channel)
{
    CloseFile();
    // A stored file is described by its own .rad alone: a key it lacks must not be taken
    // from whatever the header held before.
    m_Header.SetDefaults(0, 0);
    m_Header.m_strComment.clear();
    const int headerResult = m_Header.Read();
    if (m_File.OpenForReading(m_strFullPath) != 0) {
        m_Header.SetDefaults(0, 0);
        return 5;
    }
    int result = 0;
    if (m_File.Size() == 0)
        result = 3;
    else if (headerResult != 0 || m_Header.m_nSamples <= 0 || m_Header.m_nSamples > kMaxSamples)
        result = 5;
    else if (GetFileTraceCount() == 0)
        result = 3;  // shorter than one trace: nothing to show, as with an empty file
    if (result != 0) {
        const bool tooLong = result == 5 && headerResult == 0 && m_Header.m_nSamples > kMaxSamples;
        CloseFile();
        if (!tooLong)
            m_Header.SetDefaults(0, 0);
        return result;
    }
    const std::int64_t traces = GetFileTraceCount();
    m_Header.m_nLastTrace = static_cast<std::int32_t>(std::min<std::int64_t>(traces, INT32_MAX));
    m_Header.StoreToSettings(settings, slot, channel);
    return 0;
}

std::int64_t CChannelData::GetFileTraceCount() const
{
    if (!m_File.IsOpen() || m_Header.m_nSamples <= 0)
        return 0;
    return m_File.Size() / m_Header.m_nSamples / 2;
}

int CChannelData::ReadTrace(int i, CSTrace& trace) const
{
    const int samples = m_Header.m_nSamples;
    const int n = std::min(trace.GetCount(), std::max(samples, 0));
    std::int16_t* out = trace.Data();
    ssize_t got = -1;
    if (i >= 0 && samples > 0 && m_File.IsOpen())
        got = m_File.ReadAt(static_cast<std::int64_t>(i) * samples * 2, out, static_cast<std::size_t>(n) * 2);
    const int whole = got > 0 ? static_cast<int>(got / 2) : 0;
    SamplesFromLittleEndian(out, static_cast<std::size_t>(whole));
    std::fill(out + whole, out + trace.GetCount(), 0);
    return (samples > 0 && got == static_cast<ssize_t>(n) * 2) ? 0 : 5;
}

int CChannelData::ReadTraceRows(int first, int count, std::int16_t* rows, int stride) const
{
    const int samples = m_Header.m_nSamples;
    if (count <= 0)
        return 0;
    const int width = std::min(std::max(samples, 0), stride);
    if (width == 0 || first < 0 || !m_File.IsOpen()) {
        for (int t = 0; t < count; ++t)
            std::fill(rows + static_cast<std::ptrdiff_t>(t) * stride, rows + static_cast<std::ptrdiff_t>(t) * stride + width, 0);
        return 5;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 2;
    std::int64_t gotTotal = 0;
    if (width == samples) {
        // The traces lie back to back in the file: one scattered read puts each into its row.
        std::vector<iovec> parts(static_cast<std::size_t>(count));
        for (int t = 0; t < count; ++t)
            parts[static_cast<std::size_t>(t)] = {rows + static_cast<std::ptrdiff_t>(t) * stride, rowBytes};
        ssize_t got = m_File.ReadAt(static_cast<std::int64_t>(first) * samples * 2, parts.data(), count);
        gotTotal = got < 0 ? 0 : got;
    } else {
        for (int t = 0; t < count; ++t) {
            ssize_t got = m_File.ReadAt((static_cast<std::int64_t>(first) + t) * samples * 2,
                                        rows + static_cast<std::ptrdiff_t>(t) * stride, rowBytes);
            if (got < static_cast<ssize_t>(rowBytes)) {
                gotTotal += got < 0 ? 0 : got;
                break;
            }
            gotTotal += got;
        }
    }
    // Byte order, then zeros for whatever the file did not hold.
    const std::int64_t wholeSamples = gotTotal / 2;
    for (int t = 0; t < count; ++t) {
        std::int16_t* row = rows + static_cast<std::ptrdiff_t>(t) * stride;
        const std::int64_t have = std::clamp<std::int64_t>(wholeSamples - static_cast<std::int64_t>(t) * width, 0, width);
        SamplesFromLittleEndian(row, static_cast<std::size_t>(have));
        std::fill(row + have, row + width, 0);
    }
    return gotTotal == static_cast<std::int64_t>(count) * static_cast<std::int64_t>(rowBytes) ? 0 : 5;
}

int CChannelData::AppendTrace(const std::int16_t* samples, int count)
{
    const int n = std::max(count, 0);
    const int want = m_Header.m_nSamples > 0 ? m_Header.m_nSamples : n;
    const std::int16_t* bytes = samples;
    if (want != n || std::endian::native == std::endian::big) {
        m_Scratch.assign(static_cast<std::size_t>(want), 0);
        std::copy_n(samples, std::min(n, want), m_Scratch.data());
        SamplesToLittleEndian(m_Scratch.data(), m_Scratch.size());
        bytes = m_Scratch.data();
    }
    return m_File.Append(bytes, static_cast<std::size_t>(want) * 2) ? 0 : 6;
}

int CChannelData::StoreTrace(const std::int16_t* samples, int count)
{
    const int result = AppendTrace(samples, count);
    if (result == 0)
        m_MeaBuf.Store(samples, count);
    return result;
}

void CChannelData::CloseFile()
{
    if (m_File.IsOpen()) {
        m_pTraceCache->Reset();
        m_File.Close();
    }
    m_MeaBuf.Reset();
}
