#include "gps/GPSReceiver.h"

#include "gps/AutomationDate.h"
#include "gps/ComPortMap.h"
#include "gps/NmeaSentence.h"
#include "gps/SerialOptions.h"
#include "model/Numbers.h"
#include "model/Profile.h"
#include "model/Prompter.h"

#include <cmath>
#include <exception>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Eleven reads in a row without a recognised sentence or packet publish an empty fix.
constexpr int kEmptyCyclesBeforeNoFix = 10;

template <typename Table>
int IndexOrDefault(const Table& table, int index, int def)
{
    return IsTableIndex(table, index) ? index : def;
}

// Degrees and minutes as NMEA sends them (ddmm.mmmm) in degrees; values of 36000 and more
// are grid coordinates of "$GPLLQ" and pass unchanged.
double NmeaDegrees(const std::string& field)
{
    if (field.empty())
        return 0.0;
    const double x = NmeaNumber(field);
    if (x >= 36000.0)
        return x;
    const double degrees = std::trunc(x / 100.0);
    return degrees + (x - 100.0 * degrees) / 60.0;
}

std::string TimeText(long long h, long long m, long long s)
{
    return FormatC("%02lld:%02lld:%02lld", h, m, s);
}

double AutomationDateOfClock(std::chrono::system_clock::time_point when)
{
    using namespace std::chrono;
    const double seconds = duration<double>(when.time_since_epoch()).count();
    return seconds / 86400.0 + 25569.0;
}

} // namespace

CGPSReceiver::CGPSReceiver(const Profile& profile, Prompter& prompter)
    : m_profile(profile),
      m_prompter(prompter),
      m_clock([] { return std::chrono::system_clock::now(); }),
      m_pacer(std::make_unique<CSleepingPacer>())
{
}

CGPSReceiver::~CGPSReceiver()
{
    Close();
}

int CGPSReceiver::Open()
{
    Close();
    if (!IsTableIndex(GPSPortNames, m_nPort)) {
        m_prompter.errorMessage(IDS_GPS_CANNOT_OPEN_PORT);
        return 0;
    }
    if (!IsTableIndex(GPSBaudRates, m_nBaudIndex) || !IsTableIndex(GPSDataBits, m_nDataBitsIndex) ||
        !IsTableIndex(GPSParityCodes, m_nParityIndex) || !IsTableIndex(GPSStopBitCodes, m_nStopBitsIndex)) {
        m_prompter.errorMessage(IDS_GPS_CANNOT_CONFIGURE_PORT);
        return 0;
    }
    SerialLineSettings settings;
    settings.baudRate = GPSBaudRates[static_cast<std::size_t>(m_nBaudIndex)];
    settings.dataBits = GPSDataBits[static_cast<std::size_t>(m_nDataBitsIndex)];
    settings.parityCode = GPSParityCodes[static_cast<std::size_t>(m_nParityIndex)];
    settings.stopBitsCode = GPSStopBitCodes[static_cast<std::size_t>(m_nStopBitsIndex)];

    switch (m_line.Open(GpsDevicePath(m_profile, m_nPort), settings)) {
    case CSerialLine::OpenResult::CannotOpen:
        m_prompter.errorMessage(IDS_GPS_CANNOT_OPEN_PORT);
        return 0;
    case CSerialLine::OpenResult::CannotConfigure:
        m_prompter.errorMessage(IDS_GPS_CANNOT_CONFIGURE_PORT);
        return 0;
    case CSerialLine::OpenResult::Opened:
        break;
    }

    m_lines.Reset();
    m_tsip.Reset();
    m_nActiveProtocol = m_nProtocol;
    m_line.ClearInterrupt();
    m_pacer->Restart();
    m_bRunning = true;
    try {
        m_thread = std::thread([this] { ThreadMain(); });
    } catch (const std::exception&) {
        m_bRunning = false;
        m_line.Close();
        m_prompter.errorMessage(IDS_GPS_CANNOT_OPEN_PORT);
        return 0;
    }
    m_bOpen = true;
    return 1;
}

void CGPSReceiver::StopRunning()
{
    m_bRunning = false;
    m_pacer->Stop();
    m_line.Interrupt();
}

void CGPSReceiver::Close()
{
    // The port is closed only after the thread has left it, and no second thread can start
    // while the first still runs.
    StopRunning();
    if (m_thread.joinable())
        m_thread.join();
    m_line.Close();
    m_bOpen = false;
}

void CGPSReceiver::Enable(bool on)
{
    if (!on)
        Close();
    else if (!m_bOpen)
        Open();
}

GpsSettingsTarget::Values CGPSReceiver::GetGpsValues() const
{
    Values v;
    v.port = m_nPort;
    v.protocol = m_nProtocol;
    v.baudIndex = m_nBaudIndex;
    v.dataBitsIndex = m_nDataBitsIndex;
    v.parityIndex = m_nParityIndex;
    v.stopBitsIndex = m_nStopBitsIndex;
    v.outputFormat = m_nOutputFormat;
    return v;
}

void CGPSReceiver::SetGpsValues(const Values& v)
{
    m_nPort = IndexOrDefault(GPSPortNames, v.port, kDefaultGpsPort);
    m_nProtocol = v.protocol;
    m_nBaudIndex = IndexOrDefault(GPSBaudRates, v.baudIndex, kDefaultGpsBaudIndex);
    m_nDataBitsIndex = IndexOrDefault(GPSDataBits, v.dataBitsIndex, kDefaultGpsDataBitsIndex);
    m_nParityIndex = IndexOrDefault(GPSParityCodes, v.parityIndex, kDefaultGpsParityIndex);
    m_nStopBitsIndex = IndexOrDefault(GPSStopBitCodes, v.stopBitsIndex, kDefaultGpsStopBitsIndex);
    m_nOutputFormat = v.outputFormat;
}

CGPSFix CGPSReceiver::CopyPublishedFix() const
{
    std::lock_guard<std::recursive_mutex> lock(m_gpsFixLock);
    return m_published;
}

std::string CGPSReceiver::CopyPositionSentence() const
{
    std::lock_guard<std::recursive_mutex> lock(m_gpsParseLock);
    return m_strPosition;
}

void CGPSReceiver::ThreadMain()
{
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19); // idle: positions can wait
    int emptyCycles = 0;
    while (m_bRunning) {
        if (!m_pacer->WaitForCycle() || !m_bRunning)
            break;
        try {
            RunCycle(emptyCycles);
        } catch (const std::exception&) {
            PostError("Exception");
        }
    }
}

void CGPSReceiver::RunCycle(int& emptyCycles)
{
    const std::string before = CopyPositionSentence();
    if (!ReadAndParse()) {
        if (++emptyCycles > kEmptyCyclesBeforeNoFix) {
            Publish(CGPSFix{});
            emptyCycles = 0;
        }
        return;
    }
    emptyCycles = 0;

    CGPSFix fix;
    if (IsTsip()) {
        // Packets leave the sentence alone: a fix goes out with every position packet.
        if (!m_bTsipPositionRead)
            return;
        std::unique_lock<std::recursive_mutex> lock(m_gpsParseLock);
        fix.altitude = m_fTsipAltitude;
        fix.latitude = m_fTsipLatitude;
        fix.longitude = m_fTsipLongitude;
        fix.hdop = m_fTsipHdop;
        lock.unlock();
        fix.dateTime = GetDateTime();
        Publish(fix);
        return;
    }
    const std::string now = CopyPositionSentence();
    if (now == before || now.empty())
        return;
    if (GetFixQuality() > 0) {
        fix.altitude = GetAltitude();
        fix.latitude = GetLatitude();
        fix.longitude = GetLongitude();
        fix.hdop = GetHDOP();
        fix.dateTime = GetDateTime();
        fix.ns = GetLatHemisphere();
        fix.ew = GetLonHemisphere();
    }
    Publish(fix);
}

int CGPSReceiver::ReadAndParse()
{
    if (!m_bRunning)
        return 0;
    // The read runs without the parse lock, so that no reader of the sentence waits for
    // the port; only the parsing, which is quick, holds it.
    bool found = false;
    if (IsTsip()) {
        const std::size_t count = m_line.Read(m_tsipBuffer.data(), m_tsipBuffer.size());
        found = ParseTsip(count);
    } else {
        const std::size_t count = m_line.Read(m_lines.Space(), m_lines.Room());
        found = ParseNmea(count);
    }
    return found ? 1 : 0;
}

bool CGPSReceiver::ParseNmea(std::size_t count)
{
    bool found = false;
    bool failed = false;
    {
        std::lock_guard<std::recursive_mutex> lock(m_gpsParseLock);
        try {
            m_lines.Commit(count, [&](std::string_view line) {
                NmeaLineEffect effect = ClassifyNmeaLine(line);
                if (effect.recognised)
                    found = true;
                if (effect.setsPosition)
                    m_strPosition = std::move(effect.position);
            });
        } catch (const std::exception&) {
            failed = true;
            m_lines.Reset();
        }
    }
    if (failed)
        PostError("Exception");
    return found;
}

bool CGPSReceiver::ParseTsip(std::size_t count)
{
    bool found = false;
    m_bTsipPositionRead = false;
    std::lock_guard<std::recursive_mutex> lock(m_gpsParseLock);
    m_tsip.Feed(m_tsipBuffer.data(), count, [&](std::uint8_t id, const std::uint8_t* data, std::size_t size) {
        const TsipPacketEffect effect = DecodeTsipPacket(id, data, size);
        if (effect.recognised)
            found = true;
        if (effect.hasPosition) {
            m_fTsipLatitude = effect.latitude;
            m_fTsipLongitude = effect.longitude;
            m_fTsipAltitude = effect.altitude;
            m_fTsipTimeOfFix = effect.timeOfFix;
            m_bTsipPositionRead = true;
        }
        if (effect.hasHdop)
            m_fTsipHdop = effect.hdop;
    });
    return found;
}

void CGPSReceiver::Publish(const CGPSFix& fix)
{
    {
        std::lock_guard<std::recursive_mutex> lock(m_gpsFixLock);
        m_published = fix;
    }
    if (m_postUpdate)
        m_postUpdate();
}

void CGPSReceiver::PostError(const std::string& text)
{
    if (m_postError)
        m_postError(text);
}

std::string CGPSReceiver::PositionField(int k) const
{
    return GetNmeaField(CopyPositionSentence(), k, false);
}

double CGPSReceiver::GetLatitude() const
{
    return NmeaDegrees(PositionField(2));
}

double CGPSReceiver::GetLongitude() const
{
    return NmeaDegrees(PositionField(4));
}

std::string CGPSReceiver::GetLatHemisphere() const
{
    return PositionField(3);
}

std::string CGPSReceiver::GetLonHemisphere() const
{
    return PositionField(5);
}

int CGPSReceiver::GetFixQuality() const
{
    if (IsTsip())
        return 1;
    const std::string field = PositionField(6);
    if (field.empty())
        return 0;
    const std::int64_t quality = LeadingInt(field);
    return quality >= 0 && quality <= 8 ? static_cast<int>(quality) : 0;
}

float CGPSReceiver::GetHDOP() const
{
    const std::string field = PositionField(8);
    return field.empty() ? 0.0f : static_cast<float>(NmeaNumber(field));
}

double CGPSReceiver::GetAltitude() const
{
    const std::string field = PositionField(9);
    return field.empty() ? 0.0 : NmeaNumber(field);
}

CGPSReceiver::TimeOfDay CGPSReceiver::NmeaTimeOfDay() const
{
    TimeOfDay t;
    const double x = NmeaNumber(PositionField(1));
    if (!(std::fabs(x) < 1e15))
        return t;
    const long long v = static_cast<long long>(x);
    t.hour = v / 10000;
    t.minute = v / 100 % 100;
    t.second = v % 100;
    t.valid = v >= 0 && t.hour < 24 && t.minute < 60 && t.second < 60;
    return t;
}

CGPSReceiver::TimeOfDay CGPSReceiver::TsipTimeOfDay() const
{
    float timeOfFix;
    {
        std::lock_guard<std::recursive_mutex> lock(m_gpsParseLock);
        timeOfFix = m_fTsipTimeOfFix;
    }
    TimeOfDay t;
    if (!std::isfinite(timeOfFix))
        return t;
    const long long s = static_cast<long long>(std::fmod(static_cast<double>(timeOfFix), 86400.0));
    t.hour = s / 3600;
    t.minute = s % 3600 / 60;
    t.second = s % 60;
    t.valid = timeOfFix >= 0.0f;
    return t;
}

std::string CGPSReceiver::GetTimeText() const
{
    const TimeOfDay t = NmeaTimeOfDay();
    return TimeText(t.hour, t.minute, t.second);
}

std::string CGPSReceiver::GetTsipTimeText() const
{
    const TimeOfDay t = TsipTimeOfDay();
    return TimeText(t.hour, t.minute, t.second);
}

double CGPSReceiver::GetDateTime() const
{
    const TimeOfDay t = IsTsip() ? TsipTimeOfDay() : NmeaTimeOfDay();
    if (!t.valid)
        return 0.0;
    const auto now = m_clock();
    CivilDateTime fix = CivilFromClock(now);
    fix.hour = static_cast<int>(t.hour);
    fix.minute = static_cast<int>(t.minute);
    fix.second = static_cast<int>(t.second);
    double date = AutomationDateFromCivil(fix);
    const double clock = AutomationDateOfClock(now);
    if (date - clock > 0.5)
        date -= 1.0;
    else if (clock - date > 0.5)
        date += 1.0;
    return date;
}
