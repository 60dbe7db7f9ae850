#include "model/RadHeader.h"

#include "model/MeasParamSet.h"
#include "model/Numbers.h"
#include "model/TextFile.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <system_error>

namespace {

constexpr double kDefaultWheelCalibration = 442.7;

// Texts are cut to their field and may not break the line structure of the file.
std::string FieldText(std::string_view text, std::size_t max)
{
    std::string out(text.substr(0, max));
    for (char& c : out)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return out;
}

// A trace interval of 0 or less, or one that is no number (a damaged header), would have
// the unit take traces as fast as it can once measured again: it takes `fallback`, the
// setting's default, as the settings files do.
double UsableInterval(double interval, double fallback)
{
    return std::isfinite(interval) && interval > 0.0 ? interval : fallback;
}

std::string_view SkipBlanks(std::string_view v)
{
    std::size_t i = 0;
    while (i < v.size() && std::isspace(static_cast<unsigned char>(v[i])))
        ++i;
    return v.substr(i);
}

// A whole number as a stream extraction takes it: blanks, an optional sign, digits.
// False (target untouched) when there are no digits or the value does not fit.
bool ParseWhole(std::string_view v, std::int64_t lo, std::int64_t hi, std::int64_t& out)
{
    v = SkipBlanks(v);
    bool negative = false;
    if (!v.empty() && (v[0] == '+' || v[0] == '-')) {
        negative = v[0] == '-';
        v.remove_prefix(1);
    }
    std::uint64_t magnitude = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), magnitude);
    if (ec != std::errc() || end == v.data())
        return false;
    if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return false;
    std::int64_t value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (value < lo || value > hi)
        return false;
    out = value;
    return true;
}

template <typename Int>
void ReadWhole(std::string_view v, Int& target)
{
    std::int64_t value;
    if (ParseWhole(v, std::numeric_limits<Int>::min(), std::numeric_limits<Int>::max(), value))
        target = static_cast<Int>(value);
}

void ReadFlag(std::string_view v, bool& target)
{
    std::int64_t value;
    if (ParseWhole(v, 0, 1, value))
        target = value != 0;
}

template <typename Real>
void ReadReal(std::string_view v, Real& target)
{
    v = SkipBlanks(v);
    if (!v.empty() && v[0] == '+' && v.size() > 1 && v[1] != '-' && v[1] != '+')
        v.remove_prefix(1);
    Real value{};
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
    if (ec != std::errc() || end == v.data() || !std::isfinite(value))
        return;
    target = value;
}

bool StartsWith(std::string_view line, std::string_view key)
{
    return line.size() >= key.size() && line.compare(0, key.size(), key) == 0;
}

int StackExponent(std::int32_t stacks)
{
    int n = 0;
    for (auto s = static_cast<std::int16_t>(stacks); s > 1; s = static_cast<std::int16_t>(s / 2))
        ++n;
    return n;
}

bool IsTime(std::uint8_t mode) { return mode >= 128 && mode <= 254; }

} // namespace

CRadHeader::CRadHeader()
{
    SetDefaults(0, 0);
}

void CRadHeader::SetDefaults(int, int)
{
    m_strCustomer = "_";
    m_strOperator = "_";
    m_strSite = "_";
    m_strAntennas = "_";
    m_strWheelName.clear();
    m_dWheelCalibration = kDefaultWheelCalibration;
    m_dSystemCalibration = static_cast<double>(2.323e-6f);
    m_dInterval = static_cast<double>(0.02f);
    m_fAntennaSeparation = 0.2f;
    m_fFrequency = 7174.6304f;
    m_nFrequencySteps = 60;
    m_nStacks = 2;
    m_nSignalPosition = 40000;
    m_nSamples = 0;
    m_nLastTrace = 0;
    m_nDirection = 1;
    m_nTriggerMode = 0;
    m_nAntennaClass = 0;
}

void CRadHeader::FillFromSettings(const CMeasParamSet& settings, int slot, int channel)
{
    const int k = slot * 2 + channel;
    if (slot < 0 || slot >= CMeasParamSet::kSlots || channel < 0 || channel > 1)
        return;
    const CMeasParam& p = settings.m_params[k];

    m_dSystemCalibration = settings.GetSampleInterval(slot, p.m_nRampIndex);
    m_strAntennas = FieldText(p.m_strName, kTextMax);
    m_nSamples = p.m_nSamples;
    m_nAntennaClass = static_cast<std::uint8_t>(p.m_nRampIndex);
    m_nFrequencySteps = p.m_nFrequencySteps;
    m_nStacks = StacksForUnit(p.m_nStacks);
    m_nSignalPosition = p.m_nSignalPosition;
    m_fAntennaSeparation = p.m_fAntennaSeparation;

    m_strWheelName.clear();
    m_nDirection = 0;
    m_dWheelCalibration = 0.0;
    m_nTriggerMode = settings.m_nTrigType;
    if (m_nTriggerMode < 128) {
        m_dInterval = p.m_dDistanceInterval;
        if (m_nTriggerMode < settings.GetWheelCount()) {
            const CWheel& w = *settings.m_wheels[m_nTriggerMode];
            m_strWheelName = FieldText(w.m_strName, kWheelNameMax);
            m_dWheelCalibration = w.m_dCalibration;
            m_nDirection = w.m_nDirection;
        } else {
            m_dWheelCalibration = kDefaultWheelCalibration;
            m_nDirection = 1;
        }
    } else {
        m_dInterval = p.m_dTimeInterval;
    }
    if (m_dSystemCalibration == 0.0 || m_nFrequencySteps == 0)
        m_fFrequency = 1.0f;
    else
        m_fFrequency = static_cast<float>(1.0 / (m_nFrequencySteps * m_dSystemCalibration));
}

double CRadHeader::UsableTraceInterval() const
{
    const CMeasParam defaults;
    return UsableInterval(m_dInterval, IsTime(m_nTriggerMode) ? defaults.m_dTimeInterval : defaults.m_dDistanceInterval);
}

bool CRadHeader::StoreToSettings(CMeasParamSet& settings, int slot, int channel) const
{
    if (slot < 0 || slot >= CMeasParamSet::kSlots || channel < 0 || channel > 1)
        return true;
    CMeasParam& p = settings.m_params[slot * 2 + channel];
    settings.m_nTrigType = m_nTriggerMode;
    if (IsTime(m_nTriggerMode))
        p.m_dTimeInterval = UsableTraceInterval();
    else
        p.m_dDistanceInterval = UsableTraceInterval();
    p.m_nRampIndex = m_nAntennaClass;
    settings.SetSampleInterval(slot, m_nAntennaClass, m_dSystemCalibration);
    p.m_nSamples = static_cast<std::uint16_t>(m_nSamples);
    p.m_nFrequencySteps = static_cast<std::uint16_t>(m_nFrequencySteps);
    p.m_nStacks = static_cast<std::int16_t>(m_nStacks);
    p.m_fAntennaSeparation = m_fAntennaSeparation;
    return true;
}

std::string CRadHeader::Format() const
{
    const bool distance = m_nTriggerMode < 128;
    const bool time = IsTime(m_nTriggerMode);
    const bool program = m_nTriggerMode == 255;
    const double signalPosition = (65535.0 - m_nSignalPosition) * m_dSystemCalibration * 1000.0;
    const double timeWindow = m_nFrequencySteps * m_dSystemCalibration * m_nSamples * 1000.0;
    // The product is a 32-bit integer in the file's definition, wrapping like one.
    const auto stackProduct = static_cast<std::int32_t>(static_cast<std::uint32_t>(m_nSamples) *
                                                        static_cast<std::uint32_t>(m_nStacks));

    TextWriter out;
    out.line(FormatC("SAMPLES:%d", m_nSamples));
    out.line(FormatC("FREQUENCY:%11.6f", static_cast<double>(m_fFrequency)));
    out.line(FormatC("FREQUENCY STEPS:%d", m_nFrequencySteps));
    out.line(FormatC("SIGNAL POSITION:%f", signalPosition));
    out.line(FormatC("RAW SIGNAL POSITION:%d", m_nSignalPosition));
    out.line(FormatC("DISTANCE FLAG:%d", distance ? 1 : 0));
    out.line(FormatC("TIME FLAG:%d", time ? 1 : 0));
    out.line(FormatC("PROGRAM FLAG:%d", program ? 1 : 0));
    out.line("EXTERNAL FLAG:0");
    out.line(FormatC("TIME INTERVAL:%9.6f", time ? m_dInterval : 0.0));
    out.line(FormatC("DISTANCE INTERVAL:%9.6f", (distance || program) ? m_dInterval : 0.0));
    out.line("OPERATOR:" + FieldText(m_strOperator, kTextMax));
    out.line("CUSTOMER:" + FieldText(m_strCustomer, kTextMax));
    out.line("SITE:" + FieldText(m_strSite, kTextMax));
    out.line("ANTENNAS:" + FieldText(m_strAntennas, kTextMax));
    out.line("ANTENNA ORIENTATION:NOT VALID FIELD");
    out.line(FormatC("ANTENNA SEPARATION:%9.6f", static_cast<double>(m_fAntennaSeparation)));
    out.line("COMMENT:" + FieldText(m_strComment, kTextMax));
    out.line(FormatC("TIMEWINDOW:%9.6f", timeWindow));
    out.line(FormatC("STACKS:%d", m_nStacks));
    out.line(FormatC("STACK EXPONENT:%d", StackExponent(m_nStacks)));
    out.line(FormatC("STACKING TIME:%2.6f", stackProduct * 1e-5));
    out.line(FormatC("LAST TRACE:%d", m_nLastTrace));
    out.line(FormatC("STOP POSITION:%10.6f", m_nLastTrace * m_dInterval));
    out.line(FormatC("SYSTEM CALIBRATION:%12.10f", m_dSystemCalibration));
    out.line("START POSITION:0.000000");
    out.line(FormatC("SHORT FLAG:%d", m_nAntennaClass == 0 ? 1 : 0));
    out.line(FormatC("INTERMEDIATE FLAG:%d", m_nAntennaClass == 1 ? 1 : 0));
    out.line(FormatC("LONG FLAG:%d", m_nAntennaClass == 2 ? 1 : 0));
    out.line("PREPROCESSING:0");
    out.line("HIGH:0");
    out.line("LOW:0");
    out.line("FIXED INCREMENT:0.300000");
    out.line("FIXED MOVES UP:0");
    out.line("FIXED MOVES DOWN:1");
    out.line("FIXED POSITION:0.000000");
    out.line(FormatC("WHEEL CALIBRATION:%9.6f", m_dWheelCalibration));
    out.line(FormatC("POSITIVE DIRECTION:%d", m_nDirection));
    return out.text();
}

int CRadHeader::Write(const CMeasParamSet* refreshFrom, int slot, int channel)
{
    if (refreshFrom)
        FillFromSettings(*refreshFrom, slot, channel);
    return SaveFileAtomicallyOrInPlace(m_strPath, Format()) ? 0 : 6;
}

int CRadHeader::Read()
{
    LineReader in(m_strPath, kLineMax);
    if (!in.isOpen())
        return 5;

    bool programFlag = false, timeFlag = false, distanceFlag = false;
    double timeInterval = 0.0, distanceInterval = 0.0;
    int shortFlag = 0, intermediateFlag = 0, longFlag = 0;

    std::string line;
    while (in.next(line)) {
        const std::string_view l = line;
        auto value = [&](std::string_view key, auto&& use) {
            if (StartsWith(l, key)) {
                use(l.substr(key.size()));
                return true;
            }
            return false;
        };
        value("LAST TRACE:", [&](auto v) { ReadWhole(v, m_nLastTrace); }) ||
            value("SAMPLES:", [&](auto v) { ReadWhole(v, m_nSamples); }) ||
            value("FREQUENCY:", [&](auto v) { ReadReal(v, m_fFrequency); }) ||
            value("FREQUENCY STEPS:", [&](auto v) { ReadWhole(v, m_nFrequencySteps); }) ||
            value("STACKS:", [&](auto v) { ReadWhole(v, m_nStacks); }) ||
            value("SYSTEM CALIBRATION:", [&](auto v) { ReadReal(v, m_dSystemCalibration); }) ||
            value("WHEEL CALIBRATION:", [&](auto v) { ReadReal(v, m_dWheelCalibration); }) ||
            value("POSITIVE DIRECTION:", [&](auto v) { ReadWhole(v, m_nDirection); }) ||
            value("PROGRAM FLAG:", [&](auto v) { ReadFlag(v, programFlag); }) ||
            value("TIME FLAG:", [&](auto v) { ReadFlag(v, timeFlag); }) ||
            value("DISTANCE FLAG:", [&](auto v) { ReadFlag(v, distanceFlag); }) ||
            value("TIME INTERVAL:", [&](auto v) { ReadReal(v, timeInterval); }) ||
            value("DISTANCE INTERVAL:", [&](auto v) { ReadReal(v, distanceInterval); }) ||
            value("ANTENNA SEPARATION:", [&](auto v) { ReadReal(v, m_fAntennaSeparation); }) ||
            value("RAW SIGNAL POSITION:", [&](auto v) { ReadWhole(v, m_nSignalPosition); }) ||
            value("ANTENNAS:", [&](auto v) { m_strAntennas = FieldText(v, kTextMax); }) ||
            value("COMMENT:", [&](auto v) { m_strComment = FieldText(v, kTextMax); }) ||
            value("CUSTOMER:", [&](auto v) { m_strCustomer = FieldText(v, kTextMax); }) ||
            value("OPERATOR:", [&](auto v) { m_strOperator = FieldText(v, kTextMax); }) ||
            value("SITE:", [&](auto v) { m_strSite = FieldText(v, kTextMax); }) ||
            value("SHORT FLAG:", [&](auto v) { ReadWhole(v, shortFlag); }) ||
            value("INTERMEDIATE FLAG:", [&](auto v) { ReadWhole(v, intermediateFlag); }) ||
            value("LONG FLAG:", [&](auto v) { ReadWhole(v, longFlag); });
    }

    if (m_fAntennaSeparation < 0.01f)
        m_fAntennaSeparation = 0.1f;

    if (shortFlag == 1)
        m_nAntennaClass = 0;
    else if (intermediateFlag == 1)
        m_nAntennaClass = 1;
    else if (longFlag == 1)
        m_nAntennaClass = 2;

    // A comment "name=n" names the wheel calibration and carries the wheel index.
    const std::size_t eq = m_strComment.find('=');
    if (eq == std::string::npos) {
        m_strWheelName = FieldText(m_strComment, kWheelNameMax);
        m_nTriggerMode = 0;
    } else {
        m_strWheelName = FieldText(std::string_view(m_strComment).substr(0, eq), kWheelNameMax);
        m_nTriggerMode = static_cast<std::uint8_t>(LeadingInt(std::string_view(m_strComment).substr(eq + 1)));
    }

    if (programFlag) {
        m_nTriggerMode = 255;
        m_dInterval = distanceInterval;
    } else if (timeFlag) {
        m_nTriggerMode = 128;
        m_dInterval = timeInterval;
    } else if (distanceFlag) {
        m_dInterval = distanceInterval;
    }

    if (m_dSystemCalibration == 0.0 && m_nFrequencySteps != 0 && m_fFrequency != 0.0f)
        m_dSystemCalibration = 1.0 / static_cast<double>(static_cast<float>(m_nFrequencySteps) * m_fFrequency);
    return 0;
}
