// Tool definitions from modules, checked field by field.
#include "sim/module_tool.h"

#include <cmath>

#include "base/text.h"

namespace morvex {
namespace {

bool KnownShape(int shape) { return (shape >= kShapeOther && shape <= kShapeTThrow) || shape == kShapeRadius; }

bool Size(float v) { return std::isfinite(v) && v >= 0.0f; }

// Takes `value` into `field` when `ok`, else notes the refusal.
void Take(float value, bool ok, float& field, const char* name, const std::string& who,
          std::vector<std::string>& notes) {
    if (ok) {
        field = value;
    } else if (!(value == field)) {
        notes.push_back(Format("%s: tool field %s refused (%g)", who.c_str(), name, static_cast<double>(value)));
    }
}

}  // namespace

MvTool ModuleToolOf(const ToolDef& def, int number) {
    MvTool t{};
    t.number = number;
    t.shape = def.shape;
    t.d = def.d;
    t.r = def.r;
    t.e = def.e;
    t.f = def.f;
    t.alpha = def.alpha;
    t.beta = def.beta;
    t.tipWidth = def.tipWidth;
    t.h = def.h;
    t.shift = def.shift;
    return t;
}

void TakeModuleTool(const MvTool& t, ToolDef& def, const std::string& who, std::vector<std::string>& notes) {
    if (KnownShape(t.shape)) {
        def.shape = t.shape;
    } else {
        notes.push_back(Format("%s: unknown tool shape %d refused", who.c_str(), static_cast<int>(t.shape)));
    }
    Take(t.d, Size(t.d), def.d, "d", who, notes);
    // Only the concave radius form has a negative corner radius.
    Take(t.r, std::isfinite(t.r) && (t.r >= 0.0f || def.shape == kShapeRadius), def.r, "r", who, notes);
    Take(t.e, Size(t.e), def.e, "e", who, notes);
    Take(t.f, Size(t.f), def.f, "f", who, notes);
    Take(t.alpha, Size(t.alpha) && t.alpha <= 180.0f, def.alpha, "alpha", who, notes);
    Take(t.beta, Size(t.beta) && t.beta < 90.0f, def.beta, "beta", who, notes);
    Take(t.tipWidth, Size(t.tipWidth), def.tipWidth, "tipWidth", who, notes);
    Take(t.h, Size(t.h), def.h, "h", who, notes);
    Take(t.shift, std::isfinite(t.shift), def.shift, "shift", who, notes);
    if (def.d > 0.0f) def.defined = true;
}

void TakeModuleLength(int kind, const float lengths[6], ToolDef& def, const std::string& who,
                      std::vector<std::string>& notes) {
    bool ok = kind >= 0 && kind <= 3;
    for (int i = 0; i < 6 && ok; ++i) ok = Size(lengths[i]);
    if (!ok) {
        notes.push_back(Format("%s: tool length kind %d or its lengths refused", who.c_str(), kind));
        return;
    }
    def.length.kind = kind;
    for (int i = 0; i < 6; ++i) def.length.len[static_cast<std::size_t>(i)] = lengths[i];
}

void TakeModuleLimit(int kind, const float limits[4], int pen, ToolDef& def, const std::string& who,
                     std::vector<std::string>& notes) {
    bool ok = kind == 0 || kind == 1 || kind == 2 || kind == 11 || kind == 12;
    for (int i = 0; i < 4 && ok; ++i) ok = Size(limits[i]);
    if (ok) {
        def.limit.kind = kind;
        for (int i = 0; i < 4; ++i) def.limit.value[static_cast<std::size_t>(i)] = limits[i];
    } else {
        notes.push_back(Format("%s: load limit kind %d or its values refused", who.c_str(), kind));
    }
    if (pen >= 0 && pen <= 7) {
        def.pen = pen;
    } else {
        notes.push_back(Format("%s: pen %d refused", who.c_str(), pen));
    }
}

void TakeModuleArbor(int defined, int kind, int count, const float dia[MV_ARBOR_SEGMENTS + 1],
                     const float hgt[MV_ARBOR_SEGMENTS], const int32_t cone[MV_ARBOR_SEGMENTS], ArborDef& holder,
                     const std::string& who, std::vector<std::string>& notes) {
    bool ok = kind >= kArborSteps && kind <= kArborMixed && count >= 0 && count <= kMaxArborSegments;
    for (int i = 0; ok && i <= count; ++i) ok = Size(dia[i]);
    for (int i = 0; ok && i < count; ++i) ok = Size(hgt[i]);
    if (!ok) {
        notes.push_back(Format("%s: holder (kind %d, %d segments) refused", who.c_str(), kind, count));
        return;
    }
    ArborDef h;
    h.defined = defined != 0;
    h.kind = kind;
    h.count = count;
    for (int i = 0; i <= count; ++i) h.dia[static_cast<std::size_t>(i)] = dia[i];
    for (int i = 0; i < count; ++i) {
        h.hgt[static_cast<std::size_t>(i)] = hgt[i];
        h.cone[static_cast<std::size_t>(i)] = cone[i] != 0 ? 1 : 0;
    }
    holder = h;
}

void ApplyReaderTool(const ModuleReader& module, int number, ToolDef& def, std::vector<std::string>& notes) {
    const std::string who = "reader module";
    if (module.tool != nullptr) {
        MvTool t = ModuleToolOf(def, number);
        int32_t n = number;
        module.tool(&n, &t.shape, &t.d, &t.r, &t.e, &t.f, &t.alpha, &t.beta, &t.tipWidth, &t.h, &t.shift);
        TakeModuleTool(t, def, who, notes);
    }
    if (module.toolLen != nullptr) {
        int32_t lengthKind = def.length.kind;
        int32_t limitKind = def.limit.kind;
        int32_t pen = def.pen;
        float lengths[6];
        float limits[4];
        for (int i = 0; i < 6; ++i) lengths[i] = def.length.len[static_cast<std::size_t>(i)];
        for (int i = 0; i < 4; ++i) limits[i] = def.limit.value[static_cast<std::size_t>(i)];
        module.toolLen(&lengthKind, lengths, &limitKind, limits, &pen);
        TakeModuleLength(lengthKind, lengths, def, who, notes);
        TakeModuleLimit(limitKind, limits, pen, def, who, notes);
    }
    if (module.arbor != nullptr) {
        const ArborDef& h = def.holder;
        int32_t defined = h.defined ? 1 : 0;
        int32_t kind = h.kind;
        int32_t count = h.count;
        float dia[MV_ARBOR_SEGMENTS + 1];
        float hgt[MV_ARBOR_SEGMENTS];
        int32_t cone[MV_ARBOR_SEGMENTS];
        for (int i = 0; i <= MV_ARBOR_SEGMENTS; ++i) dia[i] = h.dia[static_cast<std::size_t>(i)];
        for (int i = 0; i < MV_ARBOR_SEGMENTS; ++i) {
            hgt[i] = h.hgt[static_cast<std::size_t>(i)];
            cone[i] = h.cone[static_cast<std::size_t>(i)];
        }
        module.arbor(&defined, &kind, &count, dia, hgt, cone);
        TakeModuleArbor(defined, kind, count, dia, hgt, cone, def.holder, who, notes);
    }
}

}  // namespace morvex
