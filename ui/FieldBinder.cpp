#include "ui/FieldBinder.h"

#include "settings/SettingsModel.h"
#include "ui/ChoiceGroup.h"
#include "ui/SpinField.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>

FieldBinder::FieldBinder(SettingsModel &model, QObject *parent) : QObject(parent), m_model(model)
{
    connect(&m_model, &SettingsModel::fieldChanged, this, [this](Field f, int) { show(f); });
    connect(&m_model, &SettingsModel::maximumChanged, this, &FieldBinder::showMaximum);
}

void FieldBinder::add(Field f, QWidget *control, Binding::Kind kind)
{
    m_bindings.push_back({f, control, kind});
    showIn(m_bindings.back(), m_model.get(f));
}

void FieldBinder::bindNumber(Field f, SpinField *control)
{
    control->setMaximum(m_model.maximum(f));
    add(f, control, Binding::Number);
    connect(control, &SpinField::left, this, [this, f](int value) {
        m_model.leaveField(f, value);
        // The model announces changes only; a value it kept as it was must still
        // replace the text that was typed.
        show(f);
    });
}

void FieldBinder::bindFlag(Field f, QCheckBox *control)
{
    add(f, control, Binding::Flag);
    connect(control, &QCheckBox::toggled, this, [this, f](bool on) {
        m_model.set(f, on ? 1 : 0);
        show(f);
    });
}

void FieldBinder::bindPlcBox(Field f, QCheckBox *control)
{
    add(f, control, Binding::Flag);
    connect(control, &QCheckBox::clicked, this, [this, f] {
        m_model.userClickedPlcMode();
        show(f);
    });
}

void FieldBinder::bindChoice(Field f, ChoiceGroup *control)
{
    add(f, control, Binding::Choice);
    connect(control, &ChoiceGroup::changed, this, [this, f](int index) {
        if (index < 0)
            return;
        m_model.set(f, index);
        show(f);
    });
}

void FieldBinder::bindDropDown(Field f, QComboBox *control)
{
    add(f, control, Binding::DropDown);
    connect(control, &QComboBox::activated, this, [this, f](int index) {
        m_model.userChose(f, index);
        show(f);
    });
}

void FieldBinder::show(Field f)
{
    const int value = m_model.get(f);
    for (const Binding &b : m_bindings)
        if (b.field == f && b.control)
            showIn(b, value);
}

void FieldBinder::showAll()
{
    for (const Binding &b : m_bindings)
        if (b.control)
            showIn(b, m_model.get(b.field));
}

void FieldBinder::showIn(const Binding &b, int value)
{
    const QSignalBlocker block(b.control.data());
    switch (b.kind) {
    case Binding::Number:
        static_cast<SpinField *>(b.control.data())->setValue(value);
        break;
    case Binding::Flag:
        static_cast<QCheckBox *>(b.control.data())->setChecked(value != 0);
        break;
    case Binding::Choice: {
        auto *group = static_cast<ChoiceGroup *>(b.control.data());
        group->setItems(m_model.choiceItems(b.field));
        group->setItemIndex(value);
        break;
    }
    case Binding::DropDown: {
        auto *box = static_cast<QComboBox *>(b.control.data());
        box->setCurrentIndex(value < box->count() ? value : -1);
        break;
    }
    }
}

void FieldBinder::showMaximum(Field f, int maximum)
{
    for (const Binding &b : m_bindings)
        if (b.field == f && b.kind == Binding::Number && b.control)
            static_cast<SpinField *>(b.control.data())->setMaximum(maximum);
}

std::vector<SpinField *> FieldBinder::numberControls(Field f) const
{
    std::vector<SpinField *> out;
    for (const Binding &b : m_bindings)
        if (b.field == f && b.kind == Binding::Number && b.control)
            out.push_back(static_cast<SpinField *>(b.control.data()));
    return out;
}

bool FieldBinder::fieldOf(const SpinField *control, Field &f) const
{
    for (const Binding &b : m_bindings)
        if (b.kind == Binding::Number && b.control == control) {
            f = b.field;
            return true;
        }
    return false;
}
