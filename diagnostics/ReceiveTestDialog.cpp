#include "diagnostics/ReceiveTestDialog.h"

#include "comm/ModuleChannel.h"
#include "comm/ReceivePump.h"
#include "diagnostics/DiagnosticMessages.h"
#include "diagnostics/RecordingView.h"
#include "diagnostics/WaitCursor.h"
#include "settings/MessageSink.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
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
// The chart and the figures follow a running test at this pace, not line by line.
constexpr int kRefreshMs = 500;

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

ReceiveTestDialog::ReceiveTestDialog(MessageSink &messages, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_messages(messages)
{
    setWindowTitle(QStringLiteral("Receive Bit Error Rate Test"));

    auto *grid = new QGridLayout;
    m_fields[0] = addField(grid, 0, 0, QStringLiteral("Test:"), "edit_Test");
    m_fields[1] = addField(grid, 0, 1, QStringLiteral("Errors"), "edit_Error");
    m_fields[2] = addField(grid, 0, 2, QStringLiteral("Extra"), "edit_Extra");
    m_fields[3] = addField(grid, 2, 0, QStringLiteral("Level"), "edit_Level");
    m_fields[4] = addField(grid, 2, 1, QStringLiteral("Tot Error"), "edit_TotErr");
    m_fields[5] = addField(grid, 2, 2, QStringLiteral("Tot Miss"), "edit_TotMiss");
    m_fields[6] = addField(grid, 2, 3, QStringLiteral("Tot Test"), "edit_TotTest");
    // The level line of the RSSI measurement is shown whole.
    levelField()->setMinimumWidth(90);

    m_startStop = new QPushButton(kStartCaption);
    m_startStop->setObjectName(QStringLiteral("btn_StartStop"));
    m_startStop->setAutoDefault(false);
    // The dialog opens ready to start: Enter or Space runs the test.
    m_startStop->setDefault(true);
    m_close = new QPushButton(QStringLiteral("Close"));
    m_close->setObjectName(QStringLiteral("btn_Close"));
    m_close->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_startStop);
    buttons->addStretch(1);
    buttons->addWidget(m_close);

    m_view = new RecordingView;
    m_mark = new QPushButton(QStringLiteral("Mark"));
    m_mark->setObjectName(QStringLiteral("btn_Mark"));
    m_mark->setAccessibleName(QStringLiteral("Mark"));
    m_mark->setAutoDefault(false);
    m_mark->setEnabled(false);
    m_save = new QPushButton(QStringLiteral("Save As CSV..."));
    m_save->setObjectName(QStringLiteral("btn_SaveCsv"));
    m_save->setAccessibleName(QStringLiteral("Save As CSV"));
    m_save->setAutoDefault(false);
    m_save->setEnabled(false);
    auto *recordingButtons = new QHBoxLayout;
    recordingButtons->addWidget(m_mark);
    recordingButtons->addWidget(m_save);
    recordingButtons->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addWidget(m_view);
    layout->addLayout(recordingButtons);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_startStop->setFocus();


    connect(m_startStop, &QPushButton::clicked, this, &ReceiveTestDialog::toggleTest);
    connect(m_close, &QPushButton::clicked, this, &ReceiveTestDialog::closeDialog);
    connect(m_mark, &QPushButton::clicked, this, &ReceiveTestDialog::addMarker);
    connect(m_save, &QPushButton::clicked, this, &ReceiveTestDialog::saveCsv);
    connect(m_view, &RecordingView::rangeChanged, this, &ReceiveTestDialog::refreshRecording);
    m_refreshTimer.setInterval(kRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &ReceiveTestDialog::refreshRecording);
}

ReceiveTestDialog::~ReceiveTestDialog()
{
    // The pump calls back into this object: it must be gone first.
    stopPump();
    if (ModuleChannel *c = channel())
        c->setReceiveHandler({});
}

void ReceiveTestDialog::setupTest(ChannelSlot &channel, int testKind)
{
    m_channel = &channel;
    m_testKind = testKind;
    m_testCommand = "AT&T" + QByteArray::number(testKind);
    if (testKind == 3)
        setWindowTitle(QStringLiteral("RSSI Measurement"));
    m_view->setKind(testKind == 3 ? Recording::Kind::Level : Recording::Kind::Ber);
    if (ModuleChannel *c = this->channel())
        c->setReceiveHandler([this](const QByteArray &text, quint16 length) { receiveTestData(text, length); });
}

ModuleChannel *ReceiveTestDialog::channel() const { return m_channel ? m_channel->get() : nullptr; }

bool ReceiveTestDialog::testRunning() const { return m_startStop->text() == kStopCaption; }

void ReceiveTestDialog::toggleTest()
{
    if (m_startStop->text() == kStartCaption)
        startTest();
    else
        stopTest();
}

void ReceiveTestDialog::closeDialog() { stopTestAndClose(); }

void ReceiveTestDialog::stopTestAndClose()
{
    stopOnClose();
    close();
}

void ReceiveTestDialog::closeEvent(QCloseEvent *event)
{
    stopOnClose();
    QDialog::closeEvent(event);
}

void ReceiveTestDialog::reject()
{
    stopOnClose();
    QDialog::reject();
}

void ReceiveTestDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_centred)
        return;
    m_centred = true;
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

std::optional<QString> ReceiveTestDialog::attempt(const std::function<void()> &commands, bool closing)
{
    WaitCursor wait;
    try {
        commands();
    } catch (const ModuleReplyError &) {
        return DiagnosticMessages::moduleNoResponse();
    } catch (const Exception &e) {
        return closing ? DiagnosticMessages::unexpectedCloseError() : e.message();
    }
    return std::nullopt;
}

void ReceiveTestDialog::report(const std::optional<QString> &failure)
{
    // Shown after the hourglass is gone: the box waits for the user.
    if (failure)
        m_messages.show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, *failure);
}

void ReceiveTestDialog::startTest()
{
    ModuleChannel *c = channel();
    if (!c)
        return;
    m_droppedSeen = m_cutter.droppedLines();
    // The previous run's recording comes back if this one cannot start.
    Recording previous = m_recording;
    const std::optional<QString> failure = attempt([&] {
        c->wakeModem();
        c->sendCommand("AT&K0\r", "\r", kCommandWait);  // no flow control during the test
        c->flushLine();
        c->sendCommand(m_testCommand + '\r', "\r", kCommandWait);
        // The clock starts with the pump, so the first reports are not bunched at zero.
        m_recording.start(QDateTime::currentDateTime(),
                          m_testKind == 3 ? Recording::Kind::Level : Recording::Kind::Ber);
        m_pump = std::make_unique<ReceivePump>(*c, [this] {
            QMetaObject::invokeMethod(this, [this] { endOnLostLine(); }, Qt::QueuedConnection);
        });
    }, false);
    if (failure)
        m_recording = std::move(previous);
    else
        setRunning(true);
    report(failure);
}

void ReceiveTestDialog::stopTest()
{
    const std::optional<QString> failure = attempt([this] { resetModule(); }, false);
    setRunning(false);
    report(failure);
}

void ReceiveTestDialog::stopOnClose()
{
    if (!testRunning())
        return;
    const std::optional<QString> failure = attempt([this] { resetModule(); }, true);
    // Idle again, so that the close that follows does not stop a second time.
    setRunning(false);
    report(failure);
}

void ReceiveTestDialog::resetModule()
{
    stopPump();
    ModuleChannel *c = channel();
    if (!c)
        return;
    c->flushLine();
    c->wakeModem();
    c->sendCommand("ATZ\r", "\r", kCommandWait);
}

void ReceiveTestDialog::stopPump()
{
    if (m_pump) {
        m_pump->stop();
        m_pump.reset();
    }
}

void ReceiveTestDialog::endOnLostLine()
{
    // A test stopped (or restarted) meanwhile has dealt with the line already.
    if (!m_pump || m_pump->isRunning())
        return;
    stopPump();
    QString name;
    if (ModuleChannel *c = channel()) {
        name = c->line().lineSettings().port;
        c->line().close();
    }
    setRunning(false);
    report(portUnavailableText(name));
}

void ReceiveTestDialog::setRunning(bool running)
{
    m_startStop->setText(running ? kStopCaption : kStartCaption);
    m_close->setEnabled(!running);
    m_close->setVisible(!running);
    m_mark->setEnabled(running);
    if (running) {
        m_refreshTimer.start();
    } else {
        m_refreshTimer.stop();
        // The pump is stopped: what it read is all queued.
        takeArrivals();
        m_recording.finish(QDateTime::currentDateTime());
    }
    refreshRecording();
}

void ReceiveTestDialog::refreshRecording()
{
    m_view->refresh(m_recording, QDateTime::currentDateTime());
    m_save->setEnabled(!m_recording.isEmpty());
}

void ReceiveTestDialog::addMarker()
{
    if (!m_recording.isRunning())
        return;
    m_recording.mark(QDateTime::currentDateTime());
    refreshRecording();
}

void ReceiveTestDialog::saveCsv()
{
    QString path;
    if (m_chooseCsvPath) {
        path = m_chooseCsvPath();
    } else {
        QFileDialog dialog(this, QStringLiteral("Save As CSV"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(QStringLiteral("*.csv (*.csv)"));
        dialog.setDefaultSuffix(QStringLiteral("csv"));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().constFirst();
    }
    if (path.isEmpty())
        return;
    report(m_recording.saveCsv(path));
}

void ReceiveTestDialog::receiveTestData(const QByteArray &text, quint16 /*length*/)
{
    // The dialog's own commands answer on the GUI thread: shown, not recorded.
    if (QThread::currentThread() == thread()) {
        m_cutter.feed(text, [this](const QByteArray &line) { showTestLine(line); });
        return;
    }
    m_cutter.feed(text, [this](const QByteArray &line) { queueLine(line); });
    queueDroppedLines();
}

void ReceiveTestDialog::queueLine(const QByteArray &line)
{
    Arrival arrival{line, QDateTime::currentDateTime()};
    std::lock_guard lock(m_arrivalsMutex);
    m_arrivals.push_back(std::move(arrival));
    postTakeArrivals();
}

void ReceiveTestDialog::queueDroppedLines()
{
    const qsizetype dropped = m_cutter.droppedLines() - m_droppedSeen;
    if (dropped <= 0)
        return;
    m_droppedSeen = m_cutter.droppedLines();
    std::lock_guard lock(m_arrivalsMutex);
    m_arrivedNoise += dropped;
    postTakeArrivals();
}

void ReceiveTestDialog::postTakeArrivals()
{
    // One call for whatever piles up until the GUI thread gets to it.
    if (m_takePosted)
        return;
    m_takePosted = true;
    QMetaObject::invokeMethod(this, [this] { takeArrivals(); }, Qt::QueuedConnection);
}

void ReceiveTestDialog::takeArrivals()
{
    std::vector<Arrival> arrivals;
    qsizetype noise = 0;
    {
        std::lock_guard lock(m_arrivalsMutex);
        arrivals.swap(m_arrivals);
        std::swap(noise, m_arrivedNoise);
        m_takePosted = false;
    }
    if (arrivals.empty() && noise == 0)
        return;
    m_recording.addNoise(noise);
    for (const Arrival &a : arrivals)
        m_recording.addLine(a.line, a.time);
    // The fields show the latest report only.
    for (auto it = arrivals.rbegin(); it != arrivals.rend(); ++it) {
        if (m_testKind == 3 ? TestReport::isLevelLine(it->line) : TestReport::isBerLine(it->line)) {
            showTestLine(it->line);
            break;
        }
    }
}

void ReceiveTestDialog::showTestLine(const QByteArray &line)
{
    if (m_testKind == 3) {
        if (TestReport::isLevelLine(line))
            showValue(levelField(), QString::fromLatin1(line));
        return;
    }
    if (!TestReport::isBerLine(line))
        return;
    m_values = TestReport::berValues(line);
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        showValue(m_fields[i], m_values[i]);
}

void ReceiveTestDialog::showValue(QLineEdit *field, const QString &text)
{
    if (QThread::currentThread() == thread())
        field->setText(text);
    else
        ReceivePump::showText(field, text, [field](const QString &t) { field->setText(t); });
}
