#pragma once

#include "settings/Types.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QStackedWidget;
class QTabWidget;
class FieldBinder;
class SpinField;

// The body of "Controlled Mode Options: ": tab pages "General", "Advanced" and
// "Stored Add" (inner pages "Dest 1" .. "Dest 4").
class ControlledPanel : public QWidget {
    Q_OBJECT
public:
    ControlledPanel(FieldBinder &binder, QWidget *parent = nullptr);

    // Which panel and stored-destination groups apply in a controlled mode.
    void showMode(OperatingMode m);
    // Fast Operation and its note exist for one radio class only.
    void showFastOperation(bool show);

    QTabWidget *tabs() const { return m_tabs; }
    QStackedWidget *advancedStack() const { return m_advancedStack; }
    QWidget *singleConnectPanel() const { return m_singlePanel; }
    QWidget *autoConnectPanel() const { return m_autoPanel; }
    QGroupBox *destinationGroup(int n) const { return m_destGroups[static_cast<std::size_t>(n)]; }

private:
    QWidget *generalPage(FieldBinder &b);
    QWidget *advancedPage(FieldBinder &b);
    QWidget *storedAddPage(FieldBinder &b);
    QWidget *destinationPage(FieldBinder &b, int n);

    QTabWidget *m_tabs;
    QCheckBox *m_fast = nullptr;
    QLabel *m_fastNote = nullptr;
    QStackedWidget *m_advancedStack = nullptr;
    QWidget *m_singlePanel = nullptr;
    QWidget *m_autoPanel = nullptr;
    SpinField *m_linkCheck = nullptr;
    SpinField *m_linkReset = nullptr;
    std::array<QGroupBox *, 4> m_destGroups{};
};
