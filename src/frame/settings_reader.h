// Locating and reading the settings file into the Settings record.
#pragma once

#include <string>

#include "frame/ini_file.h"
#include "frame/launch_options.h"
#include "frame/settings.h"

namespace morvex {

struct SettingsContext {
    std::string startDir;    // current directory at start, with a trailing "/"
    std::string programDir;  // directory of the running executable, with a trailing "/"
    int processorCount = 1;
};

// The settings file to read: a name with a directory is used as given;
// otherwise start directory + name, or program directory + name when the
// first cannot be opened.
std::string LocateSettingsFile(const std::string& name, const SettingsContext& context);

// "HELP/index.htm" in the start directory if it exists, else in the program directory.
std::string LocateHelpFile(const SettingsContext& context);

// A definition file named by a settings value: a value with a directory is
// used as given; else directory + value, else the bare value, else program
// directory + value (the first that can be opened; the last regardless).
std::string ResolveDefinitionFile(const std::string& dir, const std::string& value,
                                  const std::string& programDir);

// Fills every field from `ini` (absent keys take their defaults), lets the
// command line's values take the place of their keys, derives the light
// angles, pitches and thread counts, and applies the unattended overrides.
void ReadSettings(const IniFile& ini, const LaunchOptions& options, const SettingsContext& context,
                  Settings& settings);

}  // namespace morvex
