#include "ui/ControlledPanel.h"

#include "ui/FieldBinder.h"
#include "ui/FormParts.h"
#include "ui/SpinField.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace FormParts;

namespace {

QGridLayout *formGrid(QWidget *page)
{
    auto *grid = new QGridLayout(page);
    grid->setContentsMargins(6, 8, 6, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(0, 1);
    return grid;
}

const char *const kDestinationCaptions[4] = {
    "1st Stored Destination Address:", "2nd Stored Destination Address:",
    "3rd Stored Destination Address:", "4th Stored Destination Address:"};

}  // namespace

ControlledPanel::ControlledPanel(FieldBinder &binder, QWidget *parent)
    : QWidget(parent), m_tabs(new QTabWidget(this))
{
    m_tabs->setObjectName(QStringLiteral("CM_PageControl"));
    compactTabs(m_tabs);
    m_tabs->addTab(generalPage(binder), QStringLiteral("General"));
    m_tabs->addTab(advancedPage(binder), QStringLiteral("Advanced"));
    m_tabs->addTab(storedAddPage(binder), QStringLiteral("Stored Add"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
}

QWidget *ControlledPanel::generalPage(FieldBinder &b)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("CM_General_TabSheet"));
    QGridLayout *grid = formGrid(page);
    numberRow(grid, 0, b, Field::SystemAddress, "ed_CM_SysAdd", QStringLiteral("System Address"));
    numberRow(grid, 1, b, Field::UnitAddress, "ed_CM_UnitAdd", QStringLiteral("Unit Address"));
    m_fast = flag(b, Field::FastOperation, "chk_CM_Fast", QStringLiteral("Fast Operation"), page);
    grid->addWidget(m_fast, 2, 0, 1, 2);
    m_fastNote = label(QStringLiteral("(Repeaters will not be used)"), page);
    m_fastNote->setObjectName(QStringLiteral("lbl_CM_FastNote"));
    m_fastNote->setContentsMargins(20, 0, 0, 0);
    grid->addWidget(m_fastNote, 3, 0, 1, 2);
    grid->addWidget(flag(b, Field::LowPowerMode, "chk_CM_LowPow", QStringLiteral("Low Power Mode"), page),
                    4, 0, 1, 2);
    grid->setRowStretch(5, 1);
    return page;
}

QWidget *ControlledPanel::advancedPage(FieldBinder &b)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("CM_Advanced_TabSheet"));
    m_advancedStack = new QStackedWidget(page);

    m_singlePanel = new QWidget;
    m_singlePanel->setObjectName(QStringLiteral("SingleConnectPanel"));
    QGridLayout *single = formGrid(m_singlePanel);
    numberRow(single, 0, b, Field::ConnectAttempts, "ed_CM_SC_Attempts", QStringLiteral("Connection Attempts"));
    numberRow(single, 1, b, Field::DisconnectDelay, "ed_CM_SC_Delay", QStringLiteral("Disconnect Delay"),
              QStringLiteral("(sec)"));
    single->setRowStretch(2, 1);

    m_autoPanel = new QWidget;
    m_autoPanel->setObjectName(QStringLiteral("AutoConnectPanel"));
    QGridLayout *autoGrid = formGrid(m_autoPanel);
    m_linkCheck = numberRow(autoGrid, 0, b, Field::LinkCheckInterval, "ed_CM_LinkChk", QStringLiteral("Link Check Time"),
                            QStringLiteral("(sec)"));
    m_linkReset = numberRow(autoGrid, 1, b, Field::InactivityTimeout, "ed_CM_LinkRst",
                            QStringLiteral("Inactivity Timeout"), QStringLiteral("(sec)"));
    autoGrid->setRowStretch(2, 1);

    m_advancedStack->addWidget(m_singlePanel);
    m_advancedStack->addWidget(m_autoPanel);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_advancedStack);
    return page;
}

QWidget *ControlledPanel::storedAddPage(FieldBinder &b)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("CM_StoredAdd_TabSheet"));
    auto *inner = new QTabWidget(page);
    inner->setObjectName(QStringLiteral("StoredAdd_PageControl"));
    compactTabs(inner);
    for (int n = 0; n < 4; ++n)
        inner->addTab(destinationPage(b, n), QStringLiteral("Dest %1").arg(n + 1));
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 4, 2, 2);
    layout->addWidget(inner);
    return page;
}

QWidget *ControlledPanel::destinationPage(FieldBinder &b, int n)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("Dest%1_TabSheet").arg(n + 1));
    auto *group = new QGroupBox(QString::fromLatin1(kDestinationCaptions[n]), page);
    group->setObjectName(QStringLiteral("Z%1_GroupBox").arg(n));
    m_destGroups[static_cast<std::size_t>(n)] = group;

    auto *grid = new QGridLayout(group);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    grid->addWidget(label(QStringLiteral("(0 Disables...)"), group), 0, 0, 1, 2);
    // A single "&" shows: the label has no buddy, so it marks no access key.
    QLabel *key = label(QStringLiteral("&Z%1").arg(n), group);
    key->setObjectName(QStringLiteral("lbl_Z%1").arg(n));
    grid->addWidget(key, 0, 2, Qt::AlignRight);

    const QString hint = QStringLiteral("Destination Address %1").arg(n + 1);
    const QString destCaption = QStringLiteral("Dest Add %1").arg(n + 1);
    QLabel *destLabel = label(destCaption, group);
    destLabel->setToolTip(hint);
    grid->addWidget(destLabel, 1, 0);
    SpinField *dest = number(b, routeDestination(n), qPrintable(QStringLiteral("Z%1_Dest").arg(n)), destCaption, group);
    dest->setToolTip(hint);
    dest->setAccessibleDescription(hint);
    grid->addWidget(dest, 1, 1);
    for (int k = 1; k <= 5; ++k) {
        const QString caption = QStringLiteral("Rpt %1").arg(k);
        grid->addWidget(label(caption, group), k + 1, 0);
        grid->addWidget(number(b, routeRepeater(n, k), qPrintable(QStringLiteral("Z%1_Rpt%2").arg(n).arg(k)),
                               caption, group),
                        k + 1, 1);
    }
    grid->setColumnStretch(2, 1);

    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(group);
    layout->addStretch(1);
    return page;
}

void ControlledPanel::showMode(OperatingMode m)
{
    const bool single = m == OperatingMode::SingleConnect;
    m_advancedStack->setCurrentWidget(single ? m_singlePanel : m_autoPanel);
    const int visibleGroups = single ? 4 : m == OperatingMode::AutoConnectMaster ? 1 : 0;
    for (int n = 0; n < 4; ++n)
        m_destGroups[static_cast<std::size_t>(n)]->setVisible(n < visibleGroups);

    // The slave's link fields stay editable but are drawn with the button face.
    const bool grey = m == OperatingMode::AutoConnectSlave;
    for (SpinField *f : {m_linkCheck, m_linkReset}) {
        QPalette p = palette();
        if (grey)
            p.setColor(QPalette::Base, p.color(QPalette::Button));
        f->setPalette(p);
        f->setProperty("buttonFace", grey);
    }
}

void ControlledPanel::showFastOperation(bool show)
{
    m_fast->setVisible(show);
    m_fastNote->setVisible(show);
}
