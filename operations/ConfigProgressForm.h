#pragma once

#include "settings/Types.h"

#include <QDialog>
#include <QPointer>

class OperationHost;
class QLabel;
class QProgressBar;
class QPushButton;
class TProgramThread;

// "Module Configuration": the modal progress dialog of a module operation. Showing
// it starts the worker; the worker's end closes it. Cancel (button, Escape or the
// window frame) asks the worker to stop; the dialog stays until the worker has
// ended, so the main window never runs beside an operation.
class TConfigProgressForm : public QDialog {
    Q_OBJECT
public:
    TConfigProgressForm(OperationHost &host, OperationKind kind, QWidget *parent = nullptr);
    ~TConfigProgressForm() override;

    // Whether the operation's listing reached the settings. Valid once closed.
    bool listingApplied() const { return m_listingApplied; }
    // Whether the worker was asked to stop.
    bool cancelRequested() const { return m_cancelRequested; }

    // Called by the worker on the GUI thread.
    void setStatus(const QString &text);
    void setProgress(int n);
    void setProgressMax(int n);
    void stepProgress();
    void progressToMax();

    QLabel *WhatsHappening = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *CancelBitBtn = nullptr;

public Q_SLOTS:
    void CancelBitBtnClick();
    // Escape: the same as Cancel; the dialog closes when the worker ends.
    void reject() override;

protected:
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    void FormShow();
    void workerFinished();

    OperationHost &m_host;
    const OperationKind m_kind;
    QPointer<TProgramThread> m_worker;
    bool m_started = false;
    bool m_workerEnded = false;
    bool m_cancelRequested = false;
    bool m_listingApplied = false;
};
