#pragma once

#include "settings/Types.h"

#include <QStackedWidget>

class QGroupBox;
class QLabel;
class ControlledPanel;
class FieldBinder;
class SpinField;

// The middle column: three group boxes in one place, one in front - the blank
// "Mode Options:" panel, the transparent options and the controlled options.
class ModeOptions : public QStackedWidget {
    Q_OBJECT
public:
    ModeOptions(FieldBinder &binder, QWidget *parent = nullptr);

    // Brings the panel of the mode to the front and shows what applies in it
    // (OperatingMode::None: the blank panel).
    void showMode(OperatingMode m);
    void showFastOperation(bool show);

    QGroupBox *blankPanel() const { return m_blank; }
    QGroupBox *transparentPanel() const { return m_transparent; }
    QGroupBox *controlledPanel() const { return m_controlled; }
    ControlledPanel *controlled() const { return m_controlledBody; }

private:
    QGroupBox *makeBlank();
    QGroupBox *makeTransparent(FieldBinder &b);
    QGroupBox *makeControlled(FieldBinder &b);

    QGroupBox *m_blank = nullptr;
    QGroupBox *m_transparent = nullptr;
    QGroupBox *m_controlled = nullptr;
    ControlledPanel *m_controlledBody = nullptr;
    QLabel *m_grpAdd2Label = nullptr;
    SpinField *m_grpAdd2 = nullptr;
};
