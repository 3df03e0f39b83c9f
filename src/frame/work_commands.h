// The work commands of the program, shared by the window and unattended
// runs: the work it starts with, a block defined around the NC program
// (the optimum work), work files loaded and saved, and the NC program
// selected, with the questions the window asks around them.
#pragma once

#include <optional>
#include <string>

#include "base/progress.h"
#include "frame/app.h"
#include "workio/dmf_file.h"
#include "workio/stl_file.h"
#include "workio/vrml_file.h"

namespace morvex {

class Host;

// The INITIAL SIZE block of the settings.
BoxRequest InitialBox(const Settings& settings);

// The pitch rule's inputs and the DMF options of the settings.
PitchSettings PitchOf(const Settings& settings);
DmfContext DmfContextOf(const Settings& settings);

// The work the program starts with (unattended or in the window): a DMF
// file of the command line, else the /DX box, the optimum work (/D) or
// INITIAL SIZE. 0 when it exists, else the exit status (2) after the message.
int PrepareLaunchWork(App& app, Host& host);

// A block work by the pitch rule, with the control point placed; 0, or 2
// after the message.
int DefineWork(App& app, Host& host, const BoxRequest& box);

// The block around the NC program's cutting extents with the work margins;
// 0, or 2 after the message.
int DefineOptimumWork(App& app, Host& host);

// A work file by its ending: DMF, a load module's file, or an STL model
// (".STL", ".DME") as a work of its bounding box at the work pitch. True when it replaced the
// work; otherwise the work is unchanged and the message was shown.
// `progress` hears the stages of an STL.
bool LoadWorkFile(App& app, Host& host, const std::string& path, const Progress* progress = nullptr);
// The basic model at `path` (DMF, STL or a load module's file) on the
// work's grid, kept in work.basicHeight and as the settings' basic model;
// the message of a failure with the file's name (nothing changed), nullopt
// on success.
std::optional<std::string> ReadBasicModel(App& app, const std::string& path, const Progress* progress = nullptr);

// A save module's own parameter step declined: nothing was written.
inline constexpr int kFileSaveCancelled = 2;

// The work in a format: kFileSaved, kFileWriteFailed, kFileResourceOver, or
// kFileSaveCancelled (formats 7-9, the save modules in slot order).
int SaveWork(App& app, const std::string& path, OutputFormat format);
// Whether SaveWork can write the format: the built-in six, and 7-9 when that
// save module is there.
bool OutputFormatWritable(const PluginSet& plugins, OutputFormat format);
// By the ending and the tails of /O (",b", ",b2", ",z"; ",p" the VRML points
// form; ",7" to ",9" a save module's form of the dialog): DMF, STL, VRML, or
// the save module of the ending; the status line names the file written. False after
// the message.
bool SaveWorkFile(App& app, Host& host, const std::string& path);

// Makes `path` the NC program; false (nothing changed) with the message
// when it cannot be read.
bool SelectNcProgram(App& app, Host& host, const std::string& path);

// After an NC program was selected: with `fitWork` (the select-and-define
// command) the optimum work is built, asking first when a work exists;
// without it the optimum work is offered only when there is no work ("no"
// asks to load one). True when a work was (re)defined.
bool OfferOptimumWork(App& app, Host& host, bool fitWork);

}  // namespace morvex
