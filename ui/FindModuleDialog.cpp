#include "ui/FindModuleDialog.h"

#include "ui/PostedCall.h"

#include "comm/SerialLine.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

FindModuleDialog::FindModuleDialog(const LineSettings &current, std::chrono::milliseconds guard, char escape,
                                   QWidget *parent)
    : QDialog(parent), m_current(current), m_finder(guard, escape)
{
    setObjectName(QStringLiteral("FindModuleDialog"));
    setWindowTitle(QStringLiteral("Find Module"));
    setModal(true);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("FindStatus"));
    m_status->setWordWrap(true);
    m_status->setMinimumWidth(360);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setTextVisible(false);
    m_useButton = new QPushButton(QStringLiteral("Use These Settings"), this);
    m_useButton->setObjectName(QStringLiteral("FindUse"));
    m_useButton->setVisible(false);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("FindCancel"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_useButton);
    buttons->addWidget(m_cancelButton);
    auto *main = new QVBoxLayout(this);
    main->addWidget(m_status);
    main->addWidget(m_progressBar);
    main->addLayout(buttons);

    connect(m_useButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &FindModuleDialog::reject);
}

LineSettings FindModuleDialog::foundSettings() const
{
    LineSettings found = m_result.settings;
    found.port = m_current.port;
    return found;
}

// Only when the dialog goes while still searching (its parent closing) does this wait.
FindModuleDialog::~FindModuleDialog() { stopSearch(); }

void FindModuleDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_searching || m_search.joinable())
        return;
    m_searching = true;
    m_status->setText(QStringLiteral("Searching %1 (%2)...").arg(portName(),
                                                                 devicePathOf(portName())));
    // The search never touches a widget: progress and the end reach the dialog as
    // queued calls, dropped if the dialog is gone by then.
    m_search = std::thread([this] {
        m_result = m_finder.find(m_current, m_stop.get_token(), [this](const ModuleFinder::Progress &p) {
            postTo(this, [this, step = p.step, steps = p.steps, trying = p.trying.rateAndFormatText()] {
                showProgress(step, steps, trying);
            });
        });
        postTo(this, [this] { showResult(); });
    });
}

void FindModuleDialog::showProgress(int step, int steps, const QString &trying)
{
    if (!m_searching)
        return;
    m_progressBar->setRange(0, steps);
    m_progressBar->setValue(step);
    m_status->setText(QStringLiteral("Searching %1 (%2): trying %3...")
                          .arg(portName(), devicePathOf(portName()), trying));
}

void FindModuleDialog::showResult()
{
    if (m_search.joinable())
        m_search.join();
    m_searching = false;
    using Outcome = ModuleFinder::Result::Outcome;
    const QString port = QStringLiteral("%1 (%2)").arg(portName(), devicePathOf(portName()));
    switch (m_result.outcome) {
    case Outcome::Found:
        m_progressBar->setValue(m_progressBar->maximum());
        m_status->setText(QStringLiteral("Module found.\nPort: %1\nRate and format: %2\nIdentification: %3")
                              .arg(port, m_result.settings.rateAndFormatText(), m_result.identification));
        m_useButton->setVisible(true);
        m_useButton->setDefault(true);
        m_cancelButton->setText(QStringLiteral("Close"));
        break;
    case Outcome::NotFound:
        m_status->setText(QStringLiteral("No module answered on %1 at any rate and format.").arg(port));
        m_cancelButton->setText(QStringLiteral("Close"));
        break;
    case Outcome::PortError:
        m_status->setText(m_result.error);
        m_cancelButton->setText(QStringLiteral("Close"));
        break;
    case Outcome::Cancelled:
        m_cancelButton->setEnabled(true);
        QDialog::reject();
        break;
    }
}

void FindModuleDialog::stopSearch()
{
    m_stop.request_stop();
    if (m_search.joinable())
        m_search.join();   // the search ends within one wait slice, its port closed
    m_searching = false;
}

void FindModuleDialog::reject()
{
    if (!m_searching) {
        QDialog::reject();
        return;
    }
    // The search notices within one wait slice and closes its port; the dialog closes
    // when it reports back, so the GUI thread never waits for the line.
    m_stop.request_stop();
    m_cancelButton->setEnabled(false);
    m_status->setText(QStringLiteral("Cancelling..."));
}
