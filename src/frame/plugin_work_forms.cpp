// File forms of the load and save modules.
#include "frame/plugin_work_forms.h"

#include "base/text.h"

namespace morvex {
namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return s;
}

std::string Upper(std::string s) {
    for (char& c : s) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    return s;
}

// "*.xyz *.XYZ" (both letter cases: names here are case-sensitive).
std::string Patterns(const std::string& suffix) {
    const std::string lower = Lower(suffix), upper = Upper(suffix);
    return lower == upper ? "*" + lower : "*" + lower + " *" + upper;
}

// A module without a kind name is shown by its module name.
template <typename Module>
std::string Label(const Module& m) {
    return m.kind.empty() ? m.module.name : m.kind;
}

}  // namespace

std::vector<std::string> LoaderEndings(const PluginSet& plugins) {
    std::vector<std::string> out;
    for (const LoaderModule& l : plugins.loaders) out.push_back(l.suffix);
    return out;
}

std::vector<std::string> SaverEndings(const PluginSet& plugins) {
    std::vector<std::string> out;
    for (const SaverModule& s : plugins.savers) out.push_back(s.suffix);
    return out;
}

CommandLineContext CommandLineContextOf(const PluginSet& plugins) {
    CommandLineContext context;
    context.workEndings = LoaderEndings(plugins);
    context.saverEndings = SaverEndings(plugins);
    return context;
}

void SettleModuleOutputFormat(LaunchOptions& launch, const PluginSet& plugins) {
    if (launch.outputFormat < OutputFormat::Plugin1 || launch.outputFormat > OutputFormat::Plugin3) return;
    launch.outputFormat = OutputFormat::None;
    for (std::size_t i = 0; i < plugins.savers.size() && i < 3; ++i) {
        if (EndsWithPluginSuffix(launch.outputWork, plugins.savers[i].suffix)) {
            launch.outputFormat = static_cast<OutputFormat>(static_cast<int>(OutputFormat::Plugin1) + static_cast<int>(i));
            return;
        }
    }
}

OutputFormat SaverFormatOfTail(const PluginSet& plugins, std::string& path) {
    if (path.size() < 2 || path[path.size() - 2] != ',') return OutputFormat::None;
    const char digit = path.back();
    if (digit < '7' || digit > '9') return OutputFormat::None;
    const auto slot = static_cast<std::size_t>(digit - '7');
    if (slot >= plugins.savers.size()) return OutputFormat::None;
    path.resize(path.size() - 2);
    return static_cast<OutputFormat>(static_cast<int>(OutputFormat::Plugin1) + static_cast<int>(slot));
}

WorkSaveFormList WorkSaveFormsWith(const PluginSet& plugins) {
    WorkSaveFormList list;
    for (const SaveForm& f : WorkSaveForms()) list.forms.push_back(f);
    for (std::size_t i = 0; i < plugins.savers.size() && i < 3; ++i) {
        const SaverModule& s = plugins.savers[i];
        const char* label = list.texts.emplace_back(Label(s)).c_str();
        const char* patterns = list.texts.emplace_back(Patterns(s.suffix)).c_str();
        const char* ending = list.texts.emplace_back(s.suffix).c_str();
        const char* tail = list.texts.emplace_back(Format(",%d", 7 + static_cast<int>(i))).c_str();
        list.forms.push_back(SaveForm{label, label, patterns, ending, tail});
    }
    return list;
}

std::string WorkOpenFilter(const PluginSet& plugins) {
    std::string filter = "DMF (*.dmf *.DMF);;STL (*.stl *.STL *.dme *.DME)";
    for (const LoaderModule& l : plugins.loaders) filter += ";;" + Label(l) + " (" + Patterns(l.suffix) + ")";
    return filter;
}

std::string PluginHelp(const PluginSet& plugins) {
    std::string out;
    for (const LoaderModule& l : plugins.loaders) {
        out += "Work file " + l.suffix + ": read by the load module " + l.module.name + "\n";
    }
    for (std::size_t i = 0; i < plugins.savers.size(); ++i) {
        const SaverModule& s = plugins.savers[i];
        out += Format("/O format %d: %s, written by the save module %s\n", 7 + static_cast<int>(i), s.suffix.c_str(),
                      s.module.name.c_str());
    }
    return out;
}

}  // namespace morvex
