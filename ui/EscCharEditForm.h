#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class TSpinField;

// Picks the character that, sent three times, brings a module into command mode.
// One instance lives for the whole run. The character is read and written as its code
// 1..255 through two functions; by default those of the program-wide escapeCharacter.
class TEscCharEdit_Form : public QDialog {
    Q_OBJECT
public:
    using Getter = std::function<int()>;
    using Setter = std::function<void(int)>;

    TEscCharEdit_Form(Getter getEscapeChar, Setter setEscapeChar, QWidget *parent = nullptr);
    // Edits the program's escapeCharacter.
    explicit TEscCharEdit_Form(QWidget *parent = nullptr);

    QLabel *Label49 = nullptr;
    QLabel *Label51 = nullptr;
    TSpinField *EscChar_SpinEdit = nullptr;
    QPushButton *OK_BitBtn = nullptr;
    QPushButton *Cancel_BitBtn = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void OK_BitBtnClick();

private:
    void FormShow();

    Getter m_get;
    Setter m_set;
};
