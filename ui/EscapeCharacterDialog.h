#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class SpinField;

// Picks the character that, sent three times, brings a module into command mode.
// One instance lives for the whole run. The character is read and written as its code
// 1..255 through two functions.
class EscapeCharacterDialog : public QDialog {
    Q_OBJECT
public:
    using Getter = std::function<int()>;
    using Setter = std::function<void(int)>;

    EscapeCharacterDialog(Getter getEscapeChar, Setter setEscapeChar, QWidget *parent = nullptr);

    QLabel *sequenceLabel() const { return m_sequenceLabel; }
    QLabel *characterLabel() const { return m_characterLabel; }
    SpinField *codeField() const { return m_codeField; }
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void acceptCode();

private:
    void showCurrentCode();

    Getter m_get;
    Setter m_set;
    QLabel *m_sequenceLabel = nullptr;
    QLabel *m_characterLabel = nullptr;
    SpinField *m_codeField = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
