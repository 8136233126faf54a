#include "ui/EscCharEditForm.h"

#include "comm/ModuleChannel.h"
#include "ui/SpinField.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TEscCharEdit_Form::TEscCharEdit_Form(Getter getEscapeChar, Setter setEscapeChar, QWidget *parent)
    : QDialog(parent)
    , m_get(std::move(getEscapeChar))
    , m_set(std::move(setEscapeChar))
{
    setObjectName(QStringLiteral("EscCharEdit_Form"));
    setWindowTitle(QStringLiteral("Select Escape Character"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);

    Label49 = new QLabel(QStringLiteral("Esc Sequence"), this);
    Label49->setObjectName(QStringLiteral("Label49"));
    Label51 = new QLabel(QStringLiteral("Character"), this);
    Label51->setObjectName(QStringLiteral("Label51"));

    EscChar_SpinEdit = new TSpinField(1, 255, this);
    EscChar_SpinEdit->setObjectName(QStringLiteral("EscChar_SpinEdit"));

    OK_BitBtn = new QPushButton(QStringLiteral("OK"), this);
    OK_BitBtn->setObjectName(QStringLiteral("OK_BitBtn"));
    OK_BitBtn->setDefault(true);
    Cancel_BitBtn = new QPushButton(QStringLiteral("Cancel"), this);
    Cancel_BitBtn->setObjectName(QStringLiteral("Cancel_BitBtn"));

    auto *labels = new QVBoxLayout;
    labels->setSpacing(0);
    labels->addWidget(Label49);
    labels->addWidget(Label51);
    auto *field = new QHBoxLayout;
    field->addLayout(labels);
    field->addSpacing(12);
    field->addWidget(EscChar_SpinEdit);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OK_BitBtn);
    buttons->addWidget(Cancel_BitBtn);
    auto *main = new QVBoxLayout(this);
    main->addLayout(field);
    main->addSpacing(8);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    connect(OK_BitBtn, &QPushButton::clicked, this, &TEscCharEdit_Form::OK_BitBtnClick);
    connect(Cancel_BitBtn, &QPushButton::clicked, this, &QDialog::reject);
}

TEscCharEdit_Form::TEscCharEdit_Form(QWidget *parent)
    : TEscCharEdit_Form(
          // escapeCharacter is a plain char: go through unsigned char so codes above 127 survive.
          [] { return int(static_cast<unsigned char>(escapeCharacter.load())); },
          [](int code) { escapeCharacter.store(static_cast<char>(code)); },
          parent)
{
}

void TEscCharEdit_Form::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void TEscCharEdit_Form::FormShow()
{
    EscChar_SpinEdit->setValue(m_get());
    EscChar_SpinEdit->selectAll();
}

void TEscCharEdit_Form::OK_BitBtnClick()
{
    // OK by the Enter key leaves the field unclamped: a typed 300 must not wrap
    // around to another character, so the code is kept within 1..255 here.
    const int code = EscChar_SpinEdit->clamp(EscChar_SpinEdit->value());
    EscChar_SpinEdit->setValue(code);
    m_set(code);
    accept();
}
