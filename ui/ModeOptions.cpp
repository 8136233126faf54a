#include "ui/ModeOptions.h"

#include "ui/ControlledPanel.h"
#include "ui/FieldBinder.h"
#include "ui/FormParts.h"
#include "ui/SpinField.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

using namespace FormParts;

ModeOptions::ModeOptions(FieldBinder &binder, QWidget *parent)
    : QStackedWidget(parent)
{
    m_blank = makeBlank();
    m_transparent = makeTransparent(binder);
    m_controlled = makeControlled(binder);
    addWidget(m_blank);
    addWidget(m_transparent);
    addWidget(m_controlled);
    showMode(OperatingMode::None);
}

QGroupBox *ModeOptions::makeBlank()
{
    QWidget *body = nullptr;
    QGroupBox *group = boldGroup(QStringLiteral("Mode Options:"), this, &body);
    group->setObjectName(QStringLiteral("BlankModeGB"));
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(8, 24, 4, 4);
    layout->setSpacing(0);
    for (const char *line : {"Select an Operating Mode", "to display the options for the", "chosen mode."})
        layout->addWidget(label(QString::fromLatin1(line), body));
    layout->addStretch(1);
    return group;
}

QGroupBox *ModeOptions::makeTransparent(FieldBinder &b)
{
    QWidget *body = nullptr;
    QGroupBox *group = boldGroup(QStringLiteral("Transparent Mode Options: "), this, &body);
    group->setObjectName(QStringLiteral("TransModeGB"));
    auto *grid = new QGridLayout(body);
    grid->setContentsMargins(4, 10, 4, 4);
    grid->setVerticalSpacing(8);
    grid->setColumnStretch(0, 1);
    numberRow(grid, 0, b, Field::SystemAddress, "ed_TM_SysAdd", QStringLiteral("System Address"));
    numberRow(grid, 1, b, Field::GroupAddress1, "ed_TM_GrpAdd1", QStringLiteral("Group Address 1"));
    m_grpAdd2 = numberRow(grid, 2, b, Field::GroupAddress2, "ed_TM_GrpAdd2", QStringLiteral("Group Address 2"));
    m_grpAdd2Label = qobject_cast<QLabel *>(grid->itemAtPosition(2, 0)->widget());
    m_grpAdd2Label->setObjectName(QStringLiteral("lbl_TM_GrpAdd2"));
    // The label's row keeps its place while hidden, so the check box does not jump.
    for (QWidget *w : {static_cast<QWidget *>(m_grpAdd2Label), static_cast<QWidget *>(m_grpAdd2)}) {
        QSizePolicy keep = w->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        w->setSizePolicy(keep);
    }
    grid->addWidget(flag(b, Field::OnLineAtStartup, "TM_Auto_OnLine", QStringLiteral("Go On-Line On Startup"), body),
                    3, 0, 1, 2);
    grid->setRowStretch(4, 1);
    return group;
}

QGroupBox *ModeOptions::makeControlled(FieldBinder &b)
{
    QWidget *body = nullptr;
    QGroupBox *group = boldGroup(QStringLiteral("Controlled Mode Options: "), this, &body);
    group->setObjectName(QStringLiteral("ContModeGB"));
    m_controlledBody = new ControlledPanel(b, body);
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->addWidget(m_controlledBody);
    return group;
}

void ModeOptions::showMode(OperatingMode m)
{
    if (m == OperatingMode::None) {
        setCurrentWidget(m_blank);
        return;
    }
    if (isTransparentMode(m)) {
        const bool repeater = m == OperatingMode::TransparentRepeater;
        m_grpAdd2->setVisible(repeater);
        m_grpAdd2->setEnabled(repeater);
        m_grpAdd2Label->setVisible(repeater);
        setCurrentWidget(m_transparent);
        return;
    }
    m_controlledBody->showMode(m);
    setCurrentWidget(m_controlled);
}

void ModeOptions::showFastOperation(bool show)
{
    m_controlledBody->showFastOperation(show);
}
