#include "ui/SerialSettingsForm.h"

#include "comm/SerialLine.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
constexpr int kComPorts = 8;
constexpr int kRowsPerColumn = kComPorts / 2;

QComboBox *makeList(QWidget *parent, const QString &name, const QStringList &items)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->addItems(items);   // a plain QComboBox is selection only
    return combo;
}

// Item indices stay in range even if the record holds a value the lists do not have.
int clampIndex(int value, int count) { return value < count ? value : count - 1; }
} // namespace

TSerialSettingsForm::TSerialSettingsForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SerialSettingsForm"));
    setWindowTitle(QStringLiteral("Serial Port Setup"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);

    rg_ComPort = new QGroupBox(QStringLiteral("Com Port"), this);
    rg_ComPort->setObjectName(QStringLiteral("rg_ComPort"));
    rg_ComPortButtons = new QButtonGroup(this);
    auto *grid = new QGridLayout(rg_ComPort);
    for (int i = 0; i < kComPorts; ++i) {
        auto *item = new QRadioButton(QStringLiteral("Com %1").arg(i + 1), rg_ComPort);
        item->setObjectName(QStringLiteral("rg_ComPort_%1").arg(i));
        item->setToolTip(portDevicePath(i));
        rg_ComPortButtons->addButton(item, i);
        // Filled column by column: Com 1..4 on the left, Com 5..8 on the right.
        grid->addWidget(item, i % kRowsPerColumn, i / kRowsPerColumn);
    }

    Combo_DataRate = makeList(this, QStringLiteral("Combo_DataRate"),
                              {QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                               QStringLiteral("9600"), QStringLiteral("14400"), QStringLiteral("19200"),
                               QStringLiteral("28800"), QStringLiteral("31250"), QStringLiteral("38400"),
                               QStringLiteral("57600"), QStringLiteral("76800"), QStringLiteral("115200")});
    Combo_DataBits = makeList(this, QStringLiteral("Combo_DataBits"), {QStringLiteral("7"), QStringLiteral("8")});
    Combo_StopBits = makeList(this, QStringLiteral("Combo_StopBits"), {QStringLiteral("1"), QStringLiteral("2")});
    Combo_Parity = makeList(this, QStringLiteral("Combo_Parity"),
                            {QStringLiteral("None"), QStringLiteral("Odd"), QStringLiteral("Even")});

    auto *lists = new QFormLayout;
    lists->addRow(QStringLiteral("Data Rate"), Combo_DataRate);
    lists->addRow(QStringLiteral("Data Bits"), Combo_DataBits);
    lists->addRow(QStringLiteral("Stop Bits"), Combo_StopBits);
    lists->addRow(QStringLiteral("Parity"), Combo_Parity);

    BitBtn2 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setDefault(true);
    btn_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    btn_Cancel->setObjectName(QStringLiteral("btn_Cancel"));

    auto *top = new QHBoxLayout;
    top->addWidget(rg_ComPort);
    top->addLayout(lists);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn2);
    buttons->addWidget(btn_Cancel);
    auto *main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtn2, &QPushButton::clicked, this, &TSerialSettingsForm::BitBtn2Click);
    connect(btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TSerialSettingsForm::GetSerialDetails(PortSettings &settings)
{
    m_settings = &settings;
    if (QAbstractButton *item = rg_ComPortButtons->button(clampIndex(settings.comPort, kComPorts)))
        item->setChecked(true);
    Combo_DataRate->setCurrentIndex(clampIndex(settings.baudIndex, Combo_DataRate->count()));
    Combo_DataBits->setCurrentIndex(clampIndex(settings.dataBits, Combo_DataBits->count()));
    Combo_StopBits->setCurrentIndex(clampIndex(settings.stopBits, Combo_StopBits->count()));
    Combo_Parity->setCurrentIndex(clampIndex(settings.parity, Combo_Parity->count()));
}

void TSerialSettingsForm::BitBtn2Click()
{
    if (m_settings) {
        m_settings->comPort = static_cast<std::uint8_t>(rg_ComPortButtons->checkedId());
        m_settings->baudIndex = static_cast<std::uint8_t>(Combo_DataRate->currentIndex());
        m_settings->dataBits = static_cast<std::uint8_t>(Combo_DataBits->currentIndex());
        m_settings->stopBits = static_cast<std::uint8_t>(Combo_StopBits->currentIndex());
        m_settings->parity = static_cast<std::uint8_t>(Combo_Parity->currentIndex());
    }
    accept();
}

void TSerialSettingsForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}
