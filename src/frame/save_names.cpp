// Save dialog names.
#include "frame/save_names.h"

#include <array>

#include "base/paths.h"
#include "base/text.h"

namespace morvex {
namespace {

// Both letter cases are listed: names on this system are case-sensitive,
// and a filter of capitals alone would hide the files written in lower case.
constexpr std::array<SaveForm, 6> kWorkForms = {{
    {"DMF", "被切削材定義ﾌｧｲﾙ", "*.dmf *.DMF", ".dmf", ""},
    {"STL Format/Text", "STLﾌｫｰﾏｯﾄ/ﾃｷｽﾄ", "*.stl *.STL", ".stl", ""},
    {"STL Format/Binary/Intel", "STLﾌｫｰﾏｯﾄ/ﾊﾞｲﾅﾘ/ｲﾝﾃﾙ系", "*.stl *.STL", ".stl", ",b"},
    {"STL Format/Binary/Motolora系", "STLﾌｫｰﾏｯﾄ/ﾊﾞｲﾅﾘ/ﾓﾄﾛｰﾗ系", "*.stl *.STL", ".stl", ",b2"},
    {"VRML2.0/Facet", "VRML2.0/多面体出力", "*.wrl *.WRL", ".wrl", ""},
    {"VRML2.0/Points", "VRML2.0/格子点出力", "*.wrl *.WRL", ".wrl", ",p"},
}};

constexpr SaveForm kImageForm = {"PNG", "PNG", "*.png *.PNG", ".png", ""};

// The name without its last ending ("part.nc" -> "part"); a leading dot
// is part of the name.
std::string_view WithoutEnding(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

std::span<const SaveForm> WorkSaveForms() { return kWorkForms; }
const SaveForm& ImageSaveForm() { return kImageForm; }

std::string FilterText(const SaveForm& form, bool english) {
    return std::string(english ? form.english : form.japanese) + "(" + form.patterns + ")";
}

std::string WithEnding(std::string_view path, std::string_view ending) {
    const std::string name = FileTitle(path);
    if (name.empty() || EndsWithNoCase(name, ending)) return std::string(path);
    return std::string(path) + std::string(ending);
}

std::string ProposedSaveName(std::string_view folder, std::string_view ncProgram, std::string_view workFile,
                             std::string_view ending) {
    const std::string from = FileTitle(!ncProgram.empty() ? ncProgram : workFile);
    const std::string_view base = WithoutEnding(from);
    if (base.empty()) return WithTrailingSlash(folder);
    const std::string name = std::string(base) + std::string(ending);
    return folder.empty() ? name : JoinPath(folder, name);
}

}  // namespace morvex
