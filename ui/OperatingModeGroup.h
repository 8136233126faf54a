#pragma once

#include "settings/Types.h"

#include <QGroupBox>

class QButtonGroup;
class QRadioButton;

// "Operating Mode: " with its two sub-groups; the five buttons form one choice.
class OperatingModeGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit OperatingModeGroup(QWidget *parent = nullptr);

    QRadioButton *button(OperatingMode m) const;
    // Shows the mode without announcing it (OperatingMode::None: no button selected).
    void showMode(OperatingMode m);
    OperatingMode shownMode() const;

Q_SIGNALS:
    // A button became selected by the user.
    void selected(OperatingMode m);

private:
    QButtonGroup *m_buttons;
};
