#include "operations/ConfigProgressForm.h"

#include "operations/GuiCall.h"
#include "operations/OperationHost.h"
#include "operations/ProgramThread.h"

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

TConfigProgressForm::TConfigProgressForm(OperationHost &host, OperationKind kind, QWidget *parent)
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

    WhatsHappening = new QLabel(this);
    WhatsHappening->setObjectName(QStringLiteral("WhatsHappening"));
    WhatsHappening->setAlignment(Qt::AlignCenter);
    WhatsHappening->setGeometry(8, 20, kClientWidth - 16, 16);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(8, 40, kClientWidth - 16, 16);

    CancelBitBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBitBtn->setObjectName(QStringLiteral("CancelBitBtn"));
    CancelBitBtn->setGeometry((kClientWidth - 80) / 2, 64, 80, 25);
    connect(CancelBitBtn, &QPushButton::clicked, this, &TConfigProgressForm::CancelBitBtnClick);
}

TConfigProgressForm::~TConfigProgressForm() = default;

void TConfigProgressForm::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (m_started)
        return;
    if (QScreen *s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    FormShow();
}

void TConfigProgressForm::FormShow()
{
    m_started = true;
    ProgressBar1->setValue(0);
    auto *worker = new TProgramThread(m_host, *this, m_kind);
    m_worker = worker;
    setStatus(QStringLiteral("Opening COM Port..."));
    // Replies of the worker's own exchanges reach the log through a hand-off to
    // this (the GUI) thread; the hook runs at once when already here.
    m_host.setWorkerLogHook([this](const QByteArray &line) {
        callOnGui(this, [this, &line] { m_host.appendLogLine(line); });
    });
    m_host.setLogViaWorker(true);
    connect(worker, &QThread::finished, this, &TConfigProgressForm::workerFinished);
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    // Time-critical where the system grants it; otherwise Qt starts it at the
    // normal priority without complaint.
    worker->start(QThread::TimeCriticalPriority);
}

void TConfigProgressForm::workerFinished()
{
    m_workerEnded = true;
    if (m_worker)
        m_listingApplied = m_worker->listingApplied();
    m_host.setLogViaWorker(false);
    m_host.setWorkerLogHook({});
    done(QDialog::Accepted);
}

void TConfigProgressForm::CancelBitBtnClick()
{
    if (m_workerEnded)
        return;
    m_cancelRequested = true;
    setStatus(QStringLiteral("Cancelling Operation..."));
    if (m_worker)
        m_worker->requestInterruption();
}

void TConfigProgressForm::reject()
{
    if (m_workerEnded || !m_started) {
        QDialog::reject();
        return;
    }
    CancelBitBtnClick();
}

void TConfigProgressForm::closeEvent(QCloseEvent *e)
{
    if (m_workerEnded || !m_started) {
        QDialog::closeEvent(e);
        return;
    }
    e->ignore();
    CancelBitBtnClick();
}

void TConfigProgressForm::setStatus(const QString &text) { WhatsHappening->setText(text); }

void TConfigProgressForm::setProgress(int n) { ProgressBar1->setValue(n); }

void TConfigProgressForm::setProgressMax(int n) { ProgressBar1->setMaximum(n); }

void TConfigProgressForm::stepProgress() { ProgressBar1->setValue(ProgressBar1->value() + 1); }

void TConfigProgressForm::progressToMax() { ProgressBar1->setValue(ProgressBar1->maximum()); }
