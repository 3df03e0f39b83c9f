// Fuzz target: the settings file, read as an INI file into the Settings
// record, and one key written back into it.
#include <cstdlib>

#include "frame/ini_file.h"
#include "frame/settings_reader.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvex;
    const std::string path = fuzz::WriteInput(data, size, "morvex.ini");
    IniFile ini = LoadIni(path);
    SettingsContext context;
    context.startDir = fuzz::FuzzPath("");
    context.programDir = context.startDir;
    context.processorCount = 2;
    Settings settings;
    ReadSettings(ini, LaunchOptions{}, context, settings);
    SetIniString(ini, "Save", "Window", "1,2,3,4");
    if (GetIniString(ini, "save", "WINDOW", "") != "1,2,3,4") std::abort();
    return 0;
}
