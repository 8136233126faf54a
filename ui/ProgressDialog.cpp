#include "ui/ProgressDialog.h"

#include "ui/PostedCall.h"

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
    progressLabel->setObjectName(QStringLiteral("ProgressLabel"));
    progressLabel->setGeometry(8, 4, 60, 16);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("WhatsHappening"));
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setGeometry(8, 20, kClientWidth - 16, 16);

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    m_progressBar->setGeometry(8, 40, kClientWidth - 16, 16);

    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("CancelBitBtn"));
    m_cancelButton->setGeometry((kClientWidth - 80) / 2, 64, 80, 25);
    connect(m_cancelButton, &QPushButton::clicked, this, &ProgressDialog::cancel);
}

// runModal() returns only after the operation has finished; a dialog destroyed
// while one still runs (its parent closing) stops it and waits for it, since the
// operation reports to this dialog.
ProgressDialog::~ProgressDialog()
{
    if (m_operation.joinable()) {
        m_stop.request_stop();
        m_operation.join();
    }
}

void ProgressDialog::runModal(std::function<void()> operation, std::stop_source stop)
{
    m_stop = std::move(stop);
    m_cancelRequested = false;
    m_running = true;
    // The end is posted like every report, so it arrives after them.
    m_operation = std::thread([this, operation = std::move(operation)] {
        operation();
        postTo(this, [this] { operationFinished(); });
    });
    centreOnScreen();
    exec();
}

void ProgressDialog::operationFinished()
{
    m_operation.join();
    m_running = false;
    done(QDialog::Accepted);
}

void ProgressDialog::centreOnScreen()
{
    if (QScreen *s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void ProgressDialog::postStatus(const QString &text)
{
    postTo(this, [this, text] { m_status->setText(text); });
}

void ProgressDialog::postProgress(int value, int maximum)
{
    postTo(this, [this, value, maximum] {
        m_progressBar->setMaximum(maximum);
        m_progressBar->setValue(value);
    });
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
