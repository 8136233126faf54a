// The window as a desktop application: settings kept between runs, Recent Files,
// files dropped on the window.
#include "ui/FileDialogs.h"
#include "settings/ProductVariant.h"
#include "tests/support/FakeMessages.h"
#include "ui/DesktopSession.h"
#include "ui/MainWindow.h"
#include "ui/RecentFiles.h"
#include "ui/SpinField.h"
#include "ui/StatusRow.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

namespace {

// Answers the open and save dialogs with a set name and records the folder they open in.
class FakeDialogs : public FileDialogs {
public:
    QString answer;
    QStringList folders;
    QString getSaveFileName(const QString &directory, const QString &, const QString &) override
    {
        folders << directory;
        return answer;
    }
    QString getOpenFileName(const QString &directory, const QString &, const QString &, const QString &) override
    {
        folders << directory;
        return answer;
    }
};

QByteArray golden()
{
    QFile f(QStringLiteral(CFG_TEST_DATA_DIR "/golden/transparent_example.40B"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

}  // namespace

class DesktopSessionTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir config;
    std::unique_ptr<QTemporaryDir> dir;
    FakeDialogs dialogs;
    std::unique_ptr<FakeMessages> messages;
    std::unique_ptr<DesktopSession> session;
    std::unique_ptr<MainWindow> form;

    // Starts the program as main() does.
    void start()
    {
        messages = std::make_unique<FakeMessages>();
        const ProductVariant variant = *selectProductVariant(QStringLiteral("Cfg_740RB"));
        session = std::make_unique<DesktopSession>(variant, &dialogs);
        form = std::make_unique<MainWindow>(variant, *messages, nullptr, &session->fileDialogs());
        session->attach(*form);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    // Ends it as File > Exit does.
    void quit()
    {
        form->findChild<QAction *>(QStringLiteral("File_Exit"))->trigger();
        form.reset();
        session.reset();
    }
    QString panel(const char *name) const
    {
        return form->findChild<StatusPanel *>(QString::fromLatin1(name))->text();
    }
    void trigger(const char *name) const { form->findChild<QAction *>(QString::fromLatin1(name))->trigger(); }
    QString path(const char *name) const { return dir->filePath(QString::fromLatin1(name)); }

    // Drags urls over w and drops them there; returns whether the drag was accepted.
    static bool drop(QWidget *w, const QList<QUrl> &urls)
    {
        QMimeData data;
        data.setUrls(urls);
        data.setText(urls.value(0).toString());
        const QPoint at = w->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &dropped);
        QCoreApplication::processEvents();
        return dropped.isAccepted() && dropped.dropAction() == Qt::CopyAction;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    }
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        // COM3 stands for a device that exists while its file does.
        writeBytes(path("ttyCOM3"), {});
        qputenv("CFG_COM3", QFile::encodeName(path("ttyCOM3")));
        dialogs = FakeDialogs();
    }
    void cleanup()
    {
        form.reset();
        session.reset();
        QDir(config.path()).removeRecursively();
        dir.reset();
    }

    void settingsSurviveRestart()
    {
        start();
        QCOMPARE(panel("StatusBar_Com"), QStringLiteral("COM1"));
        writeBytes(path("a.40B"), golden());
        dialogs.answer = path("a.40B");
        trigger("File_Open");
        QCOMPARE(form->currentFileName(), path("a.40B"));
        trigger("puCom3");
        trigger("br19200");
        trigger("puE72");
        form->move(40, 30);
        quit();

        start();
        QCOMPARE(panel("StatusBar_Com"), QStringLiteral("COM3"));
        QCOMPARE(panel("StatusBar_Baud"), QStringLiteral("19200"));
        QCOMPARE(panel("StatusBar_Format"), QStringLiteral("E-7-2"));
        QTRY_COMPARE(form->pos(), QPoint(40, 30));
        QCOMPARE(session->recentFiles()->files(), QStringList{path("a.40B")});
        dialogs.answer.clear();
        trigger("File_Open");
        QCOMPARE(dialogs.folders.last(), dir->path());
        QVERIFY(messages->empty());
        quit();

        // The remembered port's device has gone: COM1, and nothing said about it.
        QFile::remove(path("ttyCOM3"));
        start();
        QCOMPARE(panel("StatusBar_Com"), QStringLiteral("COM1"));
        QCOMPARE(panel("StatusBar_Baud"), QStringLiteral("19200"));
        QVERIFY(messages->empty());
    }

    void verifyAfterConfigureIsRememberedOnByDefault()
    {
        const auto verify = [this] { return form->findChild<QAction *>(QStringLiteral("Comm_Verify")); };
        start();
        QVERIFY(verify()->isChecked());
        verify()->trigger();
        quit();
        start();
        QVERIFY(!verify()->isChecked());
        verify()->trigger();
        quit();
        start();
        QVERIFY(verify()->isChecked());
    }

    void recentFilesKeepOrderAndLimit()
    {
        QMenu menu;
        RecentFiles recent(&menu);
        QVERIFY(!menu.isEnabled());
        for (const char *name : {"1.40B", "2.40B", "3.40B", "4.40B", "5.40B", "6.40B", "7.40B", "2.40B"})
            recent.add(path(name));
        const QStringList expected = {path("2.40B"), path("7.40B"), path("6.40B"),
                                      path("5.40B"), path("4.40B"), path("3.40B")};
        QCOMPARE(recent.files(), expected);
        QVERIFY(menu.isEnabled());
        QCOMPARE(menu.actions().at(0)->text(), QStringLiteral("&1 ") + path("2.40B"));
        QVERIFY(menu.actions().at(5)->isVisible());
        // The same file spelt another way is still one entry.
        recent.add(dir->path() + QStringLiteral("/sub/../4.40B"));
        QCOMPARE(recent.files().first(), path("4.40B"));
        QCOMPARE(recent.files().count(path("4.40B")), 1);
        // A stored list with duplicates and too many entries.
        recent.setFiles({path("x.40B"), path("x.40B"), path("1.40B"), path("2.40B"), path("3.40B"),
                         path("4.40B"), path("5.40B"), path("6.40B")});
        QCOMPARE(recent.files().size(), RecentFiles::kLimit);
        QCOMPARE(recent.files().first(), path("x.40B"));
        QVERIFY(!menu.actions().at(6 - 1)->text().contains(QStringLiteral("6.40B")));
    }

    void missingRecentFileIsRemoved()
    {
        writeBytes(path("kept.40B"), golden());
        writeBytes(path("gone.40B"), golden());
        start();
        for (const char *name : {"kept.40B", "gone.40B"}) {
            dialogs.answer = path(name);
            trigger("File_Open");
        }
        QFile::remove(path("gone.40B"));
        trigger("File_New");
        messages->clear();

        trigger("File_Recent2");  // kept.40B opens as File > Open opens it
        QCOMPARE(form->currentFileName(), path("kept.40B"));
        trigger("File_Recent2");  // now gone.40B
        QCOMPARE(messages->count(), 1);
        QVERIFY(messages->last().text.contains(path("gone.40B")));
        QVERIFY(messages->last().text.contains(QStringLiteral("Recent Files")));
        QCOMPARE(form->currentFileName(), path("kept.40B"));
        QCOMPARE(session->recentFiles()->files(), QStringList{path("kept.40B")});
        quit();
        start();
        QCOMPARE(session->recentFiles()->files(), QStringList{path("kept.40B")});
    }

    void droppedFilesOpenLikeTheCommandLine()
    {
        writeBytes(path("drop.40B"), golden());
        writeBytes(path("notes.txt"), "ATB0\r\n");
        start();
        // On a field, which would take the path as text if it saw the drop.
        SpinField *field = form->findChild<SpinField *>(QStringLiteral("sreg_1"));
        const QString before = field->text();
        QVERIFY(drop(field, {QUrl::fromLocalFile(path("drop.40B"))}));
        QCOMPARE(form->currentFileName(), path("drop.40B"));
        QCOMPARE(field->text(), before);
        QVERIFY(messages->empty());

        QVERIFY(drop(form.get(), {QUrl::fromLocalFile(path("notes.txt"))}));
        QCOMPARE(messages->texts(), QStringList{path("notes.txt") + QStringLiteral(" is not a valid configuration file.")});
        QCOMPARE(form->currentFileName(), path("drop.40B"));

        // Folders, several files and remote files are not taken at all.
        QVERIFY(!drop(form.get(), {QUrl::fromLocalFile(dir->path())}));
        QVERIFY(!drop(form.get(), {QUrl::fromLocalFile(path("drop.40B")), QUrl::fromLocalFile(path("notes.txt"))}));
        QVERIFY(!drop(form.get(), {QUrl(QStringLiteral("https://example.org/x.40B"))}));
        // Nor anything while a modal window (an operation's progress) is up.
        QDialog progress(form.get());
        progress.setModal(true);
        progress.show();
        QVERIFY(!drop(form.get(), {QUrl::fromLocalFile(path("notes.txt"))}));
        progress.hide();
        QCOMPARE(messages->count(), 1);
    }

    void fileCommandsHaveStandardShortcuts()
    {
        start();
        const QMenu *file = form->findChild<QMenu *>(QStringLiteral("File"));
        QList<QKeySequence> shortcuts;
        for (const QAction *a : file->actions())
            if (!a->isSeparator() && !a->menu())
                shortcuts << a->shortcut();
        // The desktop's own keys where it has them (a plain X11 session lacks some).
        const auto standard = [](QKeySequence::StandardKey key, const char *common) {
            const QList<QKeySequence> keys = QKeySequence::keyBindings(key);
            return keys.isEmpty() ? QKeySequence(QString::fromLatin1(common)) : keys.first();
        };
        QCOMPARE(shortcuts, (QList<QKeySequence>{standard(QKeySequence::New, "Ctrl+N"),
                                                 standard(QKeySequence::Open, "Ctrl+O"),
                                                 standard(QKeySequence::Save, "Ctrl+S"),
                                                 standard(QKeySequence::SaveAs, "Ctrl+Shift+S"),
                                                 QKeySequence(),  // Compare File with Window...
                                                 QKeySequence(),  // Open Network...
                                                 QKeySequence(),  // Commissioning Report...
                                                 standard(QKeySequence::Quit, "Ctrl+Q")}));
        // And the keys work while the menus are closed.
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTest::keySequence(form.get(), shortcuts.at(1));
        QCOMPARE(dialogs.folders.size(), 1);
    }
};

QTEST_MAIN(DesktopSessionTest)
#include "DesktopSessionTest.moc"
