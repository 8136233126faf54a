#pragma once

#include <QTabWidget>

class QCheckBox;
class FieldBinder;
class RegisterPages;

// The right column's tab pages "Radio", "Serial", "Advanced" and "S Reg".
class SettingsPages : public QTabWidget {
    Q_OBJECT
public:
    SettingsPages(FieldBinder &binder, QWidget *parent = nullptr);

    RegisterPages *sRegPages() const { return m_sReg; }

private:
    QWidget *radioPage(FieldBinder &b);
    QWidget *serialPage(FieldBinder &b);
    QWidget *advancedPage(FieldBinder &b);

    RegisterPages *m_sReg;
};
