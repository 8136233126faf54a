#pragma once

#include <QAbstractSpinBox>

// A numeric spin field. The user may type any text; the field keeps it until the
// focus leaves:
//  - value() parses the text as a whole number and gives the minimum when it is not
//    one (no clamping on reading);
//  - setValue() clamps into the range, unless minimum and maximum are equal;
//  - losing the input focus clamps the value and writes it back, then emits left();
//  - changing the maximum does not touch the current value.
class SpinField : public QAbstractSpinBox {
    Q_OBJECT
    // Read by assistive technology as the field's current value.
    Q_PROPERTY(int value READ value WRITE setValue)
public:
    SpinField(int minimum, int maximum, QWidget *parent = nullptr);

    int value() const;
    void setValue(int v);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    void setMaximum(int maximum) { m_max = maximum; }
    int clamp(int v) const;

    // What losing the focus does: clamp, write back, emit left(). Called directly
    // when the focus moves while the window is not active (no focus-out comes then).
    void leave();
    // True from a focus-in until the field has been left.
    bool isBeingEdited() const { return m_editing; }

    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
    void stepBy(int steps) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void left(int value);

protected:
    StepEnabled stepEnabled() const override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;

private:
    int m_min;
    int m_max;
    bool m_editing = false;
};
