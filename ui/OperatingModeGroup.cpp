#include "ui/OperatingModeGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

struct ModeButton {
    OperatingMode mode;
    const char *name;
    const char *caption;
};

const ModeButton kTransparentButtons[] = {
    {OperatingMode::Transparent, "rb_TransMode", "Transparent Mode"},
    {OperatingMode::TransparentRepeater, "rb_TM_Rpt", "Transparent Repeater"},
};
const ModeButton kControlledButtons[] = {
    {OperatingMode::AutoConnectMaster, "rb_ContMode", "Auto-Connect Master"},
    {OperatingMode::AutoConnectSlave, "rb_CM_Slave", "Auto-Connect Slave"},
    {OperatingMode::SingleConnect, "rb_CM_Single", "Single-Connect"},
};

}  // namespace

OperatingModeGroup::OperatingModeGroup(QWidget *parent)
    : QGroupBox(QStringLiteral("Operating Mode: "), parent), m_buttons(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("OperatingModeGB"));
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    QFont normal = bold;
    normal.setBold(false);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(4);
    auto addSubGroup = [&](const QString &caption, const char *name, const auto &buttons) {
        auto *sub = new QGroupBox(caption, this);
        sub->setObjectName(QString::fromLatin1(name));
        sub->setFont(normal);
        auto *layout = new QVBoxLayout(sub);
        layout->setContentsMargins(4, 2, 2, 2);
        layout->setSpacing(1);
        for (const ModeButton &mb : buttons) {
            auto *b = new QRadioButton(QString::fromLatin1(mb.caption), sub);
            b->setObjectName(QString::fromLatin1(mb.name));
            m_buttons->addButton(b, static_cast<int>(mb.mode));
            layout->addWidget(b);
        }
        outer->addWidget(sub);
    };
    addSubGroup(QStringLiteral("Transparent: "), "TransparentGB", kTransparentButtons);
    addSubGroup(QStringLiteral("Controlled: "), "ControlledGB", kControlledButtons);
    outer->addStretch(1);

    connect(m_buttons, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            emit selected(static_cast<OperatingMode>(id));
    });
}

QRadioButton *OperatingModeGroup::button(OperatingMode m) const
{
    return static_cast<QRadioButton *>(m_buttons->button(static_cast<int>(m)));
}

void OperatingModeGroup::showMode(OperatingMode m)
{
    const QSignalBlocker block(m_buttons);
    if (QRadioButton *b = button(m)) {
        b->setChecked(true);
    } else if (QAbstractButton *checked = m_buttons->checkedButton()) {
        m_buttons->setExclusive(false);
        checked->setChecked(false);
        m_buttons->setExclusive(true);
    }
}

OperatingMode OperatingModeGroup::shownMode() const
{
    const int id = m_buttons->checkedId();
    return id < 0 ? OperatingMode::None : static_cast<OperatingMode>(id);
}
