#include "ui/SettingsPages.h"

#include "ui/ChoiceGroup.h"
#include "ui/FieldBinder.h"
#include "ui/FormParts.h"
#include "ui/RegisterPages.h"
#include "ui/SpinField.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace FormParts;

SettingsPages::SettingsPages(FieldBinder &binder, QWidget *parent)
    : QTabWidget(parent), m_sReg(new RegisterPages(binder))
{
    setObjectName(QStringLiteral("Settings_PageControl"));
    compactTabs(this);
    addTab(radioPage(binder), QStringLiteral("Radio"));
    addTab(serialPage(binder), QStringLiteral("Serial"));
    addTab(advancedPage(binder), QStringLiteral("Advanced"));
    auto *sRegPage = new QWidget;
    sRegPage->setObjectName(QStringLiteral("SReg_TabSheet"));
    auto *layout = new QVBoxLayout(sRegPage);
    layout->setContentsMargins(2, 4, 2, 2);
    layout->addWidget(m_sReg);
    addTab(sRegPage, QStringLiteral("S Reg"));
    setCurrentIndex(0);
}

QWidget *SettingsPages::radioPage(FieldBinder &b)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("Radio_TabSheet"));
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 4);
    layout->setSpacing(6);
    layout->addWidget(choice(b, Field::RadioDataRate, "Radio_DataRate", QStringLiteral("Data Rate"), page));
    layout->addWidget(choice(b, Field::CrcChecking, "Radio_Crc", QStringLiteral("CRC Error Checking"), page));
    auto *grid = new QGridLayout;
    grid->setColumnStretch(0, 1);
    grid->setVerticalSpacing(6);
    layout->addLayout(grid);
    numberRow(grid, 0, b, Field::PacketSize, "Radio_PackSize", QStringLiteral("Packet Size (bytes)"));
    numberRow(grid, 1, b, Field::TxHoldOff, "Radio_TxHold", QStringLiteral("Tx Hold-Off (millisec)"));
    numberRow(grid, 2, b, Field::RxHoldOff, "Radio_RxHold", QStringLiteral("Rx Hold-Off (millisec)"));
    layout->addStretch(1);
    return page;
}

QWidget *SettingsPages::serialPage(FieldBinder &b)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("Serial_TabSheet"));
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);

    // Labels above their lists, three to a row.
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(0);
    layout->addLayout(grid);
    struct List {
        Field field;
        const char *name;
        const char *caption;
    };
    const List lists[] = {
        {Field::SerialBaudRate, "Serial_Baud", "Baud Rate"},     {Field::SerialStopBits, "Serial_Stop", "Stop Bits"},
        {Field::SerialDataBits, "Serial_Data", "Data Bits"},     {Field::SerialParity, "Serial_Parity", "Parity"},
        {Field::FlowControl, "Serial_Flow", "Flow Control"},
    };
    int i = 0;
    for (const List &l : lists) {
        const QString caption = QString::fromLatin1(l.caption);
        const int row = (i / 3) * 2, column = i % 3;
        QLabel *text = label(caption, page);
        QComboBox *list = dropDown(b, l.field, l.name, caption, page);
        // On Linux a list's accessible name is its current item; the label is read
        // through the labelled-by relation.
        text->setBuddy(list);
        grid->addWidget(text, row, column);
        grid->addWidget(list, row + 1, column);
        ++i;
    }
    QCheckBox *plc = flag(b, Field::PlcMode, "Modbus_CheckBox", QStringLiteral("PLC Mode"), page);
    grid->addWidget(plc, 3, 2, Qt::AlignBottom);

    layout->addWidget(choice(b, Field::DtrControl, "Serial_DTR", QStringLiteral("Data Terminal Ready (DTR) Control"),
                             page));
    layout->addWidget(choice(b, Field::DcdControl, "Serial_DCD", QStringLiteral("Data Carrier Detect (DCD) Control"),
                             page));
    layout->addStretch(1);
    return page;
}

QWidget *SettingsPages::advancedPage(FieldBinder &b)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("Advanced_TabSheet"));
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 4);
    layout->setSpacing(2);
    layout->addWidget(flag(b, Field::EchoOff, "Adv_Echo", QStringLiteral("Disable Local Echo"), page));
    layout->addWidget(flag(b, Field::ResponseCodesOff, "Adv_Resp", QStringLiteral("Disable Response Codes"), page));
    layout->addWidget(flag(b, Field::NumericResponses, "Adv_Numeric", QStringLiteral("Numeric Response Codes"), page));
    layout->addWidget(flag(b, Field::AbortModeOff, "Adv_Abort", QStringLiteral("Disable Abort Connection Mode"), page));
    layout->addSpacing(4);
    layout->addWidget(choice(b, Field::ResponseLevel, "Adv_Response", QStringLiteral("Response Codes: "), page));
    auto *grid = new QGridLayout;
    grid->setColumnStretch(0, 1);
    layout->addSpacing(4);
    layout->addLayout(grid);
    numberRow(grid, 0, b, Field::InactivityTimeout, "Adv_LinkRst", QStringLiteral("Inactivity Timeout"),
              QStringLiteral("(sec)"));
    layout->addStretch(1);
    return page;
}
