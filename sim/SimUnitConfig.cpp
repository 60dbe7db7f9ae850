#include "sim/SimUnitConfig.h"

#include "sim/SimText.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

std::array<double, 4> CSimUnitConfig::DefaultIntervals(uint8_t type)
{
    // Microseconds per frequency step: 0.1 ns for the short ramp of a coaxial or opto
    // module, doubling with each longer ramp; an HF module samples four times finer.
    if (type == 12)
        return {2.5e-5, 5e-5, 1e-4, 2e-4};
    return {1e-4, 2e-4, 4e-4, 8e-4};
}

CSimUnitConfig CSimUnitConfig::Tolam()
{
    CSimUnitConfig c;
    c.slots[0] = {true, 8, true, DefaultIntervals(8)};
    c.slots[1] = {true, 4, false, DefaultIntervals(4)};
    return c;
}

CSimUnitConfig CSimUnitConfig::Z5K()
{
    CSimUnitConfig c;
    c.kind = Kind::Z5K;
    c.unitId = 0x20000001;
    c.slots[0] = {true, 8, true, DefaultIntervals(8)};
    return c;
}

bool CSimUnitConfig::SetModules(const std::string& list, std::string& error)
{
    const std::vector<std::string> parts = SimSplit(list, ',');
    if (parts.size() > slots.size()) {
        error = "at most 8 slots";
        return false;
    }
    std::array<SimSlotModule, 8> made{};
    for (size_t s = 0; s < parts.size(); ++s) {
        if (parts[s] == "-" || parts[s].empty())
            continue;
        long type = 0;
        if (!SimParseLong(parts[s], type) || type < 0 || type > 15) {
            error = "module type '" + parts[s] + "' is not 0 to 15";
            return false;
        }
        made[s].present = true;
        made[s].type = uint8_t(type);
        made[s].emSensor = slots[s].emSensor;
        made[s].intervals = DefaultIntervals(uint8_t(type));
    }
    slots = made;
    return true;
}

bool CSimUnitConfig::SetSensors(const std::string& list, std::string& error)
{
    for (SimSlotModule& m : slots)
        m.emSensor = false;
    if (list == "none" || list.empty())
        return true;
    for (const std::string& part : SimSplit(list, ',')) {
        long s = 0;
        if (!SimParseLong(part, s) || s < 0 || s > 7) {
            error = "slot '" + part + "' is not 0 to 7";
            return false;
        }
        slots[size_t(s)].emSensor = true;
    }
    return true;
}

bool CSimUnitConfig::SetInterval(const std::string& text, std::string& error)
{
    const std::vector<std::string> parts = SimSplit(text, ',');
    long slot = 0, index = 0;
    double value = 0;
    if (parts.size() != 3 || !SimParseLong(parts[0], slot) || !SimParseLong(parts[1], index) ||
        !SimParseDouble(parts[2], value) || slot < 0 || slot > 7 || index < 0 || index > 3) {
        error = "sample interval is SLOT(0-7),INDEX(0-3),VALUE";
        return false;
    }
    slots[size_t(slot)].intervals[size_t(index)] = value;
    return true;
}

bool CSimUnitConfig::SetFill(const std::string& text, std::string& error)
{
    const size_t eq = text.find('=');
    double ratio = 0;
    if (!SimParseDouble(text.substr(eq == std::string::npos ? 0 : eq + 1), ratio) || !(ratio >= 0) || ratio > 1000) {
        error = "fill ratio must be a number from 0";
        return false;
    }
    if (eq == std::string::npos) {
        fill.fill(ratio);
        return true;
    }
    long slot = 0;
    if (!SimParseLong(text.substr(0, eq), slot) || slot < 0 || slot > 7) {
        error = "fill slot must be 0 to 7";
        return false;
    }
    fill[size_t(slot)] = ratio;
    return true;
}

bool CSimUnitConfig::ParseWords(const std::string& list, std::vector<uint16_t>& out)
{
    std::vector<uint16_t> words;
    for (const std::string& part : SimSplit(list, ',')) {
        long v = 0;
        if (!SimParseLong(part, v) || v < 0 || v > 0xFFFF)
            return false;
        words.push_back(uint16_t(v));
    }
    out = words;
    return true;
}

bool CSimUnitConfig::Validate(std::string& error) const
{
    if (maxFrame < SimWire::kMinFrame || maxFrame > SimWire::kJumboMaxFrame) {
        error = "largest frame must be 60 to 65536 bytes";
        return false;
    }
    if (keepAliveMs < 1 || keepAliveMs > 60000 || batteryMs < 1 || batteryMs > 600000) {
        error = "keep-alive 1 to 60000 ms, battery 1 to 600000 ms";
        return false;
    }
    if (packRecords < 1 || packRecords > 4096) {
        error = "records per message must be 1 to 4096";
        return false;
    }
    if (!(rate >= 0) || rate > 10000000) {
        error = "rate must be 0 (real time) or up to 10000000 steps per second";
        return false;
    }
    if (!std::isfinite(wheelSpeed) || std::fabs(wheelSpeed) > 1e9) {
        error = "wheel speed out of range";
        return false;
    }
    return true;
}
