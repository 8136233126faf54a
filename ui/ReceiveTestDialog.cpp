#include "ui/ReceiveTestDialog.h"

#include "settings/MessageSink.h"
#include "ui/PostedCall.h"
#include "ui/RecordingView.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>

#include <optional>
#include <utility>

namespace {

const QString kStartCaption = QStringLiteral("Start");
const QString kStopCaption = QStringLiteral("Stop");
const QString kCancelCaption = QStringLiteral("Cancel");
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
    // The bit error rate the totals give, beside them.
    m_berCaption = new QLabel(QStringLiteral("BER"));
    m_ber = new QLabel(QStringLiteral("-"));
    m_ber->setObjectName(QStringLiteral("lbl_BerPercent"));
    m_ber->setAccessibleName(QStringLiteral("Bit error rate"));
    m_ber->setMinimumWidth(90);
    grid->addWidget(m_berCaption, 2, 4);
    grid->addWidget(m_ber, 3, 4);
    // The RSSI level in figures large enough to read from a few steps away while
    // the antenna is turned.
    m_bigLevel = new QLabel(QStringLiteral("-"));
    m_bigLevel->setObjectName(QStringLiteral("lbl_LevelLarge"));
    m_bigLevel->setAccessibleName(QStringLiteral("Signal level"));
    m_bigLevel->setAlignment(Qt::AlignCenter);
    QFont big = m_bigLevel->font();
    big.setBold(true);
    if (big.pixelSize() > 0)
        big.setPixelSize(big.pixelSize() * 4);
    else
        big.setPointSizeF(big.pointSizeF() * 4);
    m_bigLevel->setFont(big);

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
    layout->addWidget(m_bigLevel);
    layout->addSpacing(8);
    layout->addWidget(m_view);
    layout->addLayout(recordingButtons);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);    m_startStop->setFocus();

    connect(m_startStop, &QPushButton::clicked, this, &ReceiveTestDialog::toggleTest);
    connect(m_close, &QPushButton::clicked, this, &ReceiveTestDialog::closeDialog);
    connect(m_mark, &QPushButton::clicked, this, &ReceiveTestDialog::addMarker);
    connect(m_save, &QPushButton::clicked, this, &ReceiveTestDialog::saveCsv);
    connect(m_view, &RecordingView::rangeChanged, this, &ReceiveTestDialog::refreshRecording);
    m_refreshTimer.setInterval(kRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &ReceiveTestDialog::refreshRecording);
    setupTest(std::make_unique<ReceiveTest>(1));
}

ReceiveTestDialog::~ReceiveTestDialog()
{
    // The test's threads call back into this object: they must be gone first.
    m_test.reset();
}

void ReceiveTestDialog::setupTest(std::unique_ptr<ReceiveTest> test)
{
    m_test = std::move(test);
    m_test->setObserver(this);
    setWindowTitle(m_test->kind() == 3 ? QStringLiteral("RSSI Measurement")
                                       : QStringLiteral("Receive Bit Error Rate Test"));
    m_view->setKind(m_test->recordingKind());
    const bool rssi = m_test->kind() == 3;
    m_bigLevel->setVisible(rssi);
    m_ber->setVisible(!rssi);
    m_berCaption->setVisible(!rssi);
}

void ReceiveTestDialog::toggleTest()
{
    if (m_busy) {
        // A start that waits for a silent module is cancelled from the same button.
        if (m_starting)
            askStop(ReceiveTest::StopReason::Stop);
        return;
    }
    if (m_state == TestState::Idle) {
        beginCommand();
        // Until the module answers, the button cancels the start and the dialog can
        // be closed.
        m_starting = true;
        m_startStop->setText(kCancelCaption);
        m_startStop->setEnabled(true);
        m_close->setEnabled(true);
        m_runStop = std::stop_source();
        m_test->start(m_runStop.get_token());
    } else if (m_state == TestState::Running) {
        beginCommand();
        askStop(ReceiveTest::StopReason::Stop);
    }
}

void ReceiveTestDialog::closeDialog() { stopTestAndClose(); }

void ReceiveTestDialog::stopTestAndClose() { close(); }

void ReceiveTestDialog::closeEvent(QCloseEvent *event)
{
    if (!readyToClose()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void ReceiveTestDialog::reject()
{
    if (readyToClose())
        QDialog::reject();
}

bool ReceiveTestDialog::readyToClose()
{
    if (!m_busy && m_state != TestState::Running)
        return true;
    // The stop commands go out before the dialog closes; a start still on the line
    // gives up first.
    m_closeWhenSettled = true;
    if (!m_busy)
        beginCommand();
    askStop(ReceiveTest::StopReason::Close);
    return false;
}

void ReceiveTestDialog::askStop(ReceiveTest::StopReason reason)
{
    if (std::exchange(m_stopAsked, true))
        return;
    m_test->setStopReason(reason);
    m_runStop.request_stop();
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

void ReceiveTestDialog::beginCommand()
{
    m_busy = true;
    // Disabling takes the keyboard away from the button; it gets it back when done.
    m_focusBack = m_startStop->hasFocus();
    m_wait.emplace();
    m_startStop->setEnabled(false);
    m_close->setEnabled(false);
}

void ReceiveTestDialog::onOwnThread(std::function<void()> apply)
{
    if (QThread::currentThread() == thread())
        apply();
    else
        postTo(this, std::move(apply));
}

void ReceiveTestDialog::stateChanged(TestState state, const QDateTime &at)
{
    onOwnThread([this, state, at] { showState(state, at); });
}

void ReceiveTestDialog::failed(const QString &message, FailureKind)
{
    onOwnThread([this, message] { m_failure = message; });
}

void ReceiveTestDialog::lineLost(const QString &message)
{
    onOwnThread([this, message] { m_failure = message; });
}

void ReceiveTestDialog::showState(TestState state, const QDateTime &at)
{
    m_state = state;
    if (state == TestState::Starting || state == TestState::Stopping)
        return;  // busy since the command went out
    if (state == TestState::Running && !m_recording.isRunning())
        m_recording.start(at, m_test->recordingKind());
    if (state == TestState::Idle) {
        // The pump is stopped: what it read is all queued.
        takeArrivals();
        m_recording.finish(at);
        m_stopAsked = false;
    }
    m_starting = false;
    setRunning(state == TestState::Running);
    m_busy = false;
    m_startStop->setEnabled(true);
    if (std::exchange(m_focusBack, false))
        m_startStop->setFocus();
    // The box waits for the user: the hourglass is gone by then.
    m_wait.reset();
    report(std::exchange(m_failure, std::nullopt));
    if (m_closeWhenSettled) {
        if (state == TestState::Running) {
            beginCommand();
            askStop(ReceiveTest::StopReason::Close);
        } else {
            m_closeWhenSettled = false;
            close();
        }
    }
}

void ReceiveTestDialog::report(const std::optional<QString> &failure)
{
    if (failure)
        m_messages.show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, *failure);
}

void ReceiveTestDialog::setRunning(bool running)
{
    m_startStop->setText(running ? kStopCaption : kStartCaption);
    m_close->setEnabled(!running);
    m_close->setVisible(!running);
    m_mark->setEnabled(running);
    if (running)
        m_refreshTimer.start();
    else
        m_refreshTimer.stop();
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

void ReceiveTestDialog::reportLine(const QByteArray &line, const QDateTime &at)
{
    // Text fed on this thread is shown at once.
    if (QThread::currentThread() == thread()) {
        if (m_recording.isRunning())
            m_recording.addLine(line, at);
        showTestLine(line);
        return;
    }
    queueArrival(line, at, 0);
}

void ReceiveTestDialog::noiseDropped(qsizetype lines)
{
    if (QThread::currentThread() == thread())
        m_recording.addNoise(lines);
    else
        queueArrival({}, {}, lines);
}

void ReceiveTestDialog::queueArrival(const QByteArray &line, const QDateTime &at, qsizetype noise)
{
    std::lock_guard lock(m_arrivalsMutex);
    if (noise > 0)
        m_arrivedNoise += noise;
    else
        m_arrivals.push_back({line, at});
    // One call for whatever piles up until the GUI thread gets to it.
    if (m_takePosted)
        return;
    m_takePosted = true;
    postTo(this, [this] { takeArrivals(); });
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
    if (m_recording.isRunning()) {
        m_recording.addNoise(noise);
        for (const Arrival &a : arrivals)
            m_recording.addLine(a.line, a.time);
    }
    // The fields show the latest report only.
    for (auto it = arrivals.rbegin(); it != arrivals.rend(); ++it) {
        if (m_test->isReport(it->line)) {
            showTestLine(it->line);
            break;
        }
    }
}

void ReceiveTestDialog::showTestLine(const QByteArray &line)
{
    if (!m_test->isReport(line))
        return;
    if (m_test->kind() == 3) {
        levelField()->setText(QString::fromLatin1(line));
        static const QRegularExpression level(QStringLiteral("(-?\\d+)\\s*dBm"));
        const QRegularExpressionMatch m = level.match(QString::fromLatin1(line));
        m_bigLevel->setText(m.hasMatch() ? QStringLiteral("%1 dBm").arg(m.captured(1).toInt())
                                         : QString::fromLatin1(line).trimmed());
        return;
    }
    const TestReport::BerValues values = TestReport::berValues(line);
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        m_fields[i]->setText(values[i]);
    m_ber->setText(berPercent(values[4], values[6]));
}

QString ReceiveTestDialog::berPercent(const QString &totalErrors, const QString &totalKbit)
{
    bool errorsOk = false;
    bool bitsOk = false;
    const double errors = totalErrors.toDouble(&errorsOk);
    QString kbit = totalKbit;
    kbit.remove(QStringLiteral(" kbit"));
    const double bits = kbit.toDouble(&bitsOk) * 1000.0;
    if (!errorsOk || !bitsOk || bits <= 0 || errors < 0)
        return QStringLiteral("-");
    return QStringLiteral("%1 %").arg(100.0 * errors / bits, 0, 'g', 3);
}
