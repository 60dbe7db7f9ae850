// Feeds arbitrary bytes to the four settings-file readers, then saves and reloads what they
// made of it: the second load must give back the same settings file bytes.
#include "model/MeasParamSet.h"
#include "model/TextFile.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// A folder for the whole run, removed at exit (the path is never destroyed before that).
const std::string& Folder()
{
    static const std::string* folder = [] {
        // Memory-backed when possible: every save syncs, and a disk makes that slow.
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/delvora-fuzz-XXXXXX"
                                                            : "/tmp/delvora-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        auto* made = new std::string(pattern);
        std::atexit([] { std::filesystem::remove_all(Folder()); });
        return made;
    }();
    return *folder;
}

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
    const std::string& folder = Folder();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const char* name : {"last_used_param", "global_settings", "preset_param", "wheel_presets"})
        if (!SaveFileAtomically(folder + "/" + name, bytes))
            std::abort();

    CMeasParamSet first(folder);
    first.LoadLastUsed();
    first.LoadGlobals();
    first.LoadPresets();
    first.LoadWheels();
    if (!first.SaveLastUsed() || !first.SaveGlobals() || !first.SavePresets() || !first.SaveWheels())
        std::abort();
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
    if (saved != again)
        std::abort();
    return 0;
}
