// dv-settings: runs the program's settings through one start and one exit, without windows.
//
// Usage:
//   dv-settings          start, then exit, as below
//   dv-settings --help   this text on stdout
// Any other argument: the usage on stderr, exit status 2, nothing read or written.
//
// Environment, as the program takes it:
//   XDG_CONFIG_HOME (else HOME/.config)  the settings folder <config>/Delvora with its four
//                                        files, and the profile
//                                        "<config>/Vostrel Geodata/Delvora for Tolam.ini"
//   HOME, <config>/user-dirs.dirs        the documents folder, the data folder of a first run
//   LC_ALL, LANG ...                     the locale (files are written the same in any locale)
//
// Start: builds the parameter set and reads last_used_param, global_settings, preset_param
// and wheel_presets; then loads the profile sections "settings" and "GPS Settings".
// Exit: saves the profile, then writes last_used_param, preset_param, global_settings and
// wheel_presets.
//
// stdout: every message the operator would be shown, in order, one line "message <id>"
// (133..136 for a settings file that cannot be read, 139..142 for one that cannot be
// written). Nothing else goes to stdout.
// stderr: notes on what the program would not show: the profile could not be written; GPS
// logging is on (this tool has no receiver: it keeps the switch as stored and saves it back).
// Exit status: 0 once it has run, whatever it reported; 2 for a usage error.
//
// SIGXFSZ is ignored as in the program, so under `ulimit -f` a file too big is a failed
// write (reported, the old file kept) and does not end the process.

#include "model/AppSettings.h"
#include "model/GpsSettingsTarget.h"
#include "model/MeasParamSet.h"
#include "model/PlatformPaths.h"
#include "model/Prompter.h"
#include "shell/QtProfile.h"

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

const char* const kUsage =
    "usage: dv-settings [--help]\n"
    "Loads the settings files and the profile as the program does at start, saves them as it\n"
    "does at exit, and prints each message it would show as \"message <id>\".\n";

class PrintingPrompter : public Prompter {
public:
    void message(int id) override { std::printf("message %d\n", id); }
    // Loading and saving the settings ask nothing; a question would be answered No.
    bool askYesNo(int id) override
    {
        std::printf("question %d\n", id);
        return false;
    }
    void messageText(const std::string& text) override { std::printf("text %s\n", text.c_str()); }
};

// Stands in for the GPS receiver: keeps its settings and takes the logging switch as it is.
class StoredGps : public GpsSettingsTarget {
public:
    Values GetGpsValues() const override { return m_values; }
    void SetGpsValues(const Values& values) override { m_values = values; }
    void Enable(bool on) override
    {
        if (on)
            std::fprintf(stderr, "dv-settings: GPS logging is on; no receiver is started here\n");
        m_on = on;
    }
    bool IsOpen() const override { return m_on; }

private:
    Values m_values;
    bool m_on = false;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 1) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::signal(SIGXFSZ, SIG_IGN);
    std::setlocale(LC_ALL, ""); // as the program's window framework does
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    PrintingPrompter prompter;
    StoredGps gps;

    CMeasParamSet params(PlatformPaths::SettingsFolder());
    params.LoadAll(prompter);
    QtProfile profile;
    CAppSettings settings;
    settings.LoadSettings(profile, gps);

    if (!settings.SaveSettings(profile, gps))
        std::fprintf(stderr, "dv-settings: the profile %s could not be written\n",
                     profile.path().empty() ? "(no home folder)" : profile.path().c_str());
    params.SaveAll(prompter);
    return 0;
}
