#include "operations/ProgressDialog.h"

#include "operations/GuiCall.h"
#include "operations/OperationHost.h"
#include "operations/OperationWorker.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace {
constexpr int kClientWidth = 289;
constexpr int kClientHeight = 95;
}  // namespace

ProgressDialog::ProgressDialog(OperationHost &host, OperationKind kind, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_host(host),
      m_kind(kind)
{
    setObjectName(QStringLiteral("ConfigProgressForm"));
    setWindowTitle(QStringLiteral("Module Configuration"));
    setFixedSize(kClientWidth, kClientHeight);
    setModal(true);

    auto *progressLabel = new QLabel(QStringLiteral("Progress:"), this);
    progressLabel->setObjectName(QStringLiteral("Label1"));
    progressLabel->setGeometry(8, 4, 60, 16);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("WhatsHappening"));
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setGeometry(8, 20, kClientWidth - 16, 16);

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    m_progressBar->setGeometry(8, 40, kClientWidth - 16, 16);

    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("CancelBitBtn"));
    m_cancelButton->setGeometry((kClientWidth - 80) / 2, 64, 80, 25);
    connect(m_cancelButton, &QPushButton::clicked, this, &ProgressDialog::cancel);
}

ProgressDialog::~ProgressDialog() = default;

void ProgressDialog::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (m_started)
        return;
    if (QScreen *s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    startWorker();
}

void ProgressDialog::startWorker()
{
    m_started = true;
    m_progressBar->setValue(0);
    auto *worker = new OperationWorker(m_host, *this, this, m_kind);
    worker->setListingTarget(m_listingTarget);
    m_worker = worker;
    setStatus(QStringLiteral("Opening COM Port..."));
    // Replies of the worker's own exchanges reach the log through a hand-off to
    // this (the GUI) thread; the hook runs at once when already here.
    m_host.setWorkerLogHook([this](const QByteArray &line) {
        callOnGui(this, [this, &line] { m_host.appendLogLine(line); });
    });
    m_host.setLogViaWorker(true);
    connect(worker, &QThread::finished, this, &ProgressDialog::workerFinished);
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    // Time-critical where the system grants it; otherwise Qt starts it at the
    // normal priority without complaint.
    worker->start(QThread::TimeCriticalPriority);
}

void ProgressDialog::workerFinished()
{
    m_workerEnded = true;
    if (m_worker)
    {
        m_listingApplied = m_worker->listingApplied();
        m_configured = m_worker->configured();
    }
    m_host.setLogViaWorker(false);
    m_host.setWorkerLogHook({});
    done(QDialog::Accepted);
}

void ProgressDialog::cancel()
{
    if (m_workerEnded)
        return;
    m_cancelRequested = true;
    setStatus(QStringLiteral("Cancelling Operation..."));
    if (m_worker)
        m_worker->requestInterruption();
}

void ProgressDialog::reject()
{
    if (m_workerEnded || !m_started) {
        QDialog::reject();
        return;
    }
    cancel();
}

void ProgressDialog::closeEvent(QCloseEvent *e)
{
    if (m_workerEnded || !m_started) {
        QDialog::closeEvent(e);
        return;
    }
    e->ignore();
    cancel();
}

void ProgressDialog::setStatus(const QString &text) { m_status->setText(text); }

void ProgressDialog::setProgress(int n) { m_progressBar->setValue(n); }

void ProgressDialog::setProgressMax(int n) { m_progressBar->setMaximum(n); }

void ProgressDialog::stepProgress() { m_progressBar->setValue(m_progressBar->value() + 1); }

void ProgressDialog::progressToMax() { m_progressBar->setValue(m_progressBar->maximum()); }

void ProgressDialog::repaintNow() { repaint(); }
