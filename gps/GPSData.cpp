#include "gps/GPSData.h"

#include "gps/AutomationDate.h"
#include "gps/GpsPositionSource.h"
#include "model/Numbers.h"
#include "model/Profile.h"
#include "model/RecordFile.h"
#include "model/TextFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct LogFormat {
    const char* extension;
    char separator;
};

constexpr LogFormat kFormats[] = {{".cor", '\t'}, {".fri", ' '}, {".utm", '\t'}, {".gga", ','}};

bool IsKnownFormat(int format)
{
    return format >= 0 && format < 4;
}

} // namespace

KGPSData::KGPSData(const Profile& profile, const GpsPositionSource& source)
    : m_profile(profile), m_source(source)
{
    m_Utm.SetWGS84();
}

KGPSData::~KGPSData()
{
    Close();
}

int KGPSData::ReadFormat() const
{
    return m_profile.getInt("GPS Settings", "Output format", 0);
}

void KGPSData::SetFileName(const std::string& dataFileName)
{
    m_strFileName = dataFileName;
    const std::size_t dot = m_strFileName.rfind('.');
    if (dot != std::string::npos)
        m_strFileName.erase(dot);
    m_nFormat = ReadFormat();
    if (IsKnownFormat(m_nFormat)) {
        m_strFileName += kFormats[m_nFormat].extension;
        m_cSeparator = kFormats[m_nFormat].separator;
    }
}

int KGPSData::Open(int startTrace)
{
    m_nFormat = ReadFormat();
    if (m_fd >= 0) {
        if (m_strOpenName == m_strFileName)
            return 0;
        Close();
    }
    const int fd = ::open(m_strFileName.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return 0;
    {
        std::lock_guard<std::mutex> guard(m_fdLock);
        m_fd = fd;
    }
    m_strOpenName = m_strFileName;
    m_bOpen = true;
    m_nLastTrace = startTrace;
    if (startTrace == 0 && m_nFormat == kFormatFri)
        Append("EU89-Geodetisk,P,G,HE\r\n");
    return 1;
}

bool KGPSData::WantsRecord(int traceCount) const
{
    if (!m_bOpen)
        return false;
    return m_nFormat == kFormatGga || traceCount != m_nLastTrace;
}

int KGPSData::WriteRecord(int traceNumber)
{
    if (m_fd < 0)
        return kNotOpen;
    const std::string record = Record(traceNumber);
    if (record.empty())
        return kWritten;
    return Append(record) ? kWritten : kWriteFailed;
}

std::string KGPSData::Record(int n)
{
    const CGPSFix fix = m_source.CopyPublishedFix();
    m_nLastTrace = n;
    const char s = m_cSeparator;
    switch (m_nFormat) {
    case kFormatCor: {
        if (!fix.HasPosition())
            return {};
        const CivilDateTime t = CivilFromAutomationDate(fix.dateTime);
        return FormatC("%d%c%04d-%02d-%02d%c%02d:%02d:%02d%c%.11f%c%s%c%.11f%c%s%c%.3f%cM%c%.3f\r\n", n, s,
                       t.year, t.month, t.day, s, t.hour, t.minute, t.second, s, fix.latitude, s, fix.ns.c_str(),
                       s, fix.longitude, s, fix.ew.c_str(), s, fix.altitude, s, s, static_cast<double>(fix.hdop));
    }
    case kFormatFri:
        if (!fix.HasPosition())
            return {};
        return FormatC("%d%c%.11f%c%.11f%c%.2f\r\n", n, s, fix.SignedLatitude(), s, fix.SignedLongitude(), s,
                       fix.altitude);
    case kFormatUtm:
        if (!fix.HasPosition())
            return {};
        m_Utm.LatLonToUTM(fix.SignedLatitude(), fix.SignedLongitude(), m_dNorthing, m_dEasting, m_szZone);
        return FormatC("%d%c%.2f%c%.2f%c%.3f%c%s\r\n", n, s, m_dNorthing, s, m_dEasting, s, fix.altitude, s,
                       m_szZone);
    case kFormatGga: {
        m_nLastTrace = n + 1;
        if (!fix.HasPosition())
            return {};
        const std::string sentence = m_source.CopyPositionSentence();
        return FormatC("%d%c", n, s) + sentence + "\r\n";
    }
    default:
        return {};
    }
}

bool KGPSData::Append(const std::string& bytes)
{
    struct stat before {};
    const bool sized = fstat(m_fd, &before) == 0;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            // A full disk: take back what part of the record did go, so that the log holds
            // whole lines only and the next record starts on a line of its own.
            if (sized && done > 0) {
                [[maybe_unused]] int r = ftruncate(m_fd, before.st_size);
            }
            return false;
        }
        done += static_cast<std::size_t>(w);
    }
    return true;
}

bool KGPSData::Sync()
{
    return m_fd < 0 || SyncDescriptor(m_fd) == 0;
}

bool KGPSData::SyncWritten()
{
    return SyncDataOfShared(m_fdLock, m_fd);
}

void KGPSData::Close()
{
    if (m_fd >= 0) {
        const int fd = m_fd;
        {
            std::lock_guard<std::mutex> guard(m_fdLock);
            m_fd = -1;
        }
        fsync(fd);
        ::close(fd);
        m_strOpenName.clear();
    }
    m_bOpen = false;
}
