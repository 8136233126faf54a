#pragma once

#include "settings/SettingsComparison.h"

#include <QDialog>

#include <vector>

class QLabel;
class QTreeWidget;

// Read-only list of the settings two records configure differently: label, key and
// the two values, or "No differences".
class ComparisonDialog : public QDialog {
    Q_OBJECT
public:
    ComparisonDialog(const QString &title, const QString &firstHeading, const QString &secondHeading,
                     const std::vector<SettingDifference> &differences, QWidget *parent = nullptr);

    QTreeWidget *table() const { return m_table; }
    QLabel *summary() const { return m_summary; }

    static const QString kNoDifferences;

private:
    QTreeWidget *m_table = nullptr;
    QLabel *m_summary = nullptr;
};
