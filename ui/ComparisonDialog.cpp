#include "ui/ComparisonDialog.h"

#include "ui/OperationOutcome.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

const QString ComparisonDialog::kNoDifferences = QStringLiteral("No differences");

ComparisonDialog::ComparisonDialog(const QString &title, const QString &firstHeading, const QString &secondHeading,
                                   const std::vector<SettingDifference> &differences, QWidget *parent)
    : QDialog(parent), m_table(new QTreeWidget(this)), m_summary(new QLabel(this))
{
    setObjectName(QStringLiteral("ComparisonDialog"));
    setWindowTitle(title);
    auto *layout = new QVBoxLayout(this);

    m_summary->setObjectName(QStringLiteral("ComparisonSummary"));
    m_summary->setText(differences.empty() ? kNoDifferences
                                           : OperationOutcome::settingsDiffer(int(differences.size())));
    layout->addWidget(m_summary);

    m_table->setObjectName(QStringLiteral("ComparisonTable"));
    m_table->setRootIsDecorated(false);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setHeaderLabels({QStringLiteral("Setting"), QStringLiteral("Key"), firstHeading, secondHeading});
    for (const SettingDifference &d : differences)
        m_table->addTopLevelItem(new QTreeWidgetItem({d.label, d.key, d.first, d.second}));
    m_table->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->setVisible(!differences.empty());
    layout->addWidget(m_table);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    if (!differences.empty())
        resize(560, 320);
}
