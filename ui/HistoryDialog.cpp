#include "ui/HistoryDialog.h"

#include "journal/Journal.h"
#include "journal/JournalLocation.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QStringList kColumns{QStringLiteral("Record"),  QStringLiteral("Time (UTC)"), QStringLiteral("Operation"),
                           QStringLiteral("Port"),    QStringLiteral("Result"),     QStringLiteral("Identification"),
                           QStringLiteral("System"),  QStringLiteral("Unit"),       QStringLiteral("User"),
                           QStringLiteral("Message")};

// An address filter: the lowest value stands for any address.
QSpinBox *addressFilter(const QString &name)
{
    auto *box = new QSpinBox;
    box->setObjectName(name);
    box->setRange(-1, 255);
    box->setSpecialValueText(QStringLiteral("any"));
    box->setValue(-1);
    return box;
}

std::optional<int> addressOf(const QSpinBox *box)
{
    return box->value() < 0 ? std::nullopt : std::optional<int>(box->value());
}

QString numberText(const std::optional<int> &n) { return n ? QString::number(*n) : QString(); }

}  // namespace

HistoryDialog::HistoryDialog(const QString &journalPath, QWidget *parent) : QDialog(parent), m_path(journalPath)
{
    setWindowTitle(QStringLiteral("History"));
    setObjectName(QStringLiteral("HistoryDialog"));
    m_source = new QLabel;
    m_source->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_source->setWordWrap(true);
    auto *journalButton = new QPushButton(QStringLiteral("&Journal File..."));
    auto *sourceRow = new QHBoxLayout;
    sourceRow->addWidget(m_source, 1);
    sourceRow->addWidget(journalButton);

    m_port = new QLineEdit;
    m_port->setObjectName(QStringLiteral("PortFilter"));
    m_port->setPlaceholderText(QStringLiteral("any"));
    m_system = addressFilter(QStringLiteral("SystemFilter"));
    m_unit = addressFilter(QStringLiteral("UnitFilter"));
    m_sinceOn = new QCheckBox(QStringLiteral("&Since"));
    m_since = new QDateEdit(QDate::currentDate().addMonths(-1));
    m_since->setCalendarPopup(true);
    m_since->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_since->setEnabled(false);
    auto *filters = new QHBoxLayout;
    const auto labelled = [&](const QString &text, QWidget *w) {
        auto *label = new QLabel(text);
        label->setBuddy(w);
        filters->addWidget(label);
        filters->addWidget(w);
    };
    labelled(QStringLiteral("&Port:"), m_port);
    labelled(QStringLiteral("S&ystem:"), m_system);
    labelled(QStringLiteral("&Unit:"), m_unit);
    filters->addWidget(m_sinceOn);
    filters->addWidget(m_since);
    filters->addStretch(1);

    m_table = new QTableWidget(0, int(kColumns.size()));
    m_table->setObjectName(QStringLiteral("HistoryTable"));
    m_table->setHorizontalHeaderLabels(kColumns);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_status = new QLabel;

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    m_open = buttons->addButton(QStringLiteral("&Open in Window"), QDialogButtonBox::ActionRole);
    m_open->setEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(sourceRow);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_status);
    layout->addWidget(buttons);
    resize(900, 480);

    connect(journalButton, &QPushButton::clicked, this, &HistoryDialog::chooseJournal);
    connect(m_port, &QLineEdit::textChanged, this, &HistoryDialog::reload);
    connect(m_system, &QSpinBox::valueChanged, this, &HistoryDialog::reload);
    connect(m_unit, &QSpinBox::valueChanged, this, &HistoryDialog::reload);
    connect(m_sinceOn, &QCheckBox::toggled, m_since, &QWidget::setEnabled);
    connect(m_sinceOn, &QCheckBox::toggled, this, &HistoryDialog::reload);
    connect(m_since, &QDateEdit::dateChanged, this, &HistoryDialog::reload);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &HistoryDialog::updateOpenButton);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &HistoryDialog::openSelected);
    connect(m_open, &QPushButton::clicked, this, &HistoryDialog::openSelected);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    reload();
}

JournalFilter HistoryDialog::filter() const
{
    JournalFilter f;
    f.port = m_port->text().trimmed();
    f.systemAddress = addressOf(m_system);
    f.unitAddress = addressOf(m_unit);
    if (m_sinceOn->isChecked())
        f.since = QDateTime(m_since->date(), QTime(0, 0), Qt::UTC);
    return f;
}

void HistoryDialog::reload()
{
    m_source->setText(QStringLiteral("Journal: %1").arg(m_path));
    m_table->setRowCount(0);
    try {
        const Journal journal(m_path, Journal::Mode::Read);
        m_entries = journal.entries(filter());
        m_status->setText(QStringLiteral("%1 records").arg(m_entries.size()));
    } catch (const JournalError &e) {
        m_entries.clear();
        m_status->setText(e.message());
    }
    m_table->setRowCount(int(m_entries.size()));
    for (int row = 0; row < int(m_entries.size()); ++row) {
        const JournalEntry &e = m_entries[std::size_t(row)];
        const QStringList cells{QString::number(e.id), e.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                e.operation, e.port, e.outcome, e.identification, numberText(e.systemAddress),
                                numberText(e.unitAddress), e.user, e.message.simplified()};
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            if (column == 3 && e.device != e.port)
                item->setToolTip(e.device);
            m_table->setItem(row, column, item);
        }
    }
    m_table->resizeColumnsToContents();
    updateOpenButton();
}

void HistoryDialog::updateOpenButton()
{
    const int row = m_table->currentRow();
    const bool hasLine = m_table->selectionModel()->hasSelection() && row >= 0 && row < int(m_entries.size()) &&
                         !m_entries[std::size_t(row)].lineAfter.isEmpty();
    m_open->setEnabled(hasLine);
}

void HistoryDialog::openSelected()
{
    const int row = m_table->currentRow();
    if (row < 0 || row >= int(m_entries.size()) || m_entries[std::size_t(row)].lineAfter.isEmpty())
        return;
    m_chosen = m_entries[std::size_t(row)];
    accept();
}

void HistoryDialog::chooseJournal()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Journal File"), m_path,
                                                      QStringLiteral("Journal (*.sqlite);;All files (*)"), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty())
        return;
    // The default location is remembered as no choice, so it follows the data folder.
    rememberJournalPath(path == defaultJournalPath() ? QString() : path);
    m_path = path;
    reload();
}
