// Feeds arbitrary bytes to the four settings-file readers, then saves and reloads what they
// made of it: the second load must give back the same settings file bytes.
#include "fuzz/FuzzScratch.h"
#include "model/MeasParamSet.h"
#include "model/TextFile.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string Slurp(const std::string& path)
{
    LineReader in(path, 1 << 20);
    std::string all, line;
    while (in.next(line))
        all += line + "\n";
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string& folder = fuzz::ScratchFolder("settings");
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const char* name : {"last_used_param", "global_settings", "preset_param", "wheel_presets"})
        fuzz::Check(SaveFileAtomically(folder + "/" + name, bytes));

    CMeasParamSet first(folder);
    first.LoadLastUsed();
    first.LoadGlobals();
    first.LoadPresets();
    first.LoadWheels();
    fuzz::Check(first.SaveLastUsed() && first.SaveGlobals() && first.SavePresets() && first.SaveWheels());
    const std::string saved = Slurp(folder + "/last_used_param") + Slurp(folder + "/global_settings") +
                              Slurp(folder + "/preset_param") + Slurp(folder + "/wheel_presets");

    CMeasParamSet second(folder);
    second.LoadLastUsed();
    second.LoadGlobals();
    second.LoadPresets();
    second.LoadWheels();
    second.SaveLastUsed();
    second.SaveGlobals();
    second.SavePresets();
    second.SaveWheels();
    const std::string again = Slurp(folder + "/last_used_param") + Slurp(folder + "/global_settings") +
                              Slurp(folder + "/preset_param") + Slurp(folder + "/wheel_presets");
    fuzz::Check(saved == again);
    return 0;
}
