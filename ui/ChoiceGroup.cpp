#include "ui/ChoiceGroup.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

ChoiceGroup::ChoiceGroup(const QString &caption, const QStringList &items, QWidget *parent)
    : QGroupBox(caption, parent), m_buttons(new QButtonGroup(this)), m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(6, 2, 4, 2);
    m_layout->setSpacing(0);
    connect(m_buttons, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            emit changed(id);
    });
    setItems(items);
    setAccessibleName(caption.trimmed());
}

int ChoiceGroup::itemIndex() const
{
    return m_buttons->checkedId();
}

void ChoiceGroup::setItemIndex(int index)
{
    if (QAbstractButton *b = m_buttons->button(index)) {
        b->setChecked(true);
        return;
    }
    if (QAbstractButton *checked = m_buttons->checkedButton()) {
        // An exclusive group cannot show "none" until it stops being exclusive.
        m_buttons->setExclusive(false);
        checked->setChecked(false);
        m_buttons->setExclusive(true);
        emit changed(-1);
    }
}

void ChoiceGroup::setItems(const QStringList &items)
{
    if (items == m_items)
        return;
    const int index = itemIndex();
    const QSignalBlocker block(m_buttons);
    for (QAbstractButton *b : m_buttons->buttons()) {
        m_buttons->removeButton(b);
        delete b;
    }
    m_items = items;
    for (int i = 0; i < items.size(); ++i) {
        auto *b = new QRadioButton(items[i], this);
        m_buttons->addButton(b, i);
        m_layout->addWidget(b);
    }
    if (QAbstractButton *b = m_buttons->button(index))
        b->setChecked(true);
}
