#include "diagnostics/BERTestForm.h"

#include "comm/COM740Object.h"
#include "comm/ComPorts.h"
#include "comm/OnLineObject.h"
#include "diagnostics/DiagnosticMessages.h"
#include "diagnostics/WaitCursor.h"
#include "settings/MessageSink.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>

#include <optional>

namespace {

const QString kStartCaption = QStringLiteral("Start");
const QString kStopCaption = QStringLiteral("Stop");
constexpr unsigned kCommandWait = 50;  // ms

QLineEdit *addField(QGridLayout *grid, int row, int column, const QString &label, const char *name)
{
    auto *caption = new QLabel(label);
    auto *field = new QLineEdit;
    field->setObjectName(QString::fromLatin1(name));
    field->setReadOnly(true);
    QString spoken = label;
    spoken.remove(QLatin1Char(':'));
    field->setAccessibleName(spoken);
    field->setFixedWidth(90);
    caption->setBuddy(field);
    grid->addWidget(caption, row, column);
    grid->addWidget(field, row + 1, column);
    return field;
}

} // namespace

TBERTestForm::TBERTestForm(MessageSink &messages, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_messages(messages)
{
    setWindowTitle(QStringLiteral("Receive Bit Error Rate Test"));

    auto *grid = new QGridLayout;
    edit_Test = addField(grid, 0, 0, QStringLiteral("Test:"), "edit_Test");
    edit_Error = addField(grid, 0, 1, QStringLiteral("Errors"), "edit_Error");
    edit_Extra = addField(grid, 0, 2, QStringLiteral("Extra"), "edit_Extra");
    edit_Level = addField(grid, 2, 0, QStringLiteral("Level"), "edit_Level");
    edit_TotErr = addField(grid, 2, 1, QStringLiteral("Tot Error"), "edit_TotErr");
    edit_TotMiss = addField(grid, 2, 2, QStringLiteral("Tot Miss"), "edit_TotMiss");
    edit_TotTest = addField(grid, 2, 3, QStringLiteral("Tot Test"), "edit_TotTest");
    // The level line of the RSSI measurement is shown whole.
    edit_Level->setMinimumWidth(90);

    btn_StartStop = new QPushButton(kStartCaption);
    btn_StartStop->setObjectName(QStringLiteral("btn_StartStop"));
    btn_StartStop->setAutoDefault(false);
    // The dialog opens ready to start: Enter or Space runs the test.
    btn_StartStop->setDefault(true);
    btn_Close = new QPushButton(QStringLiteral("Close"));
    btn_Close->setObjectName(QStringLiteral("btn_Close"));
    btn_Close->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btn_StartStop);
    buttons->addStretch(1);
    buttons->addWidget(btn_Close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    btn_StartStop->setFocus();

    TestFields = {edit_Test, edit_Error, edit_Extra, edit_Level, edit_TotErr, edit_TotMiss, edit_TotTest};

    connect(btn_StartStop, &QPushButton::clicked, this, &TBERTestForm::btn_StartStopClick);
    connect(btn_Close, &QPushButton::clicked, this, &TBERTestForm::btn_CloseClick);
}

TBERTestForm::~TBERTestForm()
{
    // The pump calls back into this object: it must be gone first.
    stopPump();
    if (TCOM740Object *c = channel())
        c->SetReceiveHandler({});
}

void TBERTestForm::SetupTest(TChannelSlot &channel, int TestKind)
{
    m_channel = &channel;
    m_testKind = TestKind;
    m_testCommand = "AT&T" + QByteArray::number(TestKind);
    if (TestKind == 3)
        setWindowTitle(QStringLiteral("RSSI Measurement"));
    if (TCOM740Object *c = this->channel())
        c->SetReceiveHandler([this](const QByteArray &text, quint16 length) { ReceiveTestData(text, length); });
}

TCOM740Object *TBERTestForm::channel() const { return m_channel ? m_channel->get() : nullptr; }

bool TBERTestForm::testRunning() const { return btn_StartStop->text() == kStopCaption; }

void TBERTestForm::btn_StartStopClick()
{
    if (btn_StartStop->text() == kStartCaption)
        startTest();
    else
        stopTest();
}

void TBERTestForm::btn_CloseClick() { StopTestAndClose(); }

void TBERTestForm::StopTestAndClose()
{
    FormClose();
    close();
}

void TBERTestForm::closeEvent(QCloseEvent *event)
{
    FormClose();
    QDialog::closeEvent(event);
}

void TBERTestForm::reject()
{
    FormClose();
    QDialog::reject();
}

void TBERTestForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_centred)
        return;
    m_centred = true;
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

std::optional<QString> TBERTestForm::attempt(const std::function<void()> &commands, bool closing)
{
    TWaitCursor wait;
    try {
        commands();
    } catch (const EWriteCommError &) {
        return DiagnosticMessages::moduleNoResponse();
    } catch (const Exception &e) {
        return closing ? DiagnosticMessages::unexpectedCloseError() : e.message();
    }
    return std::nullopt;
}

void TBERTestForm::report(const std::optional<QString> &failure)
{
    // Shown after the hourglass is gone: the box waits for the user.
    if (failure)
        m_messages.show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, *failure);
}

void TBERTestForm::startTest()
{
    TCOM740Object *c = channel();
    if (!c)
        return;
    const std::optional<QString> failure = attempt([&] {
        c->WakeModem();
        c->SendCommand("AT&K0\r", "\r", kCommandWait);  // no flow control during the test
        c->FlushLine();
        c->SendCommand(m_testCommand + '\r', "\r", kCommandWait);
        m_pump = std::make_unique<TOnLineObject>(*c, [this] {
            QMetaObject::invokeMethod(this, [this] { endOnLostLine(); }, Qt::QueuedConnection);
        });
    }, false);
    if (!failure)
        setRunning(true);
    report(failure);
}

void TBERTestForm::stopTest()
{
    const std::optional<QString> failure = attempt([this] { resetModule(); }, false);
    setRunning(false);
    report(failure);
}

void TBERTestForm::FormClose()
{
    if (!testRunning())
        return;
    const std::optional<QString> failure = attempt([this] { resetModule(); }, true);
    // Idle again, so that the close that follows does not stop a second time.
    setRunning(false);
    report(failure);
}

void TBERTestForm::resetModule()
{
    stopPump();
    TCOM740Object *c = channel();
    if (!c)
        return;
    c->FlushLine();
    c->WakeModem();
    c->SendCommand("ATZ\r", "\r", kCommandWait);
}

void TBERTestForm::stopPump()
{
    if (m_pump) {
        m_pump->stop();
        m_pump.reset();
    }
}

void TBERTestForm::endOnLostLine()
{
    // A test stopped (or restarted) meanwhile has dealt with the line already.
    if (!m_pump || m_pump->isRunning())
        return;
    stopPump();
    QString name;
    if (TCOM740Object *c = channel()) {
        name = comDeviceName(c->port().PortIndex);
        c->port().Close();
    }
    setRunning(false);
    report(portUnavailableText(name));
}

void TBERTestForm::setRunning(bool running)
{
    btn_StartStop->setText(running ? kStopCaption : kStartCaption);
    btn_Close->setEnabled(!running);
    btn_Close->setVisible(!running);
}

void TBERTestForm::ReceiveTestData(const QByteArray &text, quint16 /*length*/)
{
    m_cutter.feed(text, [this](const QByteArray &line) { ShowTestLine(line); });
}

void TBERTestForm::ShowTestLine(const QByteArray &line)
{
    if (m_testKind == 3) {
        if (TestReport::isLevelLine(line))
            showValue(edit_Level, QString::fromLatin1(line));
        return;
    }
    if (!TestReport::isBerLine(line))
        return;
    TestValues = TestReport::berValues(line);
    for (std::size_t i = 0; i < TestFields.size(); ++i)
        showValue(TestFields[i], TestValues[i]);
}

void TBERTestForm::showValue(QLineEdit *field, const QString &text)
{
    if (QThread::currentThread() == thread())
        field->setText(text);
    else
        TOnLineObject::ShowText(field, text, [field](const QString &t) { field->setText(t); });
}
