#include "integration/plugins.h"

#include <dlfcn.h>

#include <cstring>

#include "base/text.h"

namespace morvex {
namespace {

// A module file in `dir` by its plain name. The path always holds a slash,
// so dlopen never searches LD_LIBRARY_PATH, the cache or the current
// directory for it.
void* OpenModule(const std::string& dir, const std::string& name, std::string& file) {
    if (dir.empty() || dir[0] != '/') return nullptr;
    file = dir;
    if (file.back() != '/') file += '/';
    file += name + ".so";
    return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* Symbol(void* handle, const char* name, bool underscored) {
    if (!underscored) return dlsym(handle, name);
    const std::string under = std::string("_") + name;
    return dlsym(handle, under.c_str());
}

// Decides plain or underscored names from the entries that mark the family
// (its first entry; for the network and sync modules any of the entries
// that make them usable).
bool ChooseNaming(void* handle, std::initializer_list<const char*> firsts, bool& underscored) {
    for (const char* name : firsts) {
        if (dlsym(handle, name) != nullptr) {
            underscored = false;
            return true;
        }
    }
    for (const char* name : firsts) {
        if (Symbol(handle, name, true) != nullptr) {
            underscored = true;
            return true;
        }
    }
    return false;
}

// Looks one entry up into a pointer of the header's type.
template <typename Fn>
void Look(const PluginModule& m, const char* name, Fn& out) {
    out = reinterpret_cast<Fn>(Symbol(m.handle, name, m.underscored));
}

void Close(PluginModule& m) {
    if (m.handle != nullptr) dlclose(m.handle);
    m.handle = nullptr;
}

void LookUp(ReaderModule& r) {
    const PluginModule& m = r.module;
    ReaderEntries& e = r.entry;
    Look(m, "MVREADSUFFIX", e.suffix);
    Look(m, "MVREADINIT", e.init);
    Look(m, "MVREADKIND", e.kind);
    Look(m, "MVREADPATHCOLOR", e.pathColor);
    Look(m, "MVREADOPEN", e.open);
    Look(m, "MVREADTOOL", e.tool);
    Look(m, "MVREADTOOLLEN", e.toolLen);
    Look(m, "MVREADARBOR", e.arbor);
    Look(m, "MVREADSTARTPOINT", e.startPoint);
    Look(m, "MVREADPATH", e.path);
    Look(m, "MVREADCLOSE", e.close);
    Look(m, "MVREADFREE", e.free);
}
bool Usable(const ReaderModule& r) {
    return r.entry.suffix && r.entry.kind && r.entry.open && r.entry.path;
}

void LookUp(SimModule& s) {
    const PluginModule& m = s.module;
    SimEntries& e = s.entry;
    Look(m, "MVSIMMENUITEM", e.menuItem);
    Look(m, "MVSIMINIT", e.init);
    Look(m, "MVSIMPARAMETER", e.parameter);
    Look(m, "MVSIMPATHTYPE", e.pathType);
    Look(m, "MVSIMGETWORK", e.getWork);
    Look(m, "MVSIMSTART", e.start);
    Look(m, "MVSIMGETTOOL", e.getTool);
    Look(m, "MVSIMGETTOOLLEN", e.getToolLen);
    Look(m, "MVSIMGETARBOR", e.getArbor);
    Look(m, "MVSIMCUTWORK", e.cutWork);
    Look(m, "MVSIMEND", e.end);
    Look(m, "MVSIMFREE", e.free);
}
bool Usable(const SimModule& s) { return s.entry.menuItem && s.entry.getWork && s.entry.cutWork; }

void LookUp(LoaderModule& l) {
    const PluginModule& m = l.module;
    LoaderEntries& e = l.entry;
    Look(m, "MVLOADSUFFIX", e.suffix);
    Look(m, "MVLOADINIT", e.init);
    Look(m, "MVLOADKIND", e.kind);
    Look(m, "MVLOADPARAMETER", e.parameter);
    Look(m, "MVLOADSTARTPOINT", e.startPoint);
    Look(m, "MVLOADGETWORKSIZE", e.getWorkSize);
    Look(m, "MVLOADLOADWORK", e.loadWork);
    Look(m, "MVLOADFREE", e.free);
}
bool Usable(const LoaderModule& l) {
    return l.entry.suffix && l.entry.kind && l.entry.getWorkSize && l.entry.loadWork;
}

void LookUp(ModifierModule& d) {
    const PluginModule& m = d.module;
    ModifierEntries& e = d.entry;
    Look(m, "MVMODMENUITEM", e.menuItem);
    Look(m, "MVMODINIT", e.init);
    Look(m, "MVMODPARAMETER", e.parameter);
    Look(m, "MVMODGETBASICMODEL", e.getBasicModel);
    Look(m, "MVMODMODWORK", e.modWork);
    Look(m, "MVMODFREE", e.free);
}
bool Usable(const ModifierModule& d) { return d.entry.menuItem && d.entry.modWork; }

void LookUp(SaverModule& s) {
    const PluginModule& m = s.module;
    SaverEntries& e = s.entry;
    Look(m, "MVSAVESUFFIX", e.suffix);
    Look(m, "MVSAVEINIT", e.init);
    Look(m, "MVSAVEKIND", e.kind);
    Look(m, "MVSAVEPARAMETER", e.parameter);
    Look(m, "MVSAVEGETBASICMODEL", e.getBasicModel);
    Look(m, "MVSAVEGETSAVELEVEL", e.getSaveLevel);
    Look(m, "MVSAVESAVEWORK", e.saveWork);
    Look(m, "MVSAVEFREE", e.free);
}
bool Usable(const SaverModule& s) { return s.entry.suffix && s.entry.kind && s.entry.saveWork; }

// One family of up to four names: the first name whose module loads,
// exports the family's first entry and has the working entries takes the
// next slot; a module that falls short is unloaded and the slot reused.
template <typename Module>
void LoadFamily(std::vector<Module>& slots, const std::string& dir, const char* base, const char* first) {
    const std::string names[] = {base, std::string(base) + "1", std::string(base) + "2", std::string(base) + "3"};
    for (const std::string& name : names) {
        if (static_cast<int>(slots.size()) >= kMaxModulesPerFamily) return;
        Module candidate;
        candidate.module.name = name;
        candidate.module.handle = OpenModule(dir, name, candidate.module.file);
        if (candidate.module.handle == nullptr) continue;
        if (!ChooseNaming(candidate.module.handle, {first}, candidate.module.underscored) ||
            (LookUp(candidate), !Usable(candidate))) {
            Close(candidate.module);
            continue;
        }
        slots.push_back(std::move(candidate));
    }
}

// A single module: kept when one of `marks` is exported.
template <typename Module, typename LookUpFn>
void LoadSingle(Module& slot, const std::string& dir, const char* name, std::initializer_list<const char*> marks,
                LookUpFn lookUp) {
    slot.module.name = name;
    slot.module.handle = OpenModule(dir, name, slot.module.file);
    if (slot.module.handle == nullptr) return;
    if (!ChooseNaming(slot.module.handle, marks, slot.module.underscored)) {
        Close(slot.module);
        return;
    }
    lookUp(slot);
}

// A suffix text handed back by a module, cut at its buffer and noted when
// it had no end.
std::string SuffixOf(void (*fn)(char*), const std::string& module, std::vector<std::string>& notes) {
    char buffer[MV_SUFFIX_SIZE] = {};
    fn(buffer);
    bool terminated = true;
    std::string suffix = PluginText(buffer, sizeof buffer, &terminated);
    if (!terminated) {
        notes.push_back(module + ": its file ending has no end within " + std::to_string(MV_SUFFIX_SIZE) +
                        " bytes; cut to \"" + suffix + "\"");
    }
    return suffix;
}

// The kind or menu text of a module in the given language.
std::string TextOf(void (*fn)(int32_t*, char*), int language, const std::string& module,
                   std::vector<std::string>& notes) {
    char buffer[MV_TEXT_SIZE] = {};
    int32_t lang = language;
    fn(&lang, buffer);
    bool terminated = true;
    std::string text = PluginText(buffer, sizeof buffer, &terminated);
    if (!terminated) {
        notes.push_back(module + ": its name has no end within " + std::to_string(MV_TEXT_SIZE) + " bytes; cut to \"" +
                        text + "\"");
    }
    return text;
}

// The INIT entry's consent (a module without one consents).
template <typename Module>
bool Consents(Module& m) {
    if (m.entry.init == nullptr) return true;
    int32_t flag = 0;
    m.entry.init(&flag);
    m.module.initResult = flag;
    return flag != 0;
}

// Asks every module of a family for its consent; those that decline are
// released at once and their slots closed up.
template <typename Module>
void InitFamily(std::vector<Module>& slots) {
    for (std::size_t i = 0; i < slots.size();) {
        if (Consents(slots[i])) {
            ++i;
        } else {
            Close(slots[i].module);
            slots.erase(slots.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

template <typename Module>
void CallFree(std::vector<Module>& slots) {
    for (Module& m : slots) {
        if (m.entry.free != nullptr) m.entry.free();
    }
}

template <typename Module>
void CloseAll(std::vector<Module>& slots) {
    for (Module& m : slots) Close(m.module);
    slots.clear();
}

}  // namespace

std::string PluginText(const char* buffer, std::size_t size, bool* terminated) {
    if (size == 0) {
        if (terminated != nullptr) *terminated = false;
        return {};
    }
    const void* nul = std::memchr(buffer, '\0', size);
    if (terminated != nullptr) *terminated = nul != nullptr;
    const std::size_t length =
        nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - buffer) : size - 1;
    return std::string(buffer, length);
}

bool EndsWithPluginSuffix(std::string_view path, std::string_view suffix) {
    if (suffix.empty()) return false;
    if (suffix.size() > 4) suffix = suffix.substr(suffix.size() - 4);
    if (path.size() < suffix.size()) return false;
    return EqualsNoCase(path.substr(path.size() - suffix.size()), suffix);
}

const ReaderModule* ReaderForFile(const PluginSet& set, std::string_view path) {
    for (const ReaderModule& r : set.readers) {
        if (EndsWithPluginSuffix(path, r.suffix)) return &r;
    }
    return nullptr;
}

const LoaderModule* LoaderForFile(const PluginSet& set, std::string_view path) {
    for (const LoaderModule& l : set.loaders) {
        if (EndsWithPluginSuffix(path, l.suffix)) return &l;
    }
    return nullptr;
}

void LoadPlugins(PluginSet& set, const std::string& dir) {
    LoadFamily(set.readers, dir, "mvread", "MVREADSUFFIX");
    LoadFamily(set.sims, dir, "mvsim", "MVSIMMENUITEM");
    LoadFamily(set.loaders, dir, "mvload", "MVLOADSUFFIX");
    LoadFamily(set.modifiers, dir, "mvmod", "MVMODMENUITEM");
    LoadFamily(set.savers, dir, "mvsave", "MVSAVESUFFIX");
    LoadSingle(set.nccom, dir, "mvnccom", {"MVNCCOMTOOL", "MVNCCOMTOOLF"}, [](NcComModule& n) {
        NcComEntries& e = n.entry;
        Look(n.module, "MVNCCOMTOOL", e.tool);
        Look(n.module, "MVNCCOMTOOLF", e.toolF);
        Look(n.module, "MVNCCOMINIT", e.init);
        Look(n.module, "MVNCCOMTOOLLEN", e.toolLen);
        Look(n.module, "MVNCCOMTOOLLENF", e.toolLenF);
        Look(n.module, "MVNCCOMARBOR", e.arbor);
        Look(n.module, "MVNCCOMARBORF", e.arborF);
        Look(n.module, "MVNCCOMFREE", e.free);
    });
    LoadSingle(set.editor, dir, "mveditor", {"MVEDITORFINDWINDOW"}, [](EditorModule& d) {
        EditorEntries& e = d.entry;
        Look(d.module, "MVEDITORFINDWINDOW", e.findWindow);
        Look(d.module, "MVEDITOREXECPROGRAM", e.execProgram);
        Look(d.module, "MVEDITOREXECOPTION", e.execOption);
        Look(d.module, "MVEDITORTOP", e.top);
        Look(d.module, "MVEDITORDOWN", e.down);
        Look(d.module, "MVEDITORDOWN2", e.down2);
        Look(d.module, "MVEDITORJUMP", e.jump);
        Look(d.module, "MVEDITORJUMP2", e.jump2);
        Look(d.module, "MVEDITOREXIT", e.exit);
    });
    LoadSingle(set.sync, dir, "mvsync", {"MVSYNCGET", "MVSYNCPUT"}, [](SyncModule& s) {
        SyncEntries& e = s.entry;
        Look(s.module, "MVSYNCINIT", e.init);
        Look(s.module, "MVSYNCGETNAME", e.getName);
        Look(s.module, "MVSYNCGET", e.get);
        Look(s.module, "MVSYNCPUT", e.put);
        Look(s.module, "MVSYNCFREE", e.free);
    });

    for (ReaderModule& r : set.readers) {
        r.suffix = SuffixOf(r.entry.suffix, r.module.name, set.notes);
        if (r.entry.pathColor != nullptr) {
            int32_t use = 0;
            std::array<std::uint32_t, MV_PATH_COLORS> colors{};
            r.entry.pathColor(&use, colors.data());
            r.usePathColors = use != 0;
            for (std::size_t i = 0; i < colors.size(); ++i) r.pathColors[i] = colors[i] & 0xFFFFFFu;
        }
    }
    for (LoaderModule& l : set.loaders) l.suffix = SuffixOf(l.entry.suffix, l.module.name, set.notes);
    for (SaverModule& s : set.savers) s.suffix = SuffixOf(s.entry.suffix, s.module.name, set.notes);
}

void InitPlugins(PluginSet& set, int language) {
    if (set.initialised) return;
    set.initialised = true;
    InitFamily(set.readers);
    for (ReaderModule& r : set.readers) r.kind = TextOf(r.entry.kind, language, r.module.name, set.notes);
    InitFamily(set.loaders);
    for (LoaderModule& l : set.loaders) l.kind = TextOf(l.entry.kind, language, l.module.name, set.notes);
    InitFamily(set.savers);
    for (SaverModule& s : set.savers) s.kind = TextOf(s.entry.kind, language, s.module.name, set.notes);
    InitFamily(set.sims);
    for (std::size_t i = 0; i < set.sims.size(); ++i) {
        SimModule& s = set.sims[i];
        s.menuText = TextOf(s.entry.menuItem, language, s.module.name, set.notes);
        if (i < 2) {
            const char* key = i == 0 ? "F8" : "F9";
            s.menuText += language == 1 ? std::string(" or ") + key : std::string(" or ") + key + "キー";
        }
    }
    InitFamily(set.modifiers);
    for (ModifierModule& d : set.modifiers) {
        d.menuText = TextOf(d.entry.menuItem, language, d.module.name, set.notes);
        d.wantsBasicModel = d.module.initResult == MV_MODIFIER_WANTS_BASIC_MODEL;
    }
    if (set.nccom.module.handle != nullptr && !Consents(set.nccom)) Close(set.nccom.module);
    if (set.sync.module.handle != nullptr && !Consents(set.sync)) Close(set.sync.module);
}

void FreePlugins(PluginSet& set) {
    if (set.freed) return;
    set.freed = true;
    CallFree(set.readers);
    CallFree(set.sims);
    CallFree(set.loaders);
    CallFree(set.modifiers);
    CallFree(set.savers);
    if (set.nccom.module.handle != nullptr && set.nccom.entry.free != nullptr) set.nccom.entry.free();
    if (set.sync.module.handle != nullptr && set.sync.entry.free != nullptr) set.sync.entry.free();
}

void ReleasePlugins(PluginSet& set) {
    FreePlugins(set);
    CloseAll(set.readers);
    CloseAll(set.sims);
    CloseAll(set.loaders);
    CloseAll(set.modifiers);
    CloseAll(set.savers);
    Close(set.nccom.module);
    Close(set.editor.module);
    Close(set.sync.module);
    set.initialised = false;
    set.freed = false;
}

}  // namespace morvex
