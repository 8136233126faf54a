#include "ui/EscCharEditForm.h"

#include "comm/COM740Object.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
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

    EscChar_SpinEdit = new QSpinBox(this);
    EscChar_SpinEdit->setObjectName(QStringLiteral("EscChar_SpinEdit"));
    EscChar_SpinEdit->setRange(1, 255);

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
          // EscapeChar is a plain char: go through unsigned char so codes above 127 survive.
          [] { return int(static_cast<unsigned char>(EscapeChar.load())); },
          [](int code) { EscapeChar.store(static_cast<char>(code)); },
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
    // Take what is typed even if the field has not been left yet; setting the range
    // keeps the value within 1..255.
    EscChar_SpinEdit->interpretText();
    m_set(EscChar_SpinEdit->value());
    accept();
}
