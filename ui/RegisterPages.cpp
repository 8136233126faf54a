#include "ui/RegisterPages.h"

#include "ui/FieldBinder.h"
#include "ui/FormParts.h"
#include "ui/SpinField.h"

#include <QGridLayout>
#include <QLabel>

using namespace FormParts;

namespace {

struct Register {
    int number;
    Field field;
    const char *line1;
    const char *line2;  // nullptr: a one-line label
    bool enabled;
};

const Register kRegisters[] = {
    {0, Field::AnswerAttempts, "Connection Attempts", "before Answer", true},
    {1, Field::EscapeGuardTime, "Esc Sequence ", "Guard Time (millisec)", true},
    {2, Field::EscapeCharacterCode, "Esc Sequence", "Character", true},
    {3, Field::CarriageReturnCode, "Carriage Return", "Character", true},
    {4, Field::LineFeedCode, "Line Feed", "Character", true},
    {5, Field::BackspaceCode, "Back Space", "Character", true},
    {6, Field::LinkCheckInterval, "Link Check Time", "(sec)", true},
    {7, Field::ConnectAttempts, "Connection Attempts", nullptr, true},
    {8, Field::TestTimer, "Test Timer (sec)", nullptr, true},
    {9, Field::ReceiveLevel, "Module Receive", "Level (-dBm)", false},
    {10, Field::DtrLossTime, "DTR Loss Detection", "Time (millisec)", true},
    {11, Field::DisconnectDelay, "Disconnect Delay ", "(sec)", true},
    {12, Field::CommandModeDiagnostic, "Command Mode", "Diagnostic", false},
    {13, Field::CountryCode, "Country Code", nullptr, false},
    {14, Field::PacketSize, "Packet Size (bytes)", nullptr, true},
    {16, Field::TxHoldOff, "Tx Hold-Off (millisec)", nullptr, true},
    {17, Field::RxHoldOff, "Rx Hold-Off (millisec)", nullptr, true},
    {18, Field::RxBufferThreshold, "Serial Rx Buffer", "Threshold", true},
    {19, Field::RxBufferTimeout, "Serial Rx Buffer", "Timeout (millisec)", true},
    {20, Field::DefaultSystemAddress, "Default System ", "Address", true},
    {21, Field::RadioSignature, "Radio Message", "Signature", true},
};

}  // namespace

RegisterPages::RegisterPages(FieldBinder &binder, QWidget *parent) : QTabWidget(parent)
{
    setObjectName(QStringLiteral("SReg_PageControl"));
    FormParts::compactTabs(this);
    addTab(page(binder, "S0_S5_TabSheet", 0, 5), QStringLiteral("S0 - S5"));
    addTab(page(binder, "S6_S11_TabSheet", 6, 11), QStringLiteral("S6 - S11"));
    addTab(page(binder, "S12_S17_TabSheet", 12, 17), QStringLiteral("S12 - S17"));
    m_s18Page = page(binder, "S18_Plus_TabSheet", 18, 21);
    addTab(m_s18Page, QStringLiteral("S18 - S21"));
}

QWidget *RegisterPages::page(FieldBinder &b, const char *name, int first, int last)
{
    auto *page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    auto *grid = new QGridLayout(page);
    grid->setContentsMargins(6, 6, 6, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    grid->setColumnStretch(0, 1);
    int row = 0;
    for (const Register &r : kRegisters) {
        if (r.number < first || r.number > last)
            continue;
        const QString line1 = QString::fromLatin1(r.line1);
        const QString line2 = r.line2 ? QString::fromLatin1(r.line2) : QString();
        const QString regName = QStringLiteral("S%1").arg(r.number);
        QLabel *text = label(line1, line2, page);
        text->setMinimumHeight(2 * text->fontMetrics().height());
        SpinField *field = number(b, r.field, qPrintable(QStringLiteral("sreg_%1").arg(r.number)), regName, page);
        field->setAccessibleDescription(joined(line1, line2));
        field->setEnabled(r.enabled);
        QLabel *nameLabel = label(regName, page);
        grid->addWidget(text, row, 0);
        grid->addWidget(field, row, 1);
        grid->addWidget(nameLabel, row, 2);
        if (r.number == 21) {
            m_s21 = field;
            m_s21Label = text;
            m_s21Name = nameLabel;
        }
        ++row;
    }
    grid->setRowStretch(row, 1);
    return page;
}

void RegisterPages::showS21(bool show)
{
    m_s21->setVisible(show);
    m_s21Label->setVisible(show);
    m_s21Name->setVisible(show);
    setTabText(indexOf(m_s18Page), show ? QStringLiteral("S18 - S21") : QStringLiteral("S18 - S20"));
}
