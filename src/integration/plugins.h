// Plug-in modules: shared objects found by fixed names in the program's own
// directory, their entry points, and the text they hand back. Loading looks
// the modules up and keeps the accepted ones; InitPlugins asks each for its
// consent and its texts (at window creation, or before an unattended job
// that uses them); ReleasePlugins calls every FREE entry and unloads all.
//
// The entry points and their arguments are those of include/morvex/plugin.h;
// the pointers kept here have exactly the types declared there.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "morvex/plugin.h"

namespace morvex {

inline constexpr int kMaxModulesPerFamily = 3;

// What every module has: its handle and names.
struct PluginModule {
    void* handle = nullptr;  // from dlopen, null once released
    std::string name;        // "mvread1"
    std::string file;        // the full path it was loaded from
    bool underscored = false;  // its entries carry a leading underscore
    int initResult = 1;      // the INIT entry's flag (1 when there is no INIT entry)
};

struct ReaderEntries {
    decltype(&MVREADSUFFIX) suffix = nullptr;
    decltype(&MVREADINIT) init = nullptr;
    decltype(&MVREADKIND) kind = nullptr;
    decltype(&MVREADPATHCOLOR) pathColor = nullptr;
    decltype(&MVREADOPEN) open = nullptr;
    decltype(&MVREADTOOL) tool = nullptr;
    decltype(&MVREADTOOLLEN) toolLen = nullptr;
    decltype(&MVREADARBOR) arbor = nullptr;
    decltype(&MVREADSTARTPOINT) startPoint = nullptr;
    decltype(&MVREADPATH) path = nullptr;
    decltype(&MVREADCLOSE) close = nullptr;
    decltype(&MVREADFREE) free = nullptr;
};

struct SimEntries {
    decltype(&MVSIMMENUITEM) menuItem = nullptr;
    decltype(&MVSIMINIT) init = nullptr;
    decltype(&MVSIMPARAMETER) parameter = nullptr;
    decltype(&MVSIMPATHTYPE) pathType = nullptr;
    decltype(&MVSIMGETWORK) getWork = nullptr;
    decltype(&MVSIMSTART) start = nullptr;
    decltype(&MVSIMGETTOOL) getTool = nullptr;
    decltype(&MVSIMGETTOOLLEN) getToolLen = nullptr;
    decltype(&MVSIMGETARBOR) getArbor = nullptr;
    decltype(&MVSIMCUTWORK) cutWork = nullptr;
    decltype(&MVSIMEND) end = nullptr;
    decltype(&MVSIMFREE) free = nullptr;
};

struct LoaderEntries {
    decltype(&MVLOADSUFFIX) suffix = nullptr;
    decltype(&MVLOADINIT) init = nullptr;
    decltype(&MVLOADKIND) kind = nullptr;
    decltype(&MVLOADPARAMETER) parameter = nullptr;
    decltype(&MVLOADSTARTPOINT) startPoint = nullptr;
    decltype(&MVLOADGETWORKSIZE) getWorkSize = nullptr;
    decltype(&MVLOADLOADWORK) loadWork = nullptr;
    decltype(&MVLOADFREE) free = nullptr;
};

struct ModifierEntries {
    decltype(&MVMODMENUITEM) menuItem = nullptr;
    decltype(&MVMODINIT) init = nullptr;
    decltype(&MVMODPARAMETER) parameter = nullptr;
    decltype(&MVMODGETBASICMODEL) getBasicModel = nullptr;
    decltype(&MVMODMODWORK) modWork = nullptr;
    decltype(&MVMODFREE) free = nullptr;
};

struct SaverEntries {
    decltype(&MVSAVESUFFIX) suffix = nullptr;
    decltype(&MVSAVEINIT) init = nullptr;
    decltype(&MVSAVEKIND) kind = nullptr;
    decltype(&MVSAVEPARAMETER) parameter = nullptr;
    decltype(&MVSAVEGETBASICMODEL) getBasicModel = nullptr;
    decltype(&MVSAVEGETSAVELEVEL) getSaveLevel = nullptr;
    decltype(&MVSAVESAVEWORK) saveWork = nullptr;
    decltype(&MVSAVEFREE) free = nullptr;
};

struct NcComEntries {
    decltype(&MVNCCOMTOOL) tool = nullptr;
    decltype(&MVNCCOMTOOLF) toolF = nullptr;
    decltype(&MVNCCOMINIT) init = nullptr;
    decltype(&MVNCCOMTOOLLEN) toolLen = nullptr;
    decltype(&MVNCCOMTOOLLENF) toolLenF = nullptr;
    decltype(&MVNCCOMARBOR) arbor = nullptr;
    decltype(&MVNCCOMARBORF) arborF = nullptr;
    decltype(&MVNCCOMFREE) free = nullptr;
};

struct EditorEntries {
    decltype(&MVEDITORFINDWINDOW) findWindow = nullptr;
    decltype(&MVEDITOREXECPROGRAM) execProgram = nullptr;
    decltype(&MVEDITOREXECOPTION) execOption = nullptr;
    decltype(&MVEDITORTOP) top = nullptr;
    decltype(&MVEDITORDOWN) down = nullptr;
    decltype(&MVEDITORDOWN2) down2 = nullptr;
    decltype(&MVEDITORJUMP) jump = nullptr;
    decltype(&MVEDITORJUMP2) jump2 = nullptr;
    decltype(&MVEDITOREXIT) exit = nullptr;
};

struct SyncEntries {
    decltype(&MVSYNCINIT) init = nullptr;
    decltype(&MVSYNCGETNAME) getName = nullptr;
    decltype(&MVSYNCGET) get = nullptr;
    decltype(&MVSYNCPUT) put = nullptr;
    decltype(&MVSYNCFREE) free = nullptr;
};

struct ReaderModule {
    PluginModule module;
    ReaderEntries entry;
    std::string suffix;  // ".HLX"
    std::string kind;    // the kind name of file dialogs
    bool usePathColors = false;
    std::array<std::uint32_t, MV_PATH_COLORS> pathColors{};  // 0xRRGGBB
};

struct SimModule {
    PluginModule module;
    SimEntries entry;
    std::string menuText;  // with " or F8" / " or F9" for the first two
};

struct LoaderModule {
    PluginModule module;
    LoaderEntries entry;
    std::string suffix;
    std::string kind;
};

struct ModifierModule {
    PluginModule module;
    ModifierEntries entry;
    std::string menuText;
    bool wantsBasicModel = false;  // its INIT returned MV_MODIFIER_WANTS_BASIC_MODEL
};

struct SaverModule {
    PluginModule module;
    SaverEntries entry;
    std::string suffix;
    std::string kind;
};

struct NcComModule {
    PluginModule module;
    NcComEntries entry;
};

struct EditorModule {
    PluginModule module;
    EditorEntries entry;
};

struct SyncModule {
    PluginModule module;
    SyncEntries entry;
};

// Every accepted module, at most three per family of five; the three single
// modules are present when their handle is not null.
struct PluginSet {
    std::vector<ReaderModule> readers;
    std::vector<SimModule> sims;
    std::vector<LoaderModule> loaders;
    std::vector<ModifierModule> modifiers;
    std::vector<SaverModule> savers;
    NcComModule nccom;
    EditorModule editor;
    SyncModule sync;
    bool nccomEnabled = true;  // command 32931 switches the network tool data off and on
    bool initialised = false;  // InitPlugins has run
    bool freed = false;        // FreePlugins has run
    // What the modules handed back that could not be used as it was (texts
    // without an end, nonsense counts): one line each, for the log.
    std::vector<std::string> notes;
};

inline bool HasNcCom(const PluginSet& s) { return s.nccom.module.handle != nullptr && s.nccomEnabled; }
inline bool HasEditorPlugin(const PluginSet& s) { return s.editor.module.handle != nullptr; }
inline bool HasSyncPlugin(const PluginSet& s) { return s.sync.module.handle != nullptr; }

// Loads the modules of every family from `dir` (the program's own
// directory; nothing is loaded when it is empty), keeps the accepted ones
// and asks readers for their suffix and path colours, loaders and savers for
// their suffix. Missing modules and entries are silent.
void LoadPlugins(PluginSet& set, const std::string& dir);

// Window creation (or an unattended job's start): INIT of every module (a
// zero flag releases it), then its kind or menu text in `language` (0
// Japanese, 1 English). Runs once; later calls do nothing.
void InitPlugins(PluginSet& set, int language);

// Window destruction: every FREE entry (readers, simulation, loaders,
// modifiers, savers, network, sync; the editor module has none), once.
void FreePlugins(PluginSet& set);
// Exit: the FREE entries if they were not called yet, then every module is
// unloaded.
void ReleasePlugins(PluginSet& set);

// A text a module wrote into a buffer of `size` bytes: up to the first NUL,
// at most size - 1 bytes. `terminated` tells whether a NUL was found.
std::string PluginText(const char* buffer, std::size_t size, bool* terminated = nullptr);

// True when `path` ends with `suffix` (without regard to case, over the
// suffix's last four characters, as file endings are compared).
bool EndsWithPluginSuffix(std::string_view path, std::string_view suffix);

// The module of a family that handles `path` by its ending, or null.
const ReaderModule* ReaderForFile(const PluginSet& set, std::string_view path);
const LoaderModule* LoaderForFile(const PluginSet& set, std::string_view path);

}  // namespace morvex
