#pragma once

#include <QTabWidget>

class QCheckBox;
class TFieldBinder;
class TSRegPages;

// The right column's tab pages "Radio", "Serial", "Advanced" and "S Reg".
class TSettingsPages : public QTabWidget {
    Q_OBJECT
public:
    TSettingsPages(TFieldBinder &binder, QWidget *parent = nullptr);

    TSRegPages *sRegPages() const { return m_sReg; }

private:
    QWidget *radioPage(TFieldBinder &b);
    QWidget *serialPage(TFieldBinder &b);
    QWidget *advancedPage(TFieldBinder &b);

    TSRegPages *m_sReg;
};
