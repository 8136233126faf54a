#pragma once

#include "settings/ModuleSettings.h"

#include <QObject>
#include <QPointer>

#include <vector>

class QCheckBox;
class QComboBox;
class QWidget;
class SettingsModel;
class ChoiceGroup;
class SpinField;

// Ties the window's controls to the fields of the SettingsModel: each control shows
// its field (a field may have two controls, the mirrored pairs), and what the user
// does goes to the model. Model announcements update the controls with their
// signals blocked, so nothing echoes back; the model runs every rule itself.
class FieldBinder : public QObject {
    Q_OBJECT
public:
    explicit FieldBinder(SettingsModel &model, QObject *parent = nullptr);

    SettingsModel &model() const { return m_model; }

    // Numeric field: leaving it hands the clamped value to leaveField().
    void bindNumber(Field f, SpinField *control);
    // Check box: every user toggle goes to set().
    void bindFlag(Field f, QCheckBox *control);
    // The "PLC Mode" box: a user click goes to userClickedPlcMode().
    void bindPlcBox(Field f, QCheckBox *control);
    // Choice group: every user change goes to set().
    void bindChoice(Field f, ChoiceGroup *control);
    // Drop-down list: a user choice goes to userChose(); program changes are silent.
    void bindDropDown(Field f, QComboBox *control);

    // Shows the model's value of f (or of every field) in its controls.
    void show(Field f);
    void showAll();

    // The numeric controls of a field, mirrors included.
    std::vector<SpinField *> numberControls(Field f) const;
    // The numeric control's field; false when the control is not bound.
    bool fieldOf(const SpinField *control, Field &f) const;

private:
    struct Binding {
        Field field;
        QPointer<QWidget> control;
        enum Kind { Number, Flag, Choice, DropDown } kind;
    };
    void add(Field f, QWidget *control, Binding::Kind kind);
    void showIn(const Binding &b, int value);
    void showMaximum(Field f, int maximum);

    SettingsModel &m_model;
    std::vector<Binding> m_bindings;
};
