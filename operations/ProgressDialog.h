#pragma once

#include "operations/ProgressReporter.h"
#include "settings/ModuleSettings.h"
#include "settings/Types.h"

#include <QDialog>
#include <QPointer>

class OperationHost;
class QLabel;
class QProgressBar;
class QPushButton;
class OperationWorker;

// "Module Configuration": the modal progress dialog of a module operation. Showing
// it starts the worker; the worker's end closes it. Cancel (button, Escape or the
// window frame) asks the worker to stop; the dialog stays until the worker has
// ended, so the main window never runs beside an operation.
class ProgressDialog : public QDialog, public ProgressReporter {
    Q_OBJECT
public:
    ProgressDialog(OperationHost &host, OperationKind kind, QWidget *parent = nullptr);
    ~ProgressDialog() override;

    // Whether the operation's listing reached the settings. Valid once closed.
    bool listingApplied() const { return m_listingApplied; }
    // Whether a configure stored every command. Valid once closed.
    bool configured() const { return m_configured; }
    // Before it is shown: a read fills `target` instead of the window's settings.
    void setListingTarget(ModuleSettings *target) { m_listingTarget = target; }
    // Whether the worker was asked to stop.
    bool cancelRequested() const { return m_cancelRequested; }

    // ProgressReporter, called by the worker on the GUI thread.
    void setStatus(const QString &text) override;
    void setProgress(int n) override;
    void setProgressMax(int n) override;
    void stepProgress() override;
    void progressToMax() override;
    void repaintNow() override;

    QLabel *statusLabel() const { return m_status; }
    QProgressBar *progressBar() const { return m_progressBar; }
    QPushButton *cancelButton() const { return m_cancelButton; }

public Q_SLOTS:
    void cancel();
    // Escape: the same as Cancel; the dialog closes when the worker ends.
    void reject() override;

protected:
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    void startWorker();
    void workerFinished();

    QLabel *m_status = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QPushButton *m_cancelButton = nullptr;

    OperationHost &m_host;
    const OperationKind m_kind;
    QPointer<OperationWorker> m_worker;
    bool m_started = false;
    bool m_workerEnded = false;
    bool m_cancelRequested = false;
    bool m_listingApplied = false;
    bool m_configured = false;
    ModuleSettings *m_listingTarget = nullptr;
};
