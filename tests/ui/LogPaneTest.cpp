// The "Serial Communications" pane's saved log: each line with the time it arrived.

#include "ui/LogPane.h"

#include "ui/FileDialogs.h"
#include "tests/support/FakeMessages.h"

#include <QContextMenuEvent>
#include <QFontInfo>
#include <QTime>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

class FixedSaveDialogs : public FileDialogs {
public:
    QString path;
    QString getSaveFileName(const QString &, const QString &, const QString &) override { return path; }
    QString getOpenFileName(const QString &, const QString &, const QString &, const QString &) override
    {
        return {};
    }
};

} // namespace

class LogPaneTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void savedLinesCarryTheirArrivalTimes();
    void linesAreMarkedAndTimesShownOnRequest();
    void contextMenuCopiesAndClears();
};

void LogPaneTest::linesAreMarkedAndTimesShownOnRequest()
{
    FakeMessages messages;
    LogPane pane(messages);
    QVERIFY(QFontInfo(pane.font()).fixedPitch());
    pane.appendLine(QStringLiteral("OK\nS0:1"));
    pane.appendNote(QStringLiteral("Read 740R-B on COM1 (0.3 s)"));
    QCOMPARE(pane.toPlainText(), QStringLiteral("< OK\n< S0:1\n* Read 740R-B on COM1 (0.3 s)"));
    QCOMPARE(pane.lineTexts(), QStringLiteral("OK\nS0:1\nRead 740R-B on COM1 (0.3 s)"));

    pane.setShowTimes(true);
    const QStringList shown = pane.toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(shown.size(), 3);
    for (const QString &line : shown)
        QVERIFY2(QTime::fromString(line.left(12), QStringLiteral("HH:mm:ss.zzz")).isValid(), qPrintable(line));
    QVERIFY(shown[2].endsWith(QStringLiteral(" * Read 740R-B on COM1 (0.3 s)")));
    pane.setShowTimes(false);
    QCOMPARE(pane.toPlainText().split(QLatin1Char('\n')).first(), QStringLiteral("< OK"));
}

void LogPaneTest::contextMenuCopiesAndClears()
{
    FakeMessages messages;
    LogPane pane(messages);
    pane.appendLine(QStringLiteral("reply"));
    QStringList items;
    bool timesOffered = false;
    QTimer::singleShot(0, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction *a : menu->actions())
            items << a->text();
        timesOffered = menu->findChild<QAction *>(QStringLiteral("actShowTimes")) != nullptr;
        QAction *clear = menu->findChild<QAction *>(QStringLiteral("actClearLog"));
        QVERIFY(clear && clear->isEnabled());
        clear->trigger();
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), pane.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(pane.viewport(), &event);
    QVERIFY2(items.join(QLatin1Char('|')).contains(QStringLiteral("Copy")), qPrintable(items.join(QLatin1Char('|'))));
    QVERIFY(timesOffered);
    QVERIFY(pane.toPlainText().isEmpty());
    QVERIFY(pane.lineTexts().isEmpty());
}

void LogPaneTest::savedLinesCarryTheirArrivalTimes()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeMessages messages;
    FixedSaveDialogs dialogs;
    LogPane pane(messages);
    pane.setFileDialogs(&dialogs);
    pane.appendLine(QStringLiteral("dropped by the clear"));
    pane.clearLines();
    pane.appendSent(QStringLiteral("AT&V"));
    QTest::qWait(60);
    pane.appendLine(QStringLiteral("S0=1\nS1=50"));
    QTest::qWait(60);
    const QDateTime beforeSave = QDateTime::currentDateTime();

    // "Save Log..." sits in the pane's context menu.
    dialogs.path = dir.filePath(QStringLiteral("session.log"));
    QTimer::singleShot(0, [] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QAction *save = menu->findChild<QAction *>(QStringLiteral("actSaveLog"));
        QVERIFY(save);
        QCOMPARE(save->text(), QString("Save Log..."));
        save->trigger();
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), pane.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(pane.viewport(), &event);
    QVERIFY2(messages.texts().isEmpty(), qPrintable(messages.texts().join('\n')));

    QFile file(dialogs.path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QList<QDateTime> stamps;
    QStringList texts;
    for (const QString &line : lines) {
        const qsizetype space = line.indexOf(' ');
        stamps << QDateTime::fromString(line.left(space), Qt::ISODateWithMs);
        texts << line.mid(space + 1);
        QVERIFY2(stamps.last().isValid(), qPrintable(line));
    }
    // Marked as in the pane: what was sent apart from what came back.
    QCOMPARE(texts, QStringList({"> AT&V", "< S0=1", "< S1=50"}));
    // Arrival, not saving, times: the second entry came 60 ms after the first and
    // 60 ms before the save.
    QCOMPARE(stamps[1], stamps[2]);
    QVERIFY(stamps[0].msecsTo(stamps[1]) >= 50);
    QVERIFY(stamps[1].msecsTo(beforeSave) >= 50);

    const std::optional<QString> failure = pane.saveTo(dir.filePath(QStringLiteral("no/such/folder.log")));
    QVERIFY(failure && failure->contains(QStringLiteral("no/such/folder.log")));
}

QTEST_MAIN(LogPaneTest)
#include "LogPaneTest.moc"
