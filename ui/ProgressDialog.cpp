#include "ui/ProgressDialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace {
constexpr int kClientWidth = 289;
constexpr int kClientHeight = 95;
}  // namespace

ProgressDialog::ProgressDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
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
    connect(&m_watcher, &QFutureWatcherBase::finished, this, [this] { done(QDialog::Accepted); });
}

// runModal() returns only after the operation has finished; a dialog destroyed
// while one still runs (its parent closing) stops it and waits for it, since the
// operation reports to this dialog.
ProgressDialog::~ProgressDialog()
{
    if (running()) {
        m_stop.request_stop();
        m_watcher.waitForFinished();
    }
}

void ProgressDialog::runModal(const QFuture<void> &operation, std::stop_source stop)
{
    m_stop = std::move(stop);
    m_cancelRequested = false;
    m_watcher.setFuture(operation);
    centreOnScreen();
    if (!m_watcher.isFinished())
        exec();
}

void ProgressDialog::centreOnScreen()
{
    if (QScreen *s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void ProgressDialog::postStatus(const QString &text)
{
    QMetaObject::invokeMethod(this, [this, text] { m_status->setText(text); }, Qt::QueuedConnection);
}

void ProgressDialog::postProgress(int value, int maximum)
{
    QMetaObject::invokeMethod(
        this,
        [this, value, maximum] {
            m_progressBar->setMaximum(maximum);
            m_progressBar->setValue(value);
        },
        Qt::QueuedConnection);
}

void ProgressDialog::cancel()
{
    if (!running())
        return;
    m_cancelRequested = true;
    m_status->setText(QStringLiteral("Cancelling Operation..."));
    m_stop.request_stop();
}

void ProgressDialog::reject()
{
    if (!running()) {
        QDialog::reject();
        return;
    }
    cancel();
}

void ProgressDialog::closeEvent(QCloseEvent *e)
{
    if (!running()) {
        QDialog::closeEvent(e);
        return;
    }
    e->ignore();
    cancel();
}
