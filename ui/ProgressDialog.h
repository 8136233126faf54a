#pragma once

#include <QDialog>
#include <functional>
#include <stop_token>
#include <thread>

class QLabel;
class QProgressBar;
class QPushButton;

// "Module Configuration": the modal progress dialog of a module operation. It shows
// what the operation reports and stays until the operation has ended, so the main
// window never runs beside one; Cancel (button, Escape or the window frame) asks the
// operation to stop.
class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProgressDialog(QWidget *parent = nullptr);
    ~ProgressDialog() override;

    // Runs `operation` on a thread of its own and shows the dialog modally until it
    // has finished. Cancel requests a stop through `stop`.
    void runModal(std::function<void()> operation, std::stop_source stop);

    // Any thread: the operation's status and progress reach the dialog through its
    // event queue, never waited for; what arrives after the dialog is gone is dropped.
    void postStatus(const QString &text);
    void postProgress(int value, int maximum);

    // Whether the operation was asked to stop.
    bool cancelRequested() const { return m_cancelRequested; }

    QLabel *statusLabel() const { return m_status; }
    QProgressBar *progressBar() const { return m_progressBar; }
    QPushButton *cancelButton() const { return m_cancelButton; }

public Q_SLOTS:
    void cancel();
    // Escape: the same as Cancel; the dialog closes when the operation ends.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    void centreOnScreen();
    void operationFinished();
    bool running() const { return m_running; }

    QLabel *m_status = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QPushButton *m_cancelButton = nullptr;

    std::thread m_operation;
    bool m_running = false;
    std::stop_source m_stop;
    bool m_cancelRequested = false;
};
