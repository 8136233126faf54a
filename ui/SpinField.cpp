#include "ui/SpinField.h"

#include <QFocusEvent>
#include <QLineEdit>

SpinField::SpinField(int minimum, int maximum, QWidget *parent)
    : QAbstractSpinBox(parent), m_min(minimum), m_max(maximum)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
    lineEdit()->setMaxLength(32);
    lineEdit()->setText(QString::number(minimum));
}

int SpinField::value() const
{
    bool ok = false;
    const int v = text().trimmed().toInt(&ok, 10);
    return ok ? v : m_min;
}

int SpinField::clamp(int v) const
{
    if (m_min == m_max)
        return v;
    return std::clamp(v, m_min, std::max(m_min, m_max));
}

void SpinField::setValue(int v)
{
    const QString t = QString::number(clamp(v));
    if (lineEdit()->text() != t)
        lineEdit()->setText(t);
}

void SpinField::leave()
{
    m_editing = false;
    const int v = clamp(value());
    setValue(v);
    emit left(v);
}

QValidator::State SpinField::validate(QString &, int &) const
{
    // Any text may stand in the field while it is edited; leaving it corrects it.
    return QValidator::Acceptable;
}

void SpinField::fixup(QString &) const {}

void SpinField::stepBy(int steps)
{
    if (!isEnabled() || isReadOnly())
        return;
    setValue(value() + steps);
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled SpinField::stepEnabled() const
{
    if (isReadOnly())
        return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

// Wide enough for the largest value, whatever text is typed.
QSize SpinField::sizeHint() const
{
    QSize s = QAbstractSpinBox::sizeHint();
    const int digits = int(QString::number(std::max(std::abs(m_min), std::abs(m_max))).size());
    s.setWidth(fontMetrics().horizontalAdvance(QString(std::max(digits, 3), QLatin1Char('0'))) + 30);
    return s;
}

QSize SpinField::minimumSizeHint() const
{
    return sizeHint();
}

void SpinField::focusInEvent(QFocusEvent *e)
{
    QAbstractSpinBox::focusInEvent(e);
    m_editing = true;
}

void SpinField::focusOutEvent(QFocusEvent *e)
{
    QAbstractSpinBox::focusOutEvent(e);
    // A message box or a pop-up taking the focus for a moment is no leaving.
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason)
        return;
    if (m_editing)
        leave();
}
