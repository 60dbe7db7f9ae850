// The unit's live command set, shared by the command line's standard input, its control
// socket and tests.
#include "sim/SimText.h"
#include "sim/SimUnit.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

std::string CSimUnit::ControlHelp()
{
    return "commands: stats | faults | clear-faults | vanish SECONDS | wheel TICKS_PER_S | "
           "marker W,W,... | battery VALUE | fill RATIO | fill SLOT=RATIO | sensor SLOT on|off | "
           "rate STEPS_PER_S (0 real time) | fault SPEC | FAULT-NAME [ARGS][/N] | help";
}

std::string CSimUnit::Control(const std::string& line)
{
    std::istringstream in(line);
    std::string word;
    in >> word;
    std::string rest;
    std::getline(in >> std::ws, rest);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\r' || rest.back() == '\t'))
        rest.pop_back();

    if (word.empty())
        return "ok";
    if (word == "help")
        return "ok " + ControlHelp();
    if (word == "stats") {
        const SimStats s = Stats();
        std::ostringstream out;
        out << "ok requests=" << s.requests << " ignored=" << s.ignored << " violations=" << s.violations
            << " replies=" << s.replies << " events=" << s.events << " data=" << s.dataMessages
            << " frames=" << s.frames << " bytes=" << s.bytes << " traces=" << s.traces
            << " sensors=" << s.sensorRecords << " keepalives=" << s.keepAlives << " faults=" << s.faultsFired
            << " send-errors=" << s.sendErrors << " streaming=" << (Streaming() ? 1 : 0)
            << " vanished=" << (Vanished() ? 1 : 0);
        return out.str();
    }
    if (word == "faults") {
        std::string out = "ok";
        for (const std::string& f : PendingFaults())
            out += " " + f;
        return out;
    }
    if (word == "clear-faults") {
        std::lock_guard<std::recursive_mutex> g(m_lock);
        m_faults.Clear();
        return "ok";
    }
    if (word == "vanish") {
        double seconds = 0;
        if (!SimParseDouble(rest, seconds) || !(seconds >= 0) || seconds > 86400)
            return "error: vanish needs seconds from 0 to 86400";
        Vanish(seconds);
        return "ok";
    }
    if (word == "wheel") {
        double speed = 0;
        if (!SimParseDouble(rest, speed) || !(std::abs(speed) <= 1e9))
            return "error: wheel needs ticks per second";
        SetWheelSpeed(speed);
        return "ok";
    }
    if (word == "marker") {
        std::vector<uint16_t> words;
        if (!CSimUnitConfig::ParseWords(rest, words))
            return "error: marker needs status words like 0,8,8,0,8";
        SetMarkerScript(words);
        return "ok";
    }
    if (word == "battery") {
        long v = 0;
        if (!SimParseLong(rest, v) || v < 0 || v > 0xFFFF)
            return "error: battery needs a value from 0 to 65535";
        SetBattery(uint16_t(v));
        return "ok";
    }
    if (word == "fill") {
        std::string spec = rest;
        const size_t space = spec.find(' ');
        if (space != std::string::npos)
            spec[space] = '=';
        CSimUnitConfig probe;
        std::string error;
        if (!probe.SetFill(spec, error))
            return "error: " + error;
        const size_t eq = spec.find('=');
        const int slot = eq == std::string::npos ? -1 : std::atoi(spec.c_str());
        SetFill(slot, probe.fill[size_t(slot < 0 ? 0 : slot)]);
        return "ok";
    }
    if (word == "sensor") {
        std::istringstream args(rest);
        long slot = -1;
        std::string state, slotText;
        args >> slotText >> state;
        if (!SimParseLong(slotText, slot) || slot < 0 || slot > 7 || (state != "on" && state != "off"))
            return "error: sensor needs SLOT on|off";
        SetSensorPresent(int(slot), state == "on");
        return "ok";
    }
    if (word == "rate") {
        double rate = 0;
        if (!SimParseDouble(rest, rate) || !(rate >= 0) || rate > 10000000)
            return "error: rate needs steps per second (0 for real time)";
        SetRate(rate);
        return "ok";
    }
    std::string spec;
    if (word == "fault") {
        spec = rest;
    } else if (CSimFaultPlan::IsFaultName(word.substr(0, word.find('/')))) {
        spec = word;
        std::string args = rest;
        for (char& c : args)
            if (c == ' ')
                c = ',';
        if (!args.empty())
            spec += (args[0] == '/' ? "" : "=") + args;
    } else {
        return "error: unknown command '" + word + "' (" + ControlHelp() + ")";
    }
    std::string error;
    if (!AddFault(spec, error))
        return "error: " + error;
    return "ok";
}
