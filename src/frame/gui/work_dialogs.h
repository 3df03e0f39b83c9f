// The modal dialogs of the work: the pitch ("Setting Pitch"), the box of
// "Define Work" with its control-point choice, and a point (the specified
// control point). Each checks its fields on OK and stays open, with the
// message, while they cannot be used.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "base/vec3.h"
#include "frame/settings.h"
#include "sim/work_model.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace morvex {

class Host;

struct PitchValues {
    double workPitch = 1.0;
    bool autoWork = false;
    int maximum = 20000;
    double minimumPitch = 0.001;
    double movePitch = 1.0;
    bool autoMove = false;
    double rate = 1.0;
    bool operator==(const PitchValues&) const = default;
};
PitchValues PitchValuesOf(const WorkSettings& work);
// A fixed work pitch below the minimum pitch is refused; an automatic one is
// raised to it by the pitch rule instead.
bool PitchBelowMinimum(const PitchValues& values);
void StorePitchValues(const PitchValues& values, WorkSettings& work);

class PitchDialog final : public QDialog {
    Q_OBJECT
public:
    PitchDialog(const PitchValues& values, bool english, Host& host, QWidget* parent);
    PitchValues Values() const;
    QLineEdit* Field(const char* name) const;  // "work", "maximum", "minimum", "move", "rate"
    QCheckBox* AutoWork() const { return autoWork_; }
    QCheckBox* AutoMove() const { return autoMove_; }
    void accept() override;

private:
    void FollowRate();  // the moving pitch follows work pitch x rate while automatic

    bool english_;
    Host& host_;
    QLineEdit *work_, *maximum_, *minimum_, *move_, *rate_;
    QCheckBox *autoWork_, *autoMove_;
};

// "Define Work": the box, the pitch and where the tool starts.
struct WorkDefinition {
    BoxRequest box;
    double pitch = 1.0;
    int controlPoint = 0;  // 0 BOX-TOP, 1 CURRENT, 2 SPECIFY
};

class DefineWorkDialog final : public QDialog {
    Q_OBJECT
public:
    DefineWorkDialog(const WorkDefinition& values, bool english, Host& host, QWidget* parent);
    WorkDefinition Values() const;
    QLineEdit* Field(int i) const;  // 0..5: XMIN YMIN ZMIN XMAX YMAX ZMAX, 6 the pitch
    void SetControlPoint(int mode);
    void accept() override;

    double minimumPitch = 0.0;           // a pitch below it is refused (0: no bound)
    std::function<void()> detail;        // "Detail": the pitch dialog
    std::function<void()> controlPoint;  // "Controll Point": the specified point

private:
    Host& host_;
    QLineEdit* fields_[7];
    QButtonGroup* modes_;
};

// The start-up state: which parts of the window's state are kept for the
// next start (section Save): its place, the panels, the colour groups.
class StartupDialog final : public QDialog {
    Q_OBJECT
public:
    StartupDialog(const SaveSettings& save, bool english, QWidget* parent);
    SaveSettings Value() const;
    QCheckBox* Box(int i) const { return boxes_[i]; }  // 0 place, 1 work, 2 tool, 3 path colours, 4 background

private:
    SaveSettings save_;
    QCheckBox* boxes_[5];
};

// The optional block skip: which of the levels "/" (0) and "/1" to "/9"
// skip their blocks.
class SkipDialog final : public QDialog {
    Q_OBJECT
public:
    SkipDialog(const std::array<bool, 10>& levels, bool english, QWidget* parent);
    std::array<bool, 10> Levels() const;
    QCheckBox* Level(int i) const { return levels_[i]; }

private:
    QCheckBox* levels_[10];
};

class PointDialog final : public QDialog {
    Q_OBJECT
public:
    PointDialog(const Vec3& point, bool english, QWidget* parent);
    Vec3 Value() const;
    QLineEdit* Field(int axis) const { return fields_[axis]; }

private:
    QLineEdit* fields_[3];
};

}  // namespace morvex
