// Tool data of the network tool data module.
#include "integration/nccom_tools.h"

#include "base/text.h"
#include "sim/module_tool.h"

namespace morvex {
namespace {

const std::string kWho = "mvnccom";

bool InTable(const ToolTable& table, int n) { return n >= 1 && n < static_cast<int>(table.tools.size()); }

// The name the module wrote, when it wrote one.
void TakeName(const char (&name)[MV_TEXT_SIZE], ToolDef& def, std::vector<std::string>& notes) {
    bool terminated = true;
    std::string text = PluginText(name, MV_TEXT_SIZE, &terminated);
    if (!terminated) notes.push_back(kWho + ": tool name without an end, cut");
    if (!text.empty()) def.name = std::move(text);
}

struct LengthArgs {
    int32_t kind = 0;
    float len[6] = {};
};

struct ArborArgs {
    int32_t defined = 0, kind = 0, count = 0;
    float dia[MV_ARBOR_SEGMENTS + 1] = {};
    float hgt[MV_ARBOR_SEGMENTS] = {};
    int32_t cone[MV_ARBOR_SEGMENTS] = {};
};

LengthArgs LengthOf(const ToolDef& def) {
    LengthArgs a;
    a.kind = def.length.kind;
    for (int i = 0; i < 6; ++i) a.len[i] = def.length.len[static_cast<std::size_t>(i)];
    return a;
}

ArborArgs ArborOf(const ToolDef& def) {
    ArborArgs a;
    const ArborDef& h = def.holder;
    a.defined = h.defined ? 1 : 0;
    a.kind = h.kind;
    a.count = h.count;
    for (int i = 0; i <= MV_ARBOR_SEGMENTS; ++i) a.dia[i] = h.dia[static_cast<std::size_t>(i)];
    for (int i = 0; i < MV_ARBOR_SEGMENTS; ++i) {
        a.hgt[i] = h.hgt[static_cast<std::size_t>(i)];
        a.cone[i] = h.cone[static_cast<std::size_t>(i)];
    }
    return a;
}

void TakeLength(const LengthArgs& a, ToolDef& def, std::vector<std::string>& notes) {
    TakeModuleLength(a.kind, a.len, def, kWho, notes);
}

void TakeArbor(const ArborArgs& a, ToolDef& def, std::vector<std::string>& notes) {
    TakeModuleArbor(a.defined, a.kind, a.count, a.dia, a.hgt, a.cone, def.holder, kWho, notes);
}

}  // namespace

void ApplyNcComToTable(const PluginSet& set, ToolTable& table, std::vector<std::string>& notes) {
    if (!HasNcCom(set)) return;
    const NcComEntries& e = set.nccom.entry;
    for (int n = 1; n < static_cast<int>(table.tools.size()); ++n) {
        ToolDef& def = table.tools[static_cast<std::size_t>(n)];
        if (e.toolF != nullptr) {
            MvTool t = ModuleToolOf(def, n);
            char name[MV_TEXT_SIZE] = {};
            int32_t flag = 0;
            e.toolF(n, &t, name, &flag);
            if (flag == 1) {
                TakeModuleTool(t, def, kWho, notes);
                TakeName(name, def, notes);
            }
        }
        if (e.toolLenF != nullptr) {
            LengthArgs a = LengthOf(def);
            int32_t flag = 0;
            e.toolLenF(n, &a.kind, a.len, &flag);
            if (flag == 1) TakeLength(a, def, notes);
        }
        if (e.arborF != nullptr) {
            ArborArgs a = ArborOf(def);
            int32_t flag = 0;
            e.arborF(n, &a.defined, &a.kind, &a.count, a.dia, a.hgt, a.cone, &flag);
            if (flag == 1) TakeArbor(a, def, notes);
        }
    }
}

int ApplyNcComComment(const NcComEntries& e, std::string_view block, int tool, ToolTable& table,
                      std::vector<std::string>& notes) {
    const std::string comment(WithoutLineEnd(block));
    int target = tool;
    int changed = -1;
    if (e.tool != nullptr) {
        MvTool t = InTable(table, tool) ? ModuleToolOf(table.tools[static_cast<std::size_t>(tool)], tool)
                                        : ModuleToolOf(ToolDef{}, tool);
        char name[MV_TEXT_SIZE] = {};
        int32_t flag = 0;
        e.tool(comment.c_str(), &t, name, &flag);
        if (flag == 1) {
            if (InTable(table, t.number)) {
                target = t.number;
                ToolDef& def = table.tools[static_cast<std::size_t>(target)];
                TakeModuleTool(t, def, kWho, notes);
                TakeName(name, def, notes);
                changed = target;
            } else {
                notes.push_back(Format("%s: tool number %d outside the tool table refused", kWho.c_str(),
                                       static_cast<int>(t.number)));
                return -1;
            }
        }
    }
    if (!InTable(table, target)) return changed;
    ToolDef& def = table.tools[static_cast<std::size_t>(target)];
    if (e.toolLen != nullptr) {
        LengthArgs a = LengthOf(def);
        int32_t flag = 0;
        e.toolLen(comment.c_str(), &a.kind, a.len, &flag);
        if (flag == 1) {
            TakeLength(a, def, notes);
            changed = target;
        }
    }
    if (e.arbor != nullptr) {
        ArborArgs a = ArborOf(def);
        int32_t flag = 0;
        e.arbor(comment.c_str(), &a.defined, &a.kind, &a.count, a.dia, a.hgt, a.cone, &flag);
        if (flag == 1) {
            TakeArbor(a, def, notes);
            changed = target;
        }
    }
    return changed;
}

}  // namespace morvex
