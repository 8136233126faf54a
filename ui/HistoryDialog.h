#pragma once

#include "journal/JournalEntry.h"

#include <QDialog>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

// Communication > History...: the journal's records in a table, filtered by port,
// system and unit address and date; a record's configuration can be opened in the
// main window.
class HistoryDialog : public QDialog {
    Q_OBJECT
public:
    explicit HistoryDialog(const QString &journalPath, QWidget *parent = nullptr);

    // The records shown, oldest first.
    const JournalEntries &entries() const { return m_entries; }
    // The record chosen with "Open in Window" (the dialog is accepted then).
    const std::optional<JournalEntry> &chosen() const { return m_chosen; }

    QLineEdit *portFilter() const { return m_port; }
    QSpinBox *systemFilter() const { return m_system; }
    QSpinBox *unitFilter() const { return m_unit; }
    QCheckBox *sinceEnabled() const { return m_sinceOn; }
    QDateEdit *sinceFilter() const { return m_since; }
    QTableWidget *table() const { return m_table; }
    QPushButton *openButton() const { return m_open; }

public Q_SLOTS:
    // Reads the journal again with the filters as they are.
    void reload();

private:
    void chooseJournal();
    void openSelected();
    void updateOpenButton();
    JournalFilter filter() const;

    QString m_path;
    JournalEntries m_entries;
    std::optional<JournalEntry> m_chosen;
    QLabel *m_source = nullptr;
    QLabel *m_status = nullptr;
    QLineEdit *m_port = nullptr;
    QSpinBox *m_system = nullptr;
    QSpinBox *m_unit = nullptr;
    QCheckBox *m_sinceOn = nullptr;
    QDateEdit *m_since = nullptr;
    QTableWidget *m_table = nullptr;
    QPushButton *m_open = nullptr;
};
