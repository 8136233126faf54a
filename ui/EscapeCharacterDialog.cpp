#include "ui/EscapeCharacterDialog.h"

#include "ui/SpinField.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

EscapeCharacterDialog::EscapeCharacterDialog(Getter getEscapeChar, Setter setEscapeChar, QWidget *parent)
    : QDialog(parent)
    , m_get(std::move(getEscapeChar))
    , m_set(std::move(setEscapeChar))
{
    setObjectName(QStringLiteral("EscCharEdit_Form"));
    setWindowTitle(QStringLiteral("Select Escape Character"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);

    m_sequenceLabel = new QLabel(QStringLiteral("Esc Sequence"), this);
    m_sequenceLabel->setObjectName(QStringLiteral("SequenceLabel"));
    m_characterLabel = new QLabel(QStringLiteral("Character"), this);
    m_characterLabel->setObjectName(QStringLiteral("CharacterLabel"));

    m_codeField = new SpinField(1, 255, this);
    m_codeField->setObjectName(QStringLiteral("EscChar_SpinEdit"));

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("OK_BitBtn"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("Cancel_BitBtn"));

    auto *labels = new QVBoxLayout;
    labels->setSpacing(0);
    labels->addWidget(m_sequenceLabel);
    labels->addWidget(m_characterLabel);
    auto *field = new QHBoxLayout;
    field->addLayout(labels);
    field->addSpacing(12);
    field->addWidget(m_codeField);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    auto *main = new QVBoxLayout(this);
    main->addLayout(field);
    main->addSpacing(8);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_okButton, &QPushButton::clicked, this, &EscapeCharacterDialog::acceptCode);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void EscapeCharacterDialog::showEvent(QShowEvent *event)
{
    showCurrentCode();
    QDialog::showEvent(event);
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void EscapeCharacterDialog::showCurrentCode()
{
    m_codeField->setValue(m_get());
    m_codeField->selectAll();
}

void EscapeCharacterDialog::acceptCode()
{
    // OK by the Enter key leaves the field unclamped: a typed 300 must not wrap
    // around to another character, so the code is kept within 1..255 here.
    const int code = m_codeField->clamp(m_codeField->value());
    m_codeField->setValue(code);
    m_set(code);
    accept();
}
