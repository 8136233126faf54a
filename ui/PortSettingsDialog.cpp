#include "ui/PortSettingsDialog.h"

#include "comm/ComPorts.h"
#include "comm/PortAddress.h"
#include "comm/SerialDevices.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {
constexpr int kComPorts = 8;
constexpr int kRowsPerColumn = kComPorts / 2;

// Items of a list: the text shown and the value it stands for.
struct Choice {
    QString text;
    int value;
};

QComboBox *makeList(QWidget *parent, const QString &name, const QList<Choice> &items)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(name);
    for (const Choice &c : items)
        combo->addItem(c.text, c.value);   // a plain QComboBox is selection only
    return combo;
}

// Items that show their value.
template <std::size_t N> QList<Choice> numbers(const std::array<int, N> &values)
{
    QList<Choice> items;
    for (const int v : values)
        items.append({QString::number(v), v});
    return items;
}

// Shows the item of a value; a value the list does not have shows its last item.
void select(QComboBox *list, int value)
{
    const int item = list->findData(value);
    list->setCurrentIndex(item >= 0 ? item : list->count() - 1);
}

int chosen(const QComboBox *list) { return list->currentData().toInt(); }
} // namespace

PortSettingsDialog::PortSettingsDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SerialSettingsForm"));
    setWindowTitle(QStringLiteral("Serial Port Setup"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);

    m_comPortBox = new QGroupBox(QStringLiteral("Com Port"), this);
    m_comPortBox->setObjectName(QStringLiteral("rg_ComPort"));
    m_comPortButtons = new QButtonGroup(this);
    auto *grid = new QGridLayout(m_comPortBox);
    for (int i = 0; i < kComPorts; ++i) {
        auto *item = new QRadioButton(QStringLiteral("COM%1").arg(i + 1), m_comPortBox);
        item->setObjectName(QStringLiteral("rg_ComPort_%1").arg(i));
        item->setToolTip(m_bindings.devicePath(i));
        m_pendingBindings[std::size_t(i)] = m_bindings.binding(i);
        m_comPortButtons->addButton(item, i);
        // Filled column by column: Com 1..4 on the left, Com 5..8 on the right.
        grid->addWidget(item, i % kRowsPerColumn, i / kRowsPerColumn);
    }

    m_baudRateList = makeList(this, QStringLiteral("Combo_DataRate"), numbers(kBaudRates));
    m_dataBitsList = makeList(this, QStringLiteral("Combo_DataBits"), numbers(std::array{7, 8}));
    m_stopBitsList = makeList(this, QStringLiteral("Combo_StopBits"), numbers(std::array{1, 2}));
    m_parityList = makeList(this, QStringLiteral("Combo_Parity"),
                            {{QStringLiteral("None"), int(Parity::None)},
                             {QStringLiteral("Odd"), int(Parity::Odd)},
                             {QStringLiteral("Even"), int(Parity::Even)}});

    m_deviceList = new QComboBox(this);
    m_deviceList->setObjectName(QStringLiteral("Combo_Device"));
    m_deviceList->addItem(QStringLiteral("Serial devices present..."));
    for (const SerialDeviceInfo &device : serialDevicesWithDetails(m_bindings)) {
        m_deviceList->addItem(device.label(), device.preferredPath());
        m_deviceList->setItemData(m_deviceList->count() - 1, device.details(), Qt::ToolTipRole);
    }
    m_devicePath = new QLineEdit(this);
    m_devicePath->setObjectName(QStringLiteral("ed_DevicePath"));
    m_devicePath->setClearButtonEnabled(true);
    m_networkPort = new QLineEdit(this);
    m_networkPort->setObjectName(QStringLiteral("ed_NetworkPort"));
    m_networkPort->setClearButtonEnabled(true);
    m_networkPort->setPlaceholderText(QStringLiteral("rfc2217://host:port"));
    m_networkPort->setToolTip(QStringLiteral("A port on a serial device server: rfc2217://host:port, or "
                                             "tcp://host:port for a raw socket. Add ?ignore-cts where the "
                                             "server's device has no modem lines."));
    m_networkProblem = new QLabel(this);
    m_networkProblem->setObjectName(QStringLiteral("lb_NetworkPortProblem"));
    m_networkProblem->setWordWrap(true);
    m_networkProblem->hide();
    auto *deviceBox = new QGroupBox(QStringLiteral("Device"), this);
    auto *deviceRows = new QFormLayout(deviceBox);
    deviceRows->addRow(QStringLiteral("Present"), m_deviceList);
    deviceRows->addRow(QStringLiteral("Path"), m_devicePath);
    deviceRows->addRow(QStringLiteral("Network"), m_networkPort);
    deviceRows->addRow(m_networkProblem);

    auto *lists = new QFormLayout;
    lists->addRow(QStringLiteral("Data Rate"), m_baudRateList);
    lists->addRow(QStringLiteral("Data Bits"), m_dataBitsList);
    lists->addRow(QStringLiteral("Stop Bits"), m_stopBitsList);
    lists->addRow(QStringLiteral("Parity"), m_parityList);

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("OkButton"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("btn_Cancel"));

    auto *top = new QHBoxLayout;
    top->addWidget(m_comPortBox);
    top->addLayout(lists);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    auto *main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(deviceBox);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_okButton, &QPushButton::clicked, this, &PortSettingsDialog::storeChoices);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_comPortButtons, &QButtonGroup::idToggled, this, [this](int slot, bool checked) {
        if (checked)
            showBinding(slot);
    });
    connect(m_deviceList, &QComboBox::activated, this, &PortSettingsDialog::takeListedDevice);
    connect(m_devicePath, &QLineEdit::textEdited, this, &PortSettingsDialog::keepTypedPath);
    connect(m_networkPort, &QLineEdit::textEdited, this, &PortSettingsDialog::keepTypedNetworkPort);
}

void PortSettingsDialog::edit(LineSettings &line)
{
    m_line = &line;
    if (QAbstractButton *item = m_comPortButtons->button(comSlotOf(line.port)))
        item->setChecked(true);
    select(m_baudRateList, line.baudRate);
    select(m_dataBitsList, line.dataBits);
    select(m_stopBitsList, line.stopBits);
    select(m_parityList, int(line.parity));
}

void PortSettingsDialog::showBinding(int slot)
{
    const bool overridden = PortBindings::isOverridden(slot);
    const QString bound = overridden ? m_bindings.devicePath(slot) : m_pendingBindings[std::size_t(slot)];
    const bool network = PortAddress::isNetworkName(bound.toStdString());
    m_devicePath->setText(network ? QString() : bound);
    m_networkPort->setText(network ? bound : QString());
    showNetworkProblem(m_networkPort->text());
    m_devicePath->setPlaceholderText(PortBindings::defaultDevicePath(slot));
    m_devicePath->setEnabled(!overridden);
    m_networkPort->setEnabled(!overridden);
    m_deviceList->setEnabled(!overridden);
    m_devicePath->setToolTip(overridden ? QStringLiteral("Set by the environment variable CFG_COM%1").arg(slot + 1)
                                        : QStringLiteral("Empty: %1").arg(PortBindings::defaultDevicePath(slot)));
}

void PortSettingsDialog::takeListedDevice(int item)
{
    const QString path = m_deviceList->itemData(item).toString();
    if (path.isEmpty())
        return;
    m_devicePath->setText(path);
    keepTypedPath(path);
}

void PortSettingsDialog::keepTypedPath(const QString &path)
{
    const int slot = m_comPortButtons->checkedId();
    if (slot >= 0 && slot < int(m_pendingBindings.size()))
        m_pendingBindings[std::size_t(slot)] = path.trimmed();
    // A slot opens one thing: a device path replaces a network port.
    if (!m_networkPort->text().isEmpty()) {
        m_networkPort->clear();
        showNetworkProblem({});
    }
}

void PortSettingsDialog::keepTypedNetworkPort(const QString &address)
{
    const int slot = m_comPortButtons->checkedId();
    if (slot >= 0 && slot < int(m_pendingBindings.size()))
        m_pendingBindings[std::size_t(slot)] = address.trimmed();
    m_devicePath->clear();
    showNetworkProblem(address);
}

void PortSettingsDialog::showNetworkProblem(const QString &address)
{
    const QString typed = address.trimmed();
    std::string why;
    const bool usable = typed.isEmpty() || PortAddress::parse(typed.toStdString(), &why).has_value();
    m_networkProblem->setText(usable ? QString() : QString::fromStdString(why) + QLatin1Char('.'));
    m_networkProblem->setVisible(!usable);
    // Nor may another slot keep an address typed wrong before switching to this one.
    const bool othersUsable = std::all_of(m_pendingBindings.begin(), m_pendingBindings.end(), [](const QString &b) {
        const std::string name = b.toStdString();
        return !PortAddress::isNetworkName(name) || PortAddress::parse(name).has_value();
    });
    m_okButton->setEnabled(usable && othersUsable);
}

void PortSettingsDialog::storeChoices()
{
    for (int slot = 0; slot < int(m_pendingBindings.size()); ++slot)
        if (m_pendingBindings[std::size_t(slot)] != m_bindings.binding(slot))
            m_bindings.bind(slot, m_pendingBindings[std::size_t(slot)]);
    m_bindings.sync();
    if (m_line) {
        if (const std::string port = comDeviceName(m_comPortButtons->checkedId()); !port.empty())
            m_line->port = QString::fromStdString(port);
        m_line->baudRate = chosen(m_baudRateList);
        m_line->dataBits = chosen(m_dataBitsList);
        m_line->stopBits = chosen(m_stopBitsList);
        m_line->parity = Parity(chosen(m_parityList));
    }
    accept();
}

void PortSettingsDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}
