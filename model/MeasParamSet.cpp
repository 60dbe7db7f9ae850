#include "model/MeasParamSet.h"

#include "model/Numbers.h"
#include "model/Prompter.h"
#include "model/StringTable.h"
#include "model/TextFile.h"

#include <cmath>
#include <utility>

namespace {

// Settings lines hold at most this many characters; the rest of a longer line is skipped.
constexpr size_t kLineCap = 254;
constexpr int kLinesPerChannel = 12;

std::uint8_t Flag(std::string_view v) { return LeadingInt(v) != 0 ? 1 : 0; }
std::uint8_t U8(std::string_view v) { return static_cast<std::uint8_t>(LeadingInt(v)); }
std::uint16_t U16(std::string_view v) { return static_cast<std::uint16_t>(LeadingInt(v)); }
std::int16_t I16(std::string_view v) { return static_cast<std::int16_t>(LeadingInt(v)); }

// A decimal that is not finite takes `fallback`, the field's default.
double Decimal(std::string_view v, double fallback = 0.0)
{
    const double d = ParseDecimal(std::string(v));
    return std::isfinite(d) ? d : fallback;
}

// TIME and DISTANCE INTERVAL of 0 or less (a hand-edited or damaged file) would set the unit
// streaming as fast as it can: such a value takes `fallback`, the field's default.
double Interval(std::string_view v, double fallback)
{
    const double d = Decimal(v, fallback);
    return d > 0.0 ? d : fallback;
}

const CMeasParam& Defaults()
{
    static const CMeasParam defaults;
    return defaults;
}

// A value its dialog cannot set (a hand-edited or damaged file) would be sent to the unit and
// written into the headers as it stands: like an interval not above 0, it takes `fallback`,
// the field's default. Applied after the field's width has kept its low bits.
template <typename Int>
Int Within(Int value, int lo, int hi, Int fallback)
{
    return value >= lo && value <= hi ? value : fallback;
}

// The values the channel dialog offers: 1 to 256 stacks, a divider of 1 to 128, ramps 0 to 3.
std::int16_t Stacks(std::string_view v) { return Within(I16(v), 1, 256, Defaults().m_nStacks); }
std::uint16_t FrequencySteps(std::string_view v) { return Within(U16(v), 1, 128, Defaults().m_nFrequencySteps); }
std::uint16_t RampIndex(std::string_view v) { return Within(U16(v), 0, 3, Defaults().m_nRampIndex); }

// The master wheel (16) or the wheel of slot A to H (0 to 7).
std::uint8_t WheelSource(std::string_view v)
{
    const std::uint8_t source = U8(v);
    return source == 16 ? source : Within<std::uint8_t>(source, 0, 7, 0);
}

// +1 or -1; 0 is what a set whose direction was never chosen writes itself.
std::int16_t MeasDirection(std::string_view v) { return Within<std::int16_t>(I16(v), -1, 1, 0); }

std::int16_t WheelDirection(std::string_view v)
{
    const std::int16_t direction = I16(v);
    return direction == 1 || direction == -1 ? direction : CWheel().m_nDirection;
}

// A decimal truncated toward zero, keeping its low 8 bits ("129.9" is 129, "-1" is 255).
std::uint8_t TruncatedU8(std::string_view v)
{
    double d = std::trunc(Decimal(v));
    if (!(std::fabs(d) < 9.0e18)) // ParseDecimal saturates near 2^63; keep the cast defined
        d = 0.0;
    return static_cast<std::uint8_t>(static_cast<std::int64_t>(d));
}

std::string Fixed6(double v) { return FormatC("%f", v); }

// A name goes into one settings line and one header field: a stray CR (a file with CR-only
// line ends reads as one line) becomes a blank.
std::string OneLineName(std::string_view v)
{
    std::string name(v);
    for (char& c : name)
        if (c == '\r' || c == '\n')
            c = ' ';
    return name;
}

// Sets the field of `p` that `key` names; the preset file leaves out CHANNEL ACTIVE and
// TIME ZERO. False when the key is not one of the file's keys.
bool SetParamField(CMeasParam& p, std::string_view key, std::string_view value, bool preset)
{
    if (key == "PRESET NAME")
        p.m_strName = OneLineName(value);
    else if (key == "CHANNEL ACTIVE" && !preset)
        p.m_bActive = Flag(value);
    else if (key == "ANTENNA SEPARATION")
        p.m_fAntennaSeparation = static_cast<float>(Decimal(value, Defaults().m_fAntennaSeparation));
    else if (key == "SAMPLES")
        p.m_nSamples = U16(value);
    else if (key == "FREQUENCY STEPS")
        p.m_nFrequencySteps = FrequencySteps(value);
    else if (key == "STACKS")
        p.m_nStacks = Stacks(value);
    else if (key == "TIME INTERVAL")
        p.m_dTimeInterval = Interval(value, Defaults().m_dTimeInterval);
    else if (key == "DISTANCE INTERVAL")
        p.m_dDistanceInterval = Interval(value, Defaults().m_dDistanceInterval);
    else if (key == "SIGNAL POSITION")
        p.m_nSignalPosition = U16(value);
    else if (key == "RAMP INDEX")
        p.m_nRampIndex = RampIndex(value);
    else if (key == "EM SENSOR")
        p.m_bEmSensor = Flag(value);
    else if (key == "TIME ZERO" && !preset)
        p.m_nTimeZero = I16(value);
    else
        return false;
    return true;
}

void WriteParam(TextWriter& out, const CMeasParam& p, bool preset)
{
    out.line("PRESET NAME:" + p.m_strName);
    if (!preset)
        out.line(FormatC("CHANNEL ACTIVE:%d", p.m_bActive));
    out.line("ANTENNA SEPARATION:" + Fixed6(static_cast<double>(p.m_fAntennaSeparation)));
    out.line(FormatC("SAMPLES:%d", p.m_nSamples));
    out.line(FormatC("FREQUENCY STEPS:%d", p.m_nFrequencySteps));
    out.line(FormatC("STACKS:%d", p.m_nStacks));
    out.line("TIME INTERVAL:" + Fixed6(p.m_dTimeInterval));
    out.line("DISTANCE INTERVAL:" + Fixed6(p.m_dDistanceInterval));
    out.line(FormatC("SIGNAL POSITION:%d", p.m_nSignalPosition));
    out.line(FormatC("RAMP INDEX:%d", p.m_nRampIndex));
    out.line(FormatC("EM SENSOR:%d", p.m_bEmSensor));
    if (!preset)
        out.line(FormatC("TIME ZERO:%d", p.m_nTimeZero));
}

// One preset's lines of preset_param.
std::string PresetLines(const CMeasParam& p)
{
    TextWriter out;
    WriteParam(out, p, true);
    return out.text();
}

} // namespace

CMeasParamSet::CMeasParamSet(const std::string& settingsFolder)
{
    if (!settingsFolder.empty()) {
        m_strLastUsedPath = settingsFolder + "/last_used_param";
        m_strPresetPath = settingsFolder + "/preset_param";
        m_strGlobalPath = settingsFolder + "/global_settings";
        m_strWheelPath = settingsFolder + "/wheel_presets";
    }
}

void CMeasParamSet::LoadAll(Prompter& prompter)
{
    if (!LoadLastUsed())
        prompter.message(IDS_LOAD_MEAS_PARAMS_FAIL);
    if (!LoadGlobals())
        prompter.message(IDS_LOAD_GLOBALS_FAIL);
    if (!LoadPresets()) {
        prompter.message(IDS_LOAD_PRESETS_FAIL);
        SetDefaultPresets();
    }
    if (!LoadWheels())
        prompter.message(IDS_LOAD_WHEELS_FAIL);
}

void CMeasParamSet::SaveAll(Prompter& prompter)
{
    if (!SaveLastUsed())
        prompter.message(IDS_SAVE_MEAS_PARAMS_FAIL);
    if (!SavePresets())
        prompter.message(IDS_SAVE_PRESETS_FAIL);
    if (!SaveGlobals())
        prompter.message(IDS_SAVE_GLOBALS_FAIL);
    if (!SaveWheels())
        prompter.message(IDS_SAVE_WHEELS_FAIL);
}

void CMeasParamSet::AddPreset(CMeasParam preset)
{
    m_presets.push_back(std::make_unique<CMeasParam>(std::move(preset)));
}

void CMeasParamSet::DeletePreset(int index)
{
    if (index >= 0 && index < GetPresetCount())
        m_presets.erase(m_presets.begin() + index);
}

void CMeasParamSet::SetDefaultPresets()
{
    CMeasParam p;
    p.m_strName = "500 MHz shielded";
    p.m_bActive = 1;
    p.m_fAntennaSeparation = 0.16f;
    p.m_nFrequencySteps = 8;
    p.m_nRampIndex = 1;
    p.m_nSamples = 400;
    p.m_nSignalPosition = 128;
    p.m_nStacks = 2;
    p.m_dTimeInterval = 0.1;
    p.m_dDistanceInterval = 0.1;
    m_presets.clear();
    AddPreset(std::move(p));
}

void CMeasParamSet::AddWheel(CWheel wheel)
{
    m_wheels.push_back(std::make_unique<CWheel>(std::move(wheel)));
}

void CMeasParamSet::DeleteWheel(int index)
{
    if (index >= 0 && index < GetWheelCount())
        m_wheels.erase(m_wheels.begin() + index);
}

float CMeasParamSet::GetUnitFactor() const
{
    if (m_strUnits == "F")
        return 0.3048f;
    if (m_strUnits == "I")
        return 0.0254f;
    return 1.0f;
}

void CMeasParamSet::GetUnitName(std::string& name) const
{
    if (m_strUnits == "F")
        name = MessageText(IDS_UNIT_FEET);
    else if (m_strUnits == "I")
        name = MessageText(IDS_UNIT_INCHES);
    else
        name = MessageText(IDS_UNIT_METERS);
}

double CMeasParamSet::GetSampleInterval(int slot, int ramp) const
{
    if (slot < 0 || slot >= kSlots || ramp < 0 || ramp >= kRamps)
        return 0.0;
    return m_dSampleInterval[slot][ramp];
}

void CMeasParamSet::SetSampleInterval(int slot, int ramp, double microseconds)
{
    if (slot < 0 || slot >= kSlots || ramp < 0 || ramp >= kRamps)
        return;
    m_dSampleInterval[slot][ramp] = microseconds;
}

bool CMeasParamSet::LoadLastUsed()
{
    LineReader in(m_strLastUsedPath, kLineCap);
    if (!in.isOpen())
        return false;
    // Positional: line j belongs to channel j / 12, its key picks the field. A short file
    // leaves the later channels as they are.
    std::string line;
    for (int j = 0; j < kChannels * kLinesPerChannel; ++j) {
        if (!in.next(line))
            break;
        KeyValue kv = SplitKeyValue(line);
        SetParamField(m_params[j / kLinesPerChannel], kv.key, kv.value, false);
    }
    return true;
}

bool CMeasParamSet::SaveLastUsed() const
{
    TextWriter out;
    for (const CMeasParam& p : m_params)
        WriteParam(out, p, false);
    return out.save(m_strLastUsedPath);
}

bool CMeasParamSet::LoadGlobals()
{
    LineReader in(m_strGlobalPath, kLineCap);
    if (!in.isOpen())
        return false;
    std::string line;
    while (in.next(line)) {
        auto [key, value] = SplitKeyValue(line);
        // COUNTRY (the killswitch) and MISSED TRACE MODE are checks of the hardware set-up.
        if (key == "COUNTRY")
            m_nCountry = Within<std::int16_t>(I16(value), 0, 1, 0);
        else if (key == "BEEPER")
            m_bBeeper = Flag(value);
        else if (key == "MISSED TRACE MODE")
            m_nMissedTraceMode = Within<std::uint8_t>(U8(value), 0, 1, 1);
        else if (key == "AUTOSTACK")
            m_bAutoStack = Flag(value);
        else if (key == "TRIG TYPE")
            m_nTrigType = TruncatedU8(value);
        else if (key == "WHEEL SOURCE")
            m_nWheelSource = WheelSource(value);
        else if (key == "MEASUREMENT DIRECTION")
            m_nMeasDirection = MeasDirection(value);
        else if (key == "MEASUREMENT UNITS")
            m_strUnits = std::string(value);
        else if (key == "BIDIRECTIONAL")
            m_bBidirectional = Flag(value);
        else if (key == "DCMEASFILT")
            m_bDcFilter = Flag(value);
    }
    return true;
}

bool CMeasParamSet::SaveGlobals() const
{
    TextWriter out;
    out.line(FormatC("COUNTRY:%d", m_nCountry));
    out.line(FormatC("BEEPER:%d", m_bBeeper));
    out.line(FormatC("MISSED TRACE MODE:%d", m_nMissedTraceMode));
    out.line(FormatC("AUTOSTACK:%d", m_bAutoStack));
    out.line(FormatC("TRIG TYPE:%d", m_nTrigType));
    out.line(FormatC("WHEEL SOURCE:%d", m_nWheelSource));
    out.line(FormatC("MEASUREMENT DIRECTION:%d", m_nMeasDirection));
    out.line("MEASUREMENT UNITS:" + m_strUnits);
    out.line(FormatC("BIDIRECTIONAL:%d", m_bBidirectional));
    out.line(FormatC("DCMEASFILT:%d", m_bDcFilter));
    return out.save(m_strGlobalPath);
}

bool CMeasParamSet::LoadPresets()
{
    LineReader in(m_strPresetPath, kLineCap);
    if (!in.isOpen())
        return false;
    // Lines before the first PRESET NAME have no preset to go to and are skipped.
    CMeasParam* current = nullptr;
    // A file may give a preset in one line (PRESET NAME alone) that is written back as ten:
    // presets are taken only as far as SavePresets writes them into a file this reader takes
    // again, and the rest of the file is left unread.
    std::size_t written = 0;
    auto writable = [&] {
        written += PresetLines(*current).size();
        if (written <= LineReader::kFileLimit)
            return true;
        m_presets.pop_back();
        return false;
    };
    std::string line;
    while (in.next(line)) {
        auto [key, value] = SplitKeyValue(line);
        if (key == "PRESET NAME") {
            if (current && !writable())
                return true;
            AddPreset(CMeasParam());
            current = m_presets.back().get();
        }
        if (!current)
            continue;
        SetParamField(*current, key, value, true);
        // A preset is always an active channel with the standard time zero.
        current->m_bActive = 1;
        current->m_nTimeZero = 30;
    }
    if (current)
        writable();
    return true;
}

bool CMeasParamSet::SavePresets() const
{
    // The reader refuses a file past its limit, and would then replace every preset by the
    // default one: the presets that would carry the file past it are left out instead.
    std::string text;
    for (const auto& p : m_presets) {
        const std::string lines = PresetLines(*p);
        if (text.size() + lines.size() > LineReader::kFileLimit)
            break;
        text += lines;
    }
    return SaveFileAtomically(m_strPresetPath, text);
}

bool CMeasParamSet::LoadWheels()
{
    LineReader in(m_strWheelPath, kLineCap);
    if (!in.isOpen())
        return false;
    // Lines before the first WHEEL NAME have no wheel to go to and are skipped.
    CWheel* current = nullptr;
    std::string line;
    while (in.next(line)) {
        auto [key, value] = SplitKeyValue(line);
        if (key == "WHEEL NAME") {
            CWheel wheel;
            wheel.m_strName = std::string(value);
            AddWheel(std::move(wheel));
            current = m_wheels.back().get();
        } else if (current && key == "CALIBRATION") {
            current->m_dCalibration = Decimal(value, CWheel().m_dCalibration);
        } else if (current && key == "DIRECTION") {
            current->m_nDirection = WheelDirection(value);
        }
    }
    return true;
}

bool CMeasParamSet::SaveWheels() const
{
    TextWriter out;
    for (const auto& w : m_wheels) {
        out.line("WHEEL NAME:" + w->m_strName);
        out.line("CALIBRATION:" + Fixed6(w->m_dCalibration));
        out.line(FormatC("DIRECTION:%d", w->m_nDirection));
    }
    return out.save(m_strWheelPath);
}
