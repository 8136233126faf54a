// The journal in the window: Communication > History... and File > Commissioning
// Report...; the records themselves are kept where the operations end.
#include "ui/MainWindow.h"

#include "journal/CommissioningReport.h"
#include "journal/Journal.h"
#include "journal/JournalLocation.h"
#include "settings/ConfigFile.h"
#include "ui/ConfigFileCommands.h"
#include "ui/CommissioningReportFile.h"
#include "ui/HistoryDialog.h"

#include <QFileDialog>
#include <QSignalBlocker>
#include <QTemporaryDir>

void MainWindow::showHistory()
{
    HistoryDialog dialog(journalPath(), this);
    if (dialog.exec() == QDialog::Accepted && dialog.chosen())
        openRecordedConfiguration(dialog.chosen()->lineAfter);
}

bool MainWindow::openRecordedConfiguration(const QByteArray &fileLine)
{
    // Through a file of its own, so the line loads exactly as File > Open loads one.
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("recorded.40B"));
    try {
        ConfigFile().writeLine(fileLine, path);
    } catch (const FileError &e) {
        messages().show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, e.message());
        return false;
    }
    bool loaded = false;
    {
        // The passing file is no file of the user's: it stays out of the caption and Recent Files.
        const QSignalBlocker quiet(&fileCommands());
        loaded = openNamedFile(path);
    }
    setCurrentFileName(QString());
    showLineSettings();
    repaint();
    return loaded;
}

void MainWindow::writeCommissioningReport()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Commissioning Report"),
                                                      QStringLiteral("commissioning-report.html"),
                                                      QStringLiteral("HTML page (*.html);;PDF document (*.pdf)"));
    if (path.isEmpty())
        return;
    ReportInput input;
    try {
        const Journal journal(journalPath(), Journal::Mode::Read);
        input.journalPath = journal.path();
        input.entries = journal.entries();
    } catch (const JournalError &e) {
        messages().show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, e.message());
        return;
    }
    if (const QString failure = saveCommissioningReport(input, path); !failure.isEmpty())
        messages().show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, failure);
}
