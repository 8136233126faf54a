#pragma once

#include "diagnostics/DiagnosticsObserver.h"
#include "diagnostics/ReceiveTest.h"
#include "diagnostics/Recording.h"
#include "diagnostics/TestReport.h"
#include "ui/WaitCursor.h"

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <vector>

class MessageSink;
class QLabel;
class QLineEdit;
class QPushButton;
class RecordingView;

// The receive test dialog: shows a receive test's report lines field by field and
// its start, stop and close. The test itself runs in the ReceiveTest the dialog
// owns; the dialog is its observer and never waits for the line. Each run is
// recorded: a chart and statistics beside the fields, markers, and the run saved
// as CSV.
class ReceiveTestDialog : public QDialog, private DiagnosticsObserver {
    Q_OBJECT
public:
    explicit ReceiveTestDialog(MessageSink &messages, QWidget *parent = nullptr);
    ~ReceiveTestDialog() override;

    // Takes the test to show (its kind sets the caption) and becomes its observer.
    // Until then the dialog holds a kind 1 test without a channel.
    void setupTest(std::unique_ptr<ReceiveTest> test);
    ReceiveTest &test() const { return *m_test; }

    // Running as the dialog shows it: "Stop" on the button.
    bool testRunning() const { return m_state == TestState::Running; }
    const QByteArray &testCommand() const { return m_test->testCommand(); }

    // The seven report fields in the order of a report line, and the two buttons.
    QLineEdit *testField() const { return m_fields[0]; }
    QLineEdit *errorField() const { return m_fields[1]; }
    QLineEdit *extraField() const { return m_fields[2]; }
    QLineEdit *levelField() const { return m_fields[3]; }
    QLineEdit *totalErrorField() const { return m_fields[4]; }
    QLineEdit *totalMissField() const { return m_fields[5]; }
    QLineEdit *totalTestField() const { return m_fields[6]; }
    QPushButton *startStopButton() const { return m_startStop; }
    QPushButton *closeButton() const { return m_close; }
    QPushButton *markButton() const { return m_mark; }
    QPushButton *saveButton() const { return m_save; }
    RecordingView *recordingView() const { return m_view; }
    // The bit error rate beside the counts, and the RSSI level in large figures.
    QLabel *berLabel() const { return m_ber; }
    QLabel *largeLevelLabel() const { return m_bigLevel; }
    // The rate as a percentage from the "Tot Error" count and the "Tot Test" kbit
    // ("-" when either is no number or nothing was tested).
    static QString berPercent(const QString &totalErrors, const QString &totalKbit);
    // The last run, or the one running.
    const Recording &recording() const { return m_recording; }
    // The module and the port the saved CSV names.
    void setSource(const QString &module, const QString &port) { m_recording.setSource(module, port); }

    // Asks for the file "Save As CSV..." writes; empty for cancel. The default is a
    // file dialog; tests hand in a fixed path.
    void setCsvPathChooser(std::function<QString()> choose) { m_chooseCsvPath = std::move(choose); }

public Q_SLOTS:
    // Start or Stop, as the button reads.
    void toggleTest();
    void closeDialog();
    // Stops a running test (resetting the module), then closes the dialog.
    void stopTestAndClose();
    // A numbered marker at the current time.
    void addMarker();
    void saveCsv();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;  // Escape and the close box end here as well
    void showEvent(QShowEvent *event) override;

private:
    // The observer's calls, on the test's threads (or this one when it feeds the test).
    void stateChanged(TestState state, const QDateTime &at) override;
    void reportLine(const QByteArray &line, const QDateTime &at) override;
    void noiseDropped(qsizetype lines) override;
    void failed(const QString &message, FailureKind kind) override;
    void lineLost(const QString &message) override;
    // Runs `apply` on this dialog's thread: at once when called there, else posted.
    void onOwnThread(std::function<void()> apply);

    // A start or stop goes out: the hourglass and no buttons until the test settles.
    void beginCommand();
    void showState(TestState state, const QDateTime &at);
    // Whether the dialog may close now; if not, it closes once the test is stopped.
    bool readyToClose();
    // Once until the test is Idle again.
    void askStop(ReceiveTest::StopReason reason);
    void report(const std::optional<QString> &failure);
    void setRunning(bool running);
    void showTestLine(const QByteArray &line);
    // On the pump: queues a line with the time it arrived, and the noise the cutter
    // dropped, for the GUI thread.
    void queueArrival(const QByteArray &line, const QDateTime &at, qsizetype noise);
    // On the GUI thread: shows and records what the pump queued. Also called once the
    // test is Idle, so a stopped run holds every line read before the stop.
    void takeArrivals();
    void refreshRecording();

    MessageSink &m_messages;
    std::unique_ptr<ReceiveTest> m_test;
    TestState m_state = TestState::Idle;  // as last shown
    bool m_busy = false;                  // a start or stop is out
    bool m_starting = false;              // the start is out: it can be cancelled
    bool m_closeWhenSettled = false;
    bool m_stopAsked = false;             // a stop is queued or on the line
    std::stop_source m_runStop;           // the test's run: Stop, Cancel and close ask it
    bool m_focusBack = false;
    std::optional<WaitCursor> m_wait;
    std::optional<QString> m_failure;  // reported once the test settles
    std::array<QLineEdit *, TestReport::kBerFieldCount> m_fields{};
    QPushButton *m_startStop = nullptr;
    QPushButton *m_close = nullptr;
    QPushButton *m_mark = nullptr;
    QPushButton *m_save = nullptr;
    RecordingView *m_view = nullptr;
    QLabel *m_berCaption = nullptr;
    QLabel *m_ber = nullptr;
    QLabel *m_bigLevel = nullptr;
    Recording m_recording;
    struct Arrival {
        QByteArray line;
        QDateTime time;
    };
    std::mutex m_arrivalsMutex;
    std::vector<Arrival> m_arrivals;  // guarded by m_arrivalsMutex
    qsizetype m_arrivedNoise = 0;     // guarded by m_arrivalsMutex
    bool m_takePosted = false;        // guarded by m_arrivalsMutex
    QTimer m_refreshTimer;
    std::function<QString()> m_chooseCsvPath;
    bool m_centred = false;
};
