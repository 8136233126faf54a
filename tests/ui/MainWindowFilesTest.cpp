// The main window's file commands: save, save as, open, new and the file named on
// the command line, as the menus and tool buttons run them.
#include "ui/FileDialogs.h"
#include "settings/ProductVariant.h"
#include "settings/SettingsModel.h"
#include "tests/ui/FilesFixture.h"
#include "ui/ComparisonDialog.h"
#include "ui/MainWindow.h"
#include "ui/QtFileDialogs.h"
#include "ui/SpinField.h"
#include "ui/StatusRow.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QTimer>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace files_test;

class MainWindowFilesTest : public FilesFixture {
    Q_OBJECT

private slots:
    void init() { setUpFolder(); }
    void cleanup() { tearDownFolder(); }

    void fileCommandsAreEnabled()
    {
        start();
        for (const char *name : {"File_New", "File_Open", "File_Save", "File_SaveAs", "tb_New", "tb_Open", "tb_Save"})
            QVERIFY2(enabled(name), name);
    }

    void saveAsWritesTheLineAndSetsTheCaption()
    {
        start();
        form->appendLogLine("old reply\r");
        saveAs(path("one.40B"));

        QCOMPARE(dialogs->calls.size(), 1);
        QVERIFY(dialogs->calls[0].save);
        QCOMPARE(dialogs->calls[0].directory, dir->path());
        QCOMPARE(dialogs->calls[0].filter, QStringLiteral("*.40B"));
        QCOMPARE(dialogs->calls[0].suffix, QStringLiteral("40B"));

        const QByteArray bytes = readBytes(path("one.40B"));
        QVERIFY(bytes.startsWith(" ATB"));
        QVERIFY(bytes.endsWith(" AT&Z1= AT&Z2= AT&Z3= AT&Z0= \r\n"));
        QCOMPARE(bytes.count("\r\n"), 1);
        QCOMPARE(item(bytes, "AT\\T"), QByteArray("AT\\T0"));
        QCOMPARE(item(bytes, "ATS14:"), QByteArray("ATS14:255"));
        QCOMPARE(item(bytes, "ATS1:"), QByteArray("ATS1:50"));
        QVERIFY(!bytes.contains("ATS0="));
        // The on-line, abort and mode items follow flow control.
        QVERIFY(bytes.indexOf(" AT&K") < bytes.indexOf(" AT&L") && bytes.indexOf(" AT&M") < bytes.indexOf(" AT&S"));

        QCOMPARE(form->windowTitle(), kBase + QStringLiteral(": ") + path("one.40B"));
        QCOMPARE(form->currentFileName(), path("one.40B"));
        QCOMPARE(form->logText(), QStringLiteral("old reply"));  // the log stays
        QVERIFY(messages->empty());
    }

    void openedFileSavesBackByteForByte()
    {
        start();
        writeBytes(path("example.40B"), golden());
        dialogs->answer = path("example.40B");
        trigger("tb_Open");
        QCOMPARE(dialogs->calls.size(), 1);
        QVERIFY(!dialogs->calls[0].save);
        QCOMPARE(dialogs->calls[0].directory, dir->path());
        QCOMPARE(dialogs->calls[0].filter, QStringLiteral("*.40B"));
        QCOMPARE(dialogs->calls[0].suffix, QStringLiteral("40B"));
        QVERIFY(messages->empty());
        // The window shows the file: baud index 6 and the S registers in user units.
        QCOMPARE(get<QComboBox>("Serial_Baud")->currentIndex(), 6);
        QCOMPARE(spin("sreg_1")->text(), QStringLiteral("1000"));
        QCOMPARE(spin("sreg_14")->text(), QStringLiteral("530"));
        // ListingText held the line; the parser has read its way to the routes.
        QVERIFY(form->listingText().endsWith(" AT&Z0= "));
        QVERIFY(golden().chopped(2).endsWith(form->listingText()));

        saveAs(path("copy.40B"));
        QCOMPARE(readBytes(path("copy.40B")), golden());
        QCOMPARE(form->windowTitle(), kBase + QStringLiteral(": ") + path("copy.40B"));
    }

    void saveWithCurrentFileOverwritesWithoutDialog()
    {
        start();
        writeBytes(path("site.40B"), "something else entirely\r\n");
        saveAs(path("site.40B"));  // replaces an existing file without a question
        QVERIFY(messages->empty());
        QVERIFY(readBytes(path("site.40B")).startsWith(" ATB"));

        form->model().set(Field::AnswerAttempts, 7);
        trigger("File_Save");
        QCOMPARE(dialogs->calls.size(), 1);
        QCOMPARE(item(readBytes(path("site.40B")), "ATS0:"), QByteArray("ATS0:7"));
        QCOMPARE(form->windowTitle(), kBase + QStringLiteral(": ") + path("site.40B"));

        form->model().set(Field::AnswerAttempts, 9);
        trigger("tb_Save");
        QCOMPARE(dialogs->calls.size(), 1);
        QCOMPARE(item(readBytes(path("site.40B")), "ATS0:"), QByteArray("ATS0:9"));
        QVERIFY(messages->empty());
    }

    void saveWithoutCurrentFileAsksForOne()
    {
        start();
        dialogs->answer = path("first.40B");
        trigger("File_Save");
        QCOMPARE(dialogs->calls.size(), 1);
        QVERIFY(QFile::exists(path("first.40B")));
        QCOMPARE(form->currentFileName(), path("first.40B"));
    }

    void cancelledSaveWritesNothing()
    {
        start();
        form->appendLogLine("reply\r");
        trigger("File_SaveAs");
        QCOMPARE(dialogs->calls.size(), 1);
        QVERIFY(QDir(dir->path()).entryList(QDir::Files).isEmpty());
        QCOMPARE(form->windowTitle(), kBase);
        QVERIFY(form->currentFileName().isEmpty());
        QCOMPARE(form->logText(), QStringLiteral("reply"));  // kept

        // With a current file, a cancelled Save As keeps it and the file as it was.
        saveAs(path("kept.40B"));
        const QByteArray before = readBytes(path("kept.40B"));
        form->model().set(Field::AnswerAttempts, 8);
        trigger("File_SaveAs");
        QCOMPARE(readBytes(path("kept.40B")), before);
        QCOMPARE(form->windowTitle(), kBase + QStringLiteral(": ") + path("kept.40B") + QStringLiteral("[*]"));
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{"kept.40B"});
    }

    void failedWriteIsReportedAndKeepsTheCaption()
    {
        start();
        saveAs(path("good.40B"));
        saveAs(path("no-such-dir/bad.40B"));
        QCOMPARE(messages->count(), 1);
        QCOMPARE(messages->last().icon, Icon::Error);
        QCOMPARE(messages->last().buttons, Buttons::Ok);
        QCOMPARE(form->windowTitle(), kBase + QStringLiteral(": ") + path("good.40B"));
        QCOMPARE(form->currentFileName(), path("good.40B"));
    }

    void openShowsModuleFormatInStatusRow()
    {
        start();
        form->setComPort(2);
        // Module serial port 115200 (first entry), 8 data bits, 1 stop bit, even parity.
        QByteArray line = golden();
        line.replace(" ATC6 ", " ATC0 ").replace(" AT&B2 ", " AT&B14 ");
        writeBytes(path("even.40B"), line);
        dialogs->answer = path("even.40B");
        trigger("File_Open");

        QVERIFY(messages->empty());
        QCOMPARE(get<QComboBox>("Serial_Baud")->currentIndex(), 0);
        QCOMPARE(combo("Serial_Baud"), QStringLiteral("115200"));
        QCOMPARE(combo("Serial_Data"), QStringLiteral("8"));
        QCOMPARE(combo("Serial_Stop"), QStringLiteral("1"));
        QCOMPARE(combo("Serial_Parity"), QStringLiteral("Even"));
        QCOMPARE(statusBar("StatusBar_Baud"), QStringLiteral("115200"));
        QCOMPARE(statusBar("StatusBar_Format"), QStringLiteral("E-8-1"));
        QCOMPARE(statusBar("StatusBar_Com"), QStringLiteral("COM3"));  // the COM port stays
        QCOMPARE(form->windowTitle(), kBase + QStringLiteral(": ") + path("even.40B"));

        // Parity "Zero" shows as "N"; 7 data bits, 2 stop bits.
        line = golden();
        line.replace(" AT&B2 ", " AT&B5 ");
        writeBytes(path("zero.40B"), line);
        dialogs->answer = path("zero.40B");
        trigger("tb_Open");
        QCOMPARE(combo("Serial_Parity"), QStringLiteral("Zero"));
        QCOMPARE(statusBar("StatusBar_Format"), QStringLiteral("N-7-2"));
        QCOMPARE(statusBar("StatusBar_Baud"), QStringLiteral("19200"));  // module baud 6, "19200"
    }

    void corruptFileLeavesTheWindowAsItWas()
    {
        start();
        saveAs(path("good.40B"));
        writeBytes(path("bad.40B"), "this is not a configuration\r\n");
        dialogs->answer = path("bad.40B");
        trigger("File_Open");

        QCOMPARE(messages->count(), 1);
        QVERIFY(messages->last().text.startsWith(kLoadFailed));
        QVERIFY(messages->last().text.contains(QDir::toNativeSeparators(path("bad.40B"))));
        QCOMPARE(messages->last().icon, Icon::Error);
        QCOMPARE(messages->last().buttons, Buttons::Ok);
        QCOMPARE(form->windowTitle(), kBase + QStringLiteral(": ") + path("good.40B"));
        QCOMPARE(form->currentFileName(), path("good.40B"));

        // A path typed into the open dialog that names no file fails the same way.
        messages->clear();
        dialogs->answer = path("missing.40B");
        trigger("tb_Open");
        QCOMPARE(messages->count(), 1);
        QVERIFY(messages->last().text.startsWith(kLoadFailed));
        QVERIFY(messages->last().text.contains(QDir::toNativeSeparators(path("missing.40B"))));
        QCOMPARE(form->windowTitle(), kBase + QStringLiteral(": ") + path("good.40B"));
    }

    void compareFileListsDifferencesAndChangesNothing()
    {
        start();
        saveAs(path("same.40B"));
        const QString title = form->windowTitle();
        // The file is read into a dialog of its own; the window keeps its settings.
        auto compare = [this](const QString &file) -> std::unique_ptr<ComparisonDialog> {
            dialogs->answer = file;
            trigger("File_Compare");
            dialogs->answer.clear();
            const auto found = form->findChildren<ComparisonDialog *>();
            return std::unique_ptr<ComparisonDialog>(found.size() == 1 ? found.first() : nullptr);
        };

        auto same = compare(path("same.40B"));
        QVERIFY(same);
        QCOMPARE(same->summary()->text(), QStringLiteral("No differences"));
        QCOMPARE(same->table()->topLevelItemCount(), 0);
        same.reset();

        form->model().set(Field::PacketSize, 220);
        form->model().set(Field::EscapeGuardTime, form->model().get(Field::EscapeGuardTime) + 10);  // same S1
        auto differ = compare(path("same.40B"));
        QVERIFY(differ);
        QCOMPARE(differ->summary()->text(), QStringLiteral("1 setting differs"));
        QCOMPARE(differ->table()->topLevelItemCount(), 1);
        const QTreeWidgetItem *row = differ->table()->topLevelItem(0);
        QCOMPARE(row->text(0), QStringLiteral("Packet Size (bytes)"));
        QCOMPARE(row->text(1), QStringLiteral("S14"));
        QCOMPARE(row->text(2), QStringLiteral("220"));
        QCOMPARE(row->text(3), QStringLiteral("530"));
        differ.reset();
        QCOMPARE(form->model().get(Field::PacketSize), 220);
        QCOMPARE(form->windowTitle(), title + QStringLiteral("[*]"));  // edited, not saved

        // An unreadable file is reported and shows no dialog; the window still keeps its settings.
        writeBytes(path("bad.40B"), "this is not a configuration\r\n");
        QVERIFY(!compare(path("bad.40B")));
        QCOMPARE(messages->count(), 1);
        QVERIFY(messages->last().text.startsWith(kLoadFailed));
        QCOMPARE(form->model().get(Field::PacketSize), 220);
        QCOMPARE(form->windowTitle(), title + QStringLiteral("[*]"));
    }

    void cancelledOpenChangesNothing()
    {
        start();
        saveAs(path("here.40B"));
        form->model().set(Field::AnswerAttempts, 9);
        messages->answer(Answer::Discard);  // the edit is not saved: asked first
        trigger("File_Open");
        QCOMPARE(dialogs->calls.size(), 2);
        QCOMPARE(spin("sreg_0")->text(), QStringLiteral("9"));
        QCOMPARE(form->windowTitle(), kBase + QStringLiteral(": ") + path("here.40B") + QStringLiteral("[*]"));
    }

    void commandLineFileLoadsAtStartUp()
    {
        QByteArray line = golden();
        line.replace(" ATS0:1 ", " ATS0:4 ");
        writeBytes(path("site.40B"), line);
        start(QStringLiteral("site.40B"));
        QVERIFY(messages->empty());
        QCOMPARE(form->windowTitle(), kBase + QStringLiteral(": site.40B"));
        QCOMPARE(form->currentFileName(), QStringLiteral("site.40B"));
        QCOMPARE(spin("sreg_0")->text(), QStringLiteral("4"));
        QCOMPARE(statusBar("StatusBar_Baud"), QStringLiteral("19200"));
        QVERIFY(!form->listingText().isEmpty());
        QVERIFY(line.chopped(2).endsWith(form->listingText()));
        QVERIFY(dialogs->calls.isEmpty());
    }

    void commandLineFileWithOtherExtensionIsRefused()
    {
        writeBytes(path("site.40b"), golden().replace(" ATS0:1 ", " ATS0:4 "));
        start(path("site.40b"));
        QCOMPARE(messages->texts(), QStringList{path("site.40b") + QStringLiteral(" is not a valid configuration file.")});
        QCOMPARE(messages->last().icon, Icon::Error);
        QCOMPARE(messages->last().buttons, Buttons::Ok);
        QCOMPARE(form->windowTitle(), kBase);
        QCOMPARE(spin("sreg_0")->text(), QStringLiteral("1"));
        QVERIFY(form->listingText().isEmpty());
    }

    void missingCommandLineFileIsIgnored()
    {
        start(path("absent.40B"));
        QVERIFY(messages->empty());
        QCOMPARE(form->windowTitle(), kBase);
        QVERIFY(form->currentFileName().isEmpty());
    }

    void newAsksFirst()
    {
        start();
        saveAs(path("cur.40B"));
        form->model().set(Field::AnswerAttempts, 9);

        messages->answer(Answer::Cancel);
        trigger("File_New");
        QCOMPARE(messages->last().text, QStringLiteral("Open new configuration?"));
        QCOMPARE(messages->last().icon, Icon::Question);
        QCOMPARE(messages->last().buttons, Buttons::OkCancel);
        QCOMPARE(form->windowTitle(), kBase + QStringLiteral(": ") + path("cur.40B") + QStringLiteral("[*]"));
        QCOMPARE(spin("sreg_0")->text(), QStringLiteral("9"));

        messages->answer(Answer::Ok);
        trigger("tb_New");
        QCOMPARE(form->windowTitle(), kBase);
        QVERIFY(form->currentFileName().isEmpty());
        QCOMPARE(spin("sreg_0")->text(), QStringLiteral("1"));

        // With no current file, Save asks for a name again.
        dialogs->answer = path("next.40B");
        trigger("File_Save");
        QCOMPARE(dialogs->calls.size(), 2);
        QVERIFY(QFile::exists(path("next.40B")));
    }

    void toolButtonSaveCommitsTheEdit()
    {
        start();
        saveAs(path("p.40B"));
        type(spin("Radio_PackSize"), QStringLiteral("600"));
        trigger("tb_Save");
        QCOMPARE(item(readBytes(path("p.40B")), "ATS14:"), QByteArray("ATS14:255"));
        QCOMPARE(spin("Radio_PackSize")->text(), QStringLiteral("530"));
        QCOMPARE(spin("sreg_14")->text(), QStringLiteral("530"));

        type(spin("Radio_PackSize"), QStringLiteral("300"));
        trigger("tb_Save");
        QCOMPARE(item(readBytes(path("p.40B")), "ATS14:"), QByteArray("ATS14:140"));
        QCOMPARE(spin("sreg_14")->text(), QStringLiteral("300"));  // the mirror follows
        QCOMPARE(form->model().get(Field::PacketSize), 300);
    }

    void menuSaveTakesTheTypedValueWithoutLeaving()
    {
        start();
        saveAs(path("m.40B"));
        const int asked = messages->count();
        SpinField *packSize = spin("Radio_PackSize");
        type(packSize, QStringLiteral("300"));
        trigger("File_Save");

        QCOMPARE(item(readBytes(path("m.40B")), "ATS14:"), QByteArray("ATS14:140"));
        // No leave rule: the mirror is not updated, no question, the field is still edited.
        QCOMPARE(spin("sreg_14")->text(), QStringLiteral("530"));
        QCOMPARE(messages->count(), asked);
        QCOMPARE(packSize->text(), QStringLiteral("300"));
        QVERIFY(packSize->isBeingEdited());
        QCOMPARE(form->model().get(Field::PacketSize), 530);

        // Save As reads the same way.
        saveAs(path("m2.40B"));
        QCOMPARE(item(readBytes(path("m2.40B")), "ATS14:"), QByteArray("ATS14:140"));

        // Leaving the field later runs its rule: the mirror follows then.
        form->commitEdit();
        QCOMPARE(spin("sreg_14")->text(), QStringLiteral("300"));
        QCOMPARE(form->model().get(Field::PacketSize), 300);
    }

    void menuSaveReadsTextThatIsNoNumberAsMinimum()
    {
        start();
        saveAs(path("n.40B"));
        type(spin("sreg_1"), QStringLiteral("x"));
        trigger("File_Save");
        // The minimum, 60 ms, in the module's 20 ms units.
        QCOMPARE(item(readBytes(path("n.40B")), "ATS1:"), QByteArray("ATS1:3"));
        QCOMPARE(form->model().get(Field::EscapeGuardTime), 1000);

        // A typed value beyond the range is kept within it.
        type(spin("sreg_1"), QStringLiteral("99999"));
        trigger("File_Save");
        QCOMPARE(item(readBytes(path("n.40B")), "ATS1:"), QByteArray("ATS1:255"));
        QCOMPARE(form->model().get(Field::EscapeGuardTime), 1000);
    }

    // The Qt dialogs: pattern filter, default suffix, starting directory, and no
    // question when the chosen file exists.
    void qtDialogsOpenAsAsked()
    {
        writeBytes(path("there.40B"), "x\r\n");
        QtFileDialogs dialogs;
        QStringList filters;
        QString suffix, directory;
        bool noOverwriteQuestion = false;
        auto answerWith = [&](const QString &name) {
            QTimer::singleShot(0, [&, name] {
                auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                QVERIFY(d);
                filters = d->nameFilters();
                suffix = d->defaultSuffix();
                directory = d->directory().absolutePath();
                noOverwriteQuestion = d->testOption(QFileDialog::DontConfirmOverwrite);
                if (name.isEmpty()) {
                    d->reject();
                } else {
                    d->selectFile(name);
                    static_cast<QDialog *>(d)->accept();  // runs the file dialog's own accept
                }
            });
        };

        answerWith(path("there.40B"));
        QCOMPARE(dialogs.getSaveFileName(dir->path(), QStringLiteral("*.40B"), QStringLiteral("40B")),
                 path("there.40B"));
        QCOMPARE(filters, QStringList{"*.40B (*.40B)"});
        QCOMPARE(suffix, QStringLiteral("40B"));
        QCOMPARE(directory, QDir(dir->path()).absolutePath());
        QVERIFY(noOverwriteQuestion);
        QCOMPARE(readBytes(path("there.40B")), QByteArray("x\r\n"));  // a dialog writes nothing

        answerWith(QStringLiteral("plain"));
        QCOMPARE(dialogs.getSaveFileName(dir->path(), QStringLiteral("*.40B"), QStringLiteral("40B")),
                 path("plain.40B"));
        // Open returns a typed name that names no file; loading it reports the failure.
        answerWith(path("gone.40B"));
        QCOMPARE(dialogs.getOpenFileName(dir->path(), QStringLiteral("*.40B"), QStringLiteral("40B")),
                 path("gone.40B"));
        answerWith(QString());
        QVERIFY(dialogs.getOpenFileName(dir->path(), QStringLiteral("*.40B"), QStringLiteral("40B")).isEmpty());
    }

    void saveWithoutModeIsRefused()
    {
        start();
        form->model().selectMode(OperatingMode::None);
        form->appendLogLine("reply\r");
        dialogs->answer = path("none.40B");
        trigger("File_SaveAs");
        QCOMPARE(messages->texts(), QStringList{QStringLiteral("An operating mode must be selected!")});
        QCOMPARE(messages->last().icon, Icon::Warning);
        QVERIFY(dialogs->calls.isEmpty());
        QVERIFY(!QFile::exists(path("none.40B")));
        QVERIFY(!form->logText().isEmpty());
    }
};

QTEST_MAIN(MainWindowFilesTest)
#include "MainWindowFilesTest.moc"
