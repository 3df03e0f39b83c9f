// Decisions, load check and required-length report of a cutting run.
//
// Implementation notes: the required lengths are heights above the tool tip
// of the material that a part of the tool met: the stick-out from every
// contact of the neck, shank or holder; the neck length Lu from contacts of
// the neck zone; the taper length Lt that, with the tool's own Lu kept, lifts
// the neck cone (slope Lt over the shank's radial span) above every such
// contact, "NG" when a contact sits where no cone can rise (at the flank
// end); the flute length from the material the flute took away; the tip
// width of a VERTICAL tool from the innermost dead-zone contact; the centre
// height of a RADIUS tool from the material over its inner zone. Each value
// is reported with 1.0 mm added.
#include "sim/run_checks.h"

#include <algorithm>
#include <filesystem>

#include "base/paths.h"
#include "base/text.h"
#include "sim/tool_table.h"

namespace morvex {
namespace {

std::string Pick(bool english, const char* en, const char* ja) { return english ? en : ja; }

constexpr double kLengthMargin = 1.0;  // mm added to every required length

}  // namespace

MotionVerdict DecideAfterMotion(const SweepFlags& f, const RunChecks& c, bool rapidMotion, double feed) {
    MotionVerdict v;
    if (!f.cutDone) return v;
    const bool fast = FedAsRapid(rapidMotion, feed, c);
    const bool beyond = f.taperHit || f.attachmentHit || f.holderHit;
    // Abort first: the first finding in this order names the message.
    if (c.rapid == 1 && fast) {
        v.decision = RunDecision::Abort;
        v.alarmCode = rapidMotion ? kAlarmRapid : kAlarmTooFast;
    } else if (c.arbor == 3 && beyond) {
        v.decision = RunDecision::Abort;
        v.alarmCode = f.taperHit ? kAlarmTaper : (f.attachmentHit ? kAlarmAttachment : kAlarmArbor);
    } else if (c.length == 2 && f.lengthHit) {
        v.decision = RunDecision::Abort;
        v.alarmCode = kAlarmOverLength;
    } else if (c.chip == 2 && f.chipHit) {
        v.decision = RunDecision::Abort;
        v.alarmCode = kAlarmOverChip;
    }
    // The list entry names every finding of the checks that stop or pause;
    // of the parts beyond the flank only the first of taper, attachment, holder.
    InterferenceFindings& k = v.findings;
    if (c.arbor >= 3) {
        if (f.taperHit) {
            k.taper = true;
        } else if (f.attachmentHit) {
            k.attachment = true;
        } else if (f.holderHit) {
            k.arbor = true;
        }
    }
    if (c.length >= 2 && f.lengthHit) k.overLength = true;
    if (c.chip >= 2 && f.chipHit) k.overChip = true;
    if (c.rapid >= 1 && fast) {
        if (rapidMotion) {
            k.rapid = true;
        } else {
            k.tooFast = true;
        }
    }
    const bool any = k.taper || k.attachment || k.arbor || k.overLength || k.overChip || k.rapid || k.tooFast;
    if (v.decision == RunDecision::GoOn && any) v.decision = RunDecision::Pause;
    return v;
}

StepLoad CheckStepLoad(const LimitDef& limit, const SweepFlags& step, double stepLength, double feed, bool torque) {
    StepLoad load;
    if (limit.kind == 0 || step.stepClass == kStepClassUnknown || !(stepLength > 0.0)) return load;
    load.cutClass = step.stepClass;
    const double slot = limit.value[static_cast<std::size_t>(std::clamp(step.stepClass, 0, 3))];
    if (!(slot > 0.0)) return load;
    const double v = (torque ? step.loadTorque : step.loadVolume) / stepLength;
    load.value = (limit.kind == 2 || limit.kind == 12) ? v * feed / 60.0 : v;
    load.over = load.value > slot;
    return load;
}

void RecordOverload(LimitRecord& r, const std::string& folder, int kind, int line, const Point& p,
                    const StepLoad& load) {
    if (!r.file && !r.failed) {
        const std::string path = JoinPath(folder, kind == 12 ? "limitsp.txt" : "limitp.txt");
        r.file.reset(std::fopen(path.c_str(), "wb"));
        r.failed = r.file == nullptr;
    }
    ++r.count;
    if (!r.file) return;
    const char* tail = load.cutClass == kStepClassVertical ? "(V)\n"
                       : load.cutClass == kStepClassUp     ? "(U)\n"
                       : load.cutClass == kStepClassDown   ? "(D)\n"
                                                           : "(A)\n";
    std::fprintf(r.file.get(), "%d:X%fY%fZ%f:%f%s", line, p[0], p[1], p[2], load.value, tail);
}

void CloseLimitRecord(LimitRecord& r) { r = LimitRecord{}; }

void AddRequiredLengths(RequiredLengths& into, const SweepFlags& f) {
    into.stickOut = std::max(into.stickOut, f.needStickOut);
    into.neck = std::max(into.neck, f.needNeck);
    into.taper = std::max(into.taper, f.needTaper);
    into.taperImpossible = into.taperImpossible || f.taperImpossible;
    into.flute = std::max(into.flute, f.needFlute);
    into.tipWidth = std::max(into.tipWidth, f.needTipWidth);
    into.centre = std::max(into.centre, f.needCentre);
}

bool ComputesLengths(const RunChecks& c) { return c.arbor == 1 || c.length == 1 || c.chip == 1; }

std::string LengthReportName(const RunChecks& c, const std::string& ncPath, const LengthReportSettings& s) {
    if (s.namingMode == 1) return "length.txt";
    if (s.namingMode == 2) {
        std::filesystem::path p = std::filesystem::path(ncPath).filename();
        p.replace_extension();
        return p.string() + "_length.txt";
    }
    if (c.arbor == 1) return Pick(s.english, "length.txt", "突出し長.txt");
    if (c.length == 1) return Pick(s.english, "height.txt", "有効刃長.txt");
    return Pick(s.english, "chip-w.txt", "チップ幅.txt");
}

ListFile OpenLengthReport(const RunChecks& c, const std::string& ncPath, const LengthReportSettings& s) {
    if (!ComputesLengths(c)) return nullptr;
    const std::string path = JoinPath(s.folder, LengthReportName(c, ncPath, s));
    ListFile f(std::fopen(path.c_str(), s.append ? "ab" : "wb"));
    if (f) std::fprintf(f.get(), "%s\n", ncPath.c_str());
    return f;
}

std::string RequiredLengthLine(const ToolProfile& t, const RunChecks& c, RequiredLengths& n, bool english,
                               int toolNumber) {
    std::string line = Format("T%02d:", toolNumber >= 0 ? toolNumber : t.number) +
                       ToolShapeName(t.number > 0 ? &t.tool : nullptr);
    if (c.arbor == 1) {
        if (!t.holder) {
            line += Pick(english, ":ARBOR not defined ", ":ARBOR未定義（算出不能） ");
        } else {
            line += Format(english ? ":Length=%8.3f" : ":突出=%8.3f以上", n.stickOut + kLengthMargin);
        }
        if (t.lengthKind >= 2) {
            if (n.taperImpossible) {
                line += Format(english ? ":Lu=%7.3f or Lt= NG" : ":首下=%7.3f or Lt= NG", n.neck + kLengthMargin);
            } else {
                line += Format(english ? ":Lu=%7.3f or Lt=%7.3f" : ":首下=%7.3f or Lt=%7.3f以上",
                               n.neck + kLengthMargin, n.taper + kLengthMargin);
            }
        }
    }
    if (c.length == 1) line += Format(english ? ":Height=%8.3f" : ":刃長=%8.3f以上", n.flute + kLengthMargin);
    if (c.chip == 1) {
        if (t.shape == kShapeVertical) {
            line += Format(english ? ":TipW=%8.3f" : ":チップ幅=%8.3f以上", n.tipWidth + kLengthMargin);
        } else if (t.shape == kShapeRadius) {
            line += Format(english ? ":CenterH=%8.3f" : ":中心高さ=%8.3f以上", n.centre + kLengthMargin);
        } else {
            line += Pick(english, ":NOT VERTICAL ", ":NOT VERTICAL（算出不能）");
        }
    }
    n = RequiredLengths{};
    return line + "\n";
}

}  // namespace morvex
