// Implementation notes: every operation backs the work up first (the "C"
// key brings it back), works on the current arrays and redraws; operations
// that change the grid fit the view to it. The normal and horizontal
// offsets poll the Esc key and serve the window between their bands' rows.
#include "frame/gui/operation_commands.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/messages.h"
#include "frame/gui/desk.h"
#include "frame/gui/dialog_fields.h"
#include "frame/gui/form_dialog.h"
#include "frame/work_commands.h"
#include "integration/work_plugins.h"
#include "platform/host.h"
#include "resources/command_ids.h"
#include "view/difference_view.h"
#include "workio/model_heights.h"
#include "workio/rotary_load.h"
#include "workops/offset.h"

namespace morvex {
namespace {

constexpr int kEscKey = 27;

int Run(WindowTools& tools, QDialog& dialog) { return tools.runDialog ? tools.runDialog(dialog) : dialog.exec(); }

void Say(Host& host, MsgId id, const std::string& detail = {}) { ShowError(host, std::string(Msg(id)) + detail); }

bool Finite(const FormDialog& d, int count) {
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(d.Number(i))) return false;
    }
    return true;
}

// Fields that are not numbers: named, and the dialog stays open.
std::function<bool(const FormDialog&)> NumbersCheck(Host& host, int count) {
    return [&host, count](const FormDialog& d) {
        if (Finite(d, count)) return true;
        Warn(host, MsgId::WorkNotFinite, Msg(MsgId::WarningTitle));
        return false;
    };
}

void BackUp(App& app) { Backup(app.work, Point{}, Point{}); }

bool Turn(App& app, Desk& desk, WindowTools& tools, bool en) {
    OperationValues& v = app.operations;
    FormDialog d(Tr(en, "Rotation and Mirror", "回転／ミラー"), tools.parent);
    d.AddChoice(QString(), {"90(Deg)", "180(Deg)", "-90(Deg)", "X-Mirror", "Y-Mirror"}, v.turn);
    if (Run(tools, d) != QDialog::Accepted) return true;
    v.turn = d.Choice(0);
    BackUp(app);
    if (TurnWork(app.work, static_cast<TurnKind>(v.turn + 1))) desk.FitToWork();
    return true;
}

bool Move(App& app, Desk& desk, Host& host, WindowTools& tools, bool en) {
    OperationValues& v = app.operations;
    FormDialog d(Tr(en, "Move", "移動"), tools.parent);
    d.AddNumber("X", "%8.3f", v.moveMode == 0 ? v.move[0] : app.work.xMin);
    d.AddNumber("Y", "%8.3f", v.moveMode == 0 ? v.move[1] : app.work.yMin);
    d.AddNumber("Z", "%8.3f", v.moveMode == 0 ? v.move[2] : app.work.zMin);
    d.AddChoice(QString(), {"Shift", "Position"}, v.moveMode);
    d.check = NumbersCheck(host, 3);
    if (Run(tools, d) != QDialog::Accepted) return true;
    v.moveMode = d.Choice(0);
    for (int i = 0; i < 3; ++i) v.move[i] = d.Number(i);
    BackUp(app);
    if (v.moveMode == 0) {
        ShiftWork(app.work, v.move[0], v.move[1], v.move[2]);
    } else {
        PlaceWork(app.work, v.move[0], v.move[1], v.move[2]);
    }
    desk.FitToWork();
    return true;
}

bool Offset(App& app, Desk& desk, Host& host, WindowTools& tools, bool en) {
    OperationValues& v = app.operations;
    FormDialog d(Tr(en, "Offset", "オフセット"), tools.parent);
    d.AddNumber(Tr(en, "Offset Value:", "オフセット値:"), "%8.3f", v.offsetValue);
    d.AddChoice(Tr(en, "Offset Direction", "オフセット方向"),
                {Tr(en, "Normal(&N)", "法線(&N)"), Tr(en, "Z-Axis(&Z)", "Z軸(&Z)"), Tr(en, "Horizon(&H)", "水平(&H)")},
                v.offsetDirection);
    d.AddCheck(Tr(en, "Only Paint Part", "塗り部分のみ"), v.onlyPaint);
    d.AddCheck(Tr(en, "Obscure on Boundary", "境界をぼかす"), v.obscure);
    d.check = NumbersCheck(host, 1);
    if (Run(tools, d) != QDialog::Accepted) return true;
    v.offsetValue = d.Number(0);
    v.offsetDirection = d.Choice(0);
    v.onlyPaint = d.Checked(0);
    v.obscure = d.Checked(1);
    BackUp(app);
    if (v.offsetDirection == 1) {
        OffsetWorkZ(app.work, v.offsetValue, v.onlyPaint);
    } else {
        const ProgressScope progress(tools);
        progress.get()->Stage(MsgId::StatusOffset);
        OffsetRun run;
        run.progress = progress.get();
        run.kind = v.offsetDirection == 0 ? OffsetKind::Normal : OffsetKind::Horizontal;
        run.value = v.offsetValue;
        run.threads = app.settings.work.offsetThreads.count;
        // Esc stops the bands; what they did so far stays.
        run.poll = [&host] {
            host.PumpMessages();
            return host.IsKeyDown(kEscKey);
        };
        const OffsetStatus status = OffsetWork(app.work, run, v.onlyPaint);
        if (status == OffsetStatus::TooLarge) Say(host, MsgId::OffsetTooLarge);
        if (status == OffsetStatus::MemoryOver) Say(host, MsgId::MemoryOver);
    }
    desk.Redraw();
    return true;
}

bool CutXyz(App& app, Desk& desk, Host& host, WindowTools& tools, bool en) {
    OperationValues& v = app.operations;
    const WorkModel& w = app.work;
    FormDialog d(Tr(en, "XYZ-Cut", "XYZ値カット"), tools.parent);
    d.AddNumber("X-Min", "%9.3f", w.xMin);
    d.AddNumber("X-Max", "%9.3f", w.xMax);
    d.AddNumber("Y-Min", "%9.3f", w.yMin);
    d.AddNumber("Y-Max", "%9.3f", w.yMax);
    d.AddNumber("Z-Cut VALUE", "%12.5f", w.zMax);
    d.AddNumber("Z-Min VALUE", "%12.5f", w.zMin);
    d.AddCheck("Cut-Part to Bottom", v.cut.cutToBottom);
    d.AddCheck("Bottom-Part to Minimum", v.cut.bottomToMinimum);
    d.check = NumbersCheck(host, 6);
    if (Run(tools, d) != QDialog::Accepted) return true;
    v.cut = XyzCut{d.Number(0), d.Number(1), d.Number(2), d.Number(3), d.Number(4), d.Number(5), d.Checked(0),
                   d.Checked(1)};
    BackUp(app);
    const XyzCutStatus status = CutWorkXyz(app.work, v.cut);
    if (status == XyzCutStatus::EmptyRange) Say(host, MsgId::XyzCutEmpty);
    desk.FitToWork();
    return true;
}

bool Thin(App& app, Desk& desk, Host& host, WindowTools& tools, bool en) {
    OperationValues& v = app.operations;
    FormDialog d(Tr(en, "Thin", "間引き"), tools.parent);
    d.AddNumber(QString::fromUtf8("DMF Size = %1 x %2").arg(app.work.nx).arg(app.work.ny), "%.0f", v.thinCount);
    d.AddCheck("X-End", v.thinXEnd);
    d.AddCheck("Y-End", v.thinYEnd);
    d.check = [&host](const FormDialog& f) {
        if (f.Number(0) >= 2.0 && f.Number(0) <= 1e9) return true;
        Warn(host, MsgId::ThinCountTooSmall, Msg(MsgId::ThinCountTitle));
        return false;
    };
    if (Run(tools, d) != QDialog::Accepted) return true;
    v.thinCount = static_cast<int>(d.Number(0));
    v.thinXEnd = d.Checked(0);
    v.thinYEnd = d.Checked(1);
    BackUp(app);
    if (ThinWork(app.work, v.thinCount, v.thinXEnd, v.thinYEnd)) desk.FitToWork();
    return true;
}

bool Merge(App& app, Desk& desk, Host& host, WindowTools& tools, bool en) {
    const std::string path = tools.choose(FileKind::Work, false, std::string());
    if (path.empty()) return true;
    OperationValues& v = app.operations;
    FormDialog d(Tr(en, "Merge Work", "マージ"), tools.parent);
    d.AddChoice(QString(), {"Higher", "Lower"}, v.mergeHigher ? 0 : 1);
    if (Run(tools, d) != QDialog::Accepted) return true;
    v.mergeHigher = d.Choice(0) == 0;
    std::vector<float> model;
    {
        const ProgressScope progress(tools);
        if (auto failed = ModelHeightsOf(app.plugins, path, app.work, static_cast<float>(app.work.zMin), model,
                                         progress.get())) {
            ShowError(host, *failed);
            return true;
        }
    }
    BackUp(app);
    ApplyMerge(app.work, model, v.mergeHigher);
    desk.Redraw();
    return true;
}

bool BasicModelRead(App& app, Host& host, const std::string& path, const Progress* progress) {
    if (auto failed = ReadBasicModel(app, path, progress)) {
        ShowError(host, *failed);
        return false;
    }
    return true;
}

bool BasicModel(App& app, Host& host, WindowTools& tools) {
    const std::string path = tools.choose(FileKind::Work, false, app.settings.dmf.basicModel);
    if (path.empty()) return true;
    const ProgressScope progress(tools);
    BasicModelRead(app, host, path, progress.get());
    return true;
}

// The basic model in memory, read from the BASIC MODEL file when it is not.
bool HaveBasicModel(App& app, Host& host, const Progress* progress = nullptr) {
    if (app.work.basicHeight.size() == app.work.cellCount) return true;
    if (app.settings.dmf.basicModel.empty()) {
        Say(host, MsgId::BasicModelMissing);
        return false;
    }
    return BasicModelRead(app, host, app.settings.dmf.basicModel, progress);
}

bool Difference(App& app, Desk& desk, Host& host, WindowTools& tools, bool en) {
    {
        const ProgressScope progress(tools);
        if (!HaveBasicModel(app, host, progress.get())) return true;
    }
    DifferenceSettings& s = app.operations.difference;
    FormDialog d(Tr(en, "Penki of Difference", "差分塗り"), tools.parent);
    d.AddNumber("Difference Margin", "%8.3f", s.margin);
    d.AddNumber("Pen No", "%.0f", s.penNumber);
    d.AddNumber("Width : ", "%8.3f", s.width);
    d.AddChoice(QString(), {"Plus", "Minus"}, s.area >= 0 ? 0 : 1);
    d.AddChoice(QString(), {"Penki", "Color"}, s.penMode ? 1 : 0);
    d.AddChoice(QString(), {"Height", "Normal"}, s.normalCheck ? 1 : 0);
    d.AddCheck("Keep Original Color", s.clear);
    d.check = [&host](const FormDialog& f) {
        if (!Finite(f, 3)) {
            Warn(host, MsgId::WorkNotFinite, Msg(MsgId::WarningTitle));
            return false;
        }
        if (f.Choice(1) == 1 && (f.Number(1) < 1.0 || f.Number(1) > 7.0)) {
            Warn(host, MsgId::PenOutOfRange, Msg(MsgId::WarningTitle));
            return false;
        }
        return true;
    };
    if (Run(tools, d) != QDialog::Accepted) return true;
    s.margin = d.Number(0);
    s.penNumber = static_cast<int>(d.Number(1));
    s.width = d.Number(2);
    s.area = d.Choice(0) == 0 ? 1 : -1;
    s.penMode = d.Choice(1) == 1;
    s.normalCheck = d.Choice(2) == 1;
    s.clear = d.Checked(0);
    std::vector<std::uint8_t> marks;
    DifferenceStatus status = DifferenceStatus::Ok;
    {
        const ProgressScope progress(tools);
        progress.get()->Stage(MsgId::StatusDifference);
        status = PaintDifference(app.work, app.work.basicHeight, s, app.settings.work.offsetThreads.count, marks,
                                 progress.get());
    }
    if (status == DifferenceStatus::OffsetTooLarge) Say(host, MsgId::OffsetTooLarge);
    if (status == DifferenceStatus::MemoryOver) Say(host, MsgId::MemoryOver);
    desk.Redraw();
    return true;
}

bool LoadTurnedOver(App& app, Desk& desk, Host& host, WindowTools& tools, bool en) {
    const std::string path = tools.choose(FileKind::Work, false, desk.state.workFile);
    if (path.empty()) return true;
    ReverseSetting& r = app.operations.reverse;
    FormDialog d(Tr(en, "Reverse Setting", "反転設定"), tools.parent);
    d.AddChoice("Direction", {"X(&X)", "Y(&Y)"}, r.alongY ? 1 : 0);
    d.AddCheck("Keep penki", r.keepPaint);
    d.AddCheck("Keep pen color", r.keepPen);
    d.AddCheck("Keep cut-direction", r.keepDirection);
    if (Run(tools, d) != QDialog::Accepted) return true;
    r.alongY = d.Choice(0) == 1;
    r.keepPaint = d.Checked(0);
    r.keepPen = d.Checked(1);
    r.keepDirection = d.Checked(2);
    if (!LoadWorkFile(app, host, path)) return true;
    (void)ReverseWork(app.work, r);
    desk.state.workFile = path;
    desk.FitToWork();
    return true;
}

bool LoadSwungWork(App& app, Desk& desk, Host& host, WindowTools& tools, bool en) {
    const std::string path = tools.choose(FileKind::Work, false, desk.state.workFile);
    if (path.empty()) return true;
    SwingSetting& v = app.operations.swing;
    FormDialog d(Tr(en, "Rotary Method", "軸振り"), tools.parent);
    d.AddNumber("Center X", "%8.3f", v.centre[0]);
    d.AddNumber("Center Y", "%8.3f", v.centre[1]);
    d.AddNumber("Center Z", "%8.3f", v.centre[2]);
    d.AddNumber("Angle(&D)", "%8.3f", v.angle);
    d.AddChoice("Axis(&A)", {"X", "Y", "Z"}, v.axis);
    d.check = NumbersCheck(host, 4);
    if (Run(tools, d) != QDialog::Accepted) return true;
    v = SwingSetting{d.Choice(0), Point{d.Number(0), d.Number(1), d.Number(2)}, d.Number(3)};
    BackUp(app);
    if (auto failed = LoadSwung(path, v, app.work)) {
        Say(host, *failed, " " + path);
        return true;
    }
    desk.Redraw();
    return true;
}

}  // namespace

// "Optimize NC-Data": the settings of section Optimize; false when cancelled.
bool OptimizeDialog(App& app, Host& host, WindowTools& tools, bool en) {
    OptimizeSettings& o = app.settings.optimize;
    FormDialog d("Optimize NC-Data", tools.parent);
    d.AddChoice("V-Value", {"Volume", "Torque"}, o.torqueValue ? 1 : 0);
    d.AddChoice("Cut", {"Not Change", "Optimize F", "Escape(Special usage)"}, std::clamp(o.optCut, 0, 2));
    d.AddChoice("Air Cut", {"Not Change", "Escape", "Max Optimize F", "Max Machine F"}, std::clamp(o.optAircut, 0, 3));
    d.AddChoice("Optimized NC-Data", {Tr(en, "None", "なし"), "Output", "Output+Open"}, std::clamp(o.optNc, 0, 2));
    d.AddChoice("Cut-Data", {Tr(en, "None", "なし"), "Output", "Output+Open", "Binary File", "Binary+Open"},
                std::clamp(o.cutData, 0, 4));
    d.AddNumber("Escape-H", "%8.3f", o.escapeHeight);
    d.AddNumber("Escape-W", "%8.3f", o.escapeWidth);
    d.check = NumbersCheck(host, 2);
    if (Run(tools, d) != QDialog::Accepted) return false;
    o.torqueValue = d.Choice(0) == 1;
    o.optCut = d.Choice(1);
    o.optAircut = d.Choice(2);
    o.optNc = d.Choice(3);
    o.cutData = d.Choice(4);
    o.escapeHeight = d.Number(0);
    o.escapeWidth = std::max(0.0, d.Number(1));
    return true;
}

bool DifferenceKey(int key, App& app, Desk& desk, Host& host) {
    int sides = 0;
    if (key == 'L') sides = kShowPlus | kShowMinus;
    else if (key == kKeyPlus) sides = kShowPlus;
    else if (key == kKeyMinus) sides = kShowMinus;
    else return false;
    if (app.work.workState <= 0) {
        ShowWarning(host, Msg(MsgId::PleaseLoadWork));
        return true;
    }
    // The same key again hides what it shows.
    if (desk.DifferenceShown() == sides) return desk.ShowDifference(0);
    if (HaveBasicModel(app, host)) (void)desk.ShowDifference(sides);
    return true;
}

bool RunOperationCommand(int id, App& app, Desk& desk, Host& host, WindowTools& tools) {
    using namespace cmd;
    const bool en = IsEnglish();
    if (id == kLoadWorkFlip) return LoadTurnedOver(app, desk, host, tools, en);
    if (id == kWriteNcData) {
        OptimizeDialog(app, host, tools, en);
        return true;
    }
    if (id == kRunOptimizedNc) {
        // The dialog, then a cut with the result shown that writes the outputs.
        if (OptimizeDialog(app, host, tools, en)) desk.StartRun(morvex::kRunResult, false, true);
        return true;
    }
    if (id != kLoadWorkTilt && id != kMergeWork && id != kRotateMirrorWork && id != kMoveWork && id != kOffsetWork && id != kCutWorkXyz &&
        id != kThinWork && id != kBasicModel && id != kDifferencePaint) {
        return false;
    }
    if (app.work.workState <= 0 || app.work.nx < 2) {
        ShowWarning(host, Msg(MsgId::PleaseLoadWork));
        return true;
    }
    switch (id) {
    case kLoadWorkTilt: return LoadSwungWork(app, desk, host, tools, en);
    case kMergeWork: return Merge(app, desk, host, tools, en);
    case kRotateMirrorWork: return Turn(app, desk, tools, en);
    case kMoveWork: return Move(app, desk, host, tools, en);
    case kOffsetWork: return Offset(app, desk, host, tools, en);
    case kCutWorkXyz: return CutXyz(app, desk, host, tools, en);
    case kThinWork: return Thin(app, desk, host, tools, en);
    case kBasicModel: return BasicModel(app, host, tools);
    case kDifferencePaint: return Difference(app, desk, host, tools, en);

    default: return false;
    }
}

}  // namespace morvex
