// What keeps the user's work and the module safe: the unsaved-changes mark and
// question, failed loads that change nothing, Save that keeps the log, the guarded
// restore question, the Tx BER test's banner and the outcome texts.
#include "settings/SettingsModel.h"
#include "tests/ui/FilesFixture.h"
#include "ui/ComparisonDialog.h"
#include "ui/OperationOutcome.h"
#include "ui/TransmitTestBanner.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QSignalSpy>
#include <QTreeWidget>

using namespace files_test;

class MainWindowSafetyTest : public FilesFixture {
    Q_OBJECT

    // An edit that differs from what was kept.
    void edit() { form->model().set(Field::AnswerAttempts, 9); }
    QString sreg0() const { return spin("sreg_0")->text(); }

private slots:
    void init() { setUpFolder(); }
    void cleanup() { tearDownFolder(); }

    void titleMarksUnsavedChanges()
    {
        start();
        QVERIFY(!form->isWindowModified());
        QCOMPARE(form->windowTitle(), kBase);
        edit();
        QVERIFY(form->isWindowModified());
        QCOMPARE(form->windowTitle(), kBase + QStringLiteral("[*]"));
        // Back to what was kept: nothing to lose.
        form->model().set(Field::AnswerAttempts, 1);
        QVERIFY(!form->isWindowModified());
        edit();
        saveAs(path("kept.40B"));
        QVERIFY(!form->isWindowModified());
        QCOMPARE(form->windowTitle(), kBase + QStringLiteral(": ") + path("kept.40B"));
    }

    void exitAsksBeforeLosingEdits()
    {
        start();
        saveAs(path("kept.40B"));
        edit();
        messages->answer(Answer::Cancel);
        QVERIFY(!form->close());
        QVERIFY(form->isVisible());
        QCOMPARE(messages->last().buttons, Buttons::SaveDiscardCancel);
        QVERIFY(messages->last().text.contains(QStringLiteral("kept.40B")));
        QVERIFY(messages->last().text.endsWith(QStringLiteral("before exiting?")));

        // Save writes the edit to the current file, then the window closes.
        messages->answer(Answer::Save);
        QVERIFY(form->close());
        QCOMPARE(item(readBytes(path("kept.40B")), "ATS0:"), QByteArray("ATS0:9"));
    }

    void exitWithoutEditsAsksNothing()
    {
        start();
        QVERIFY(form->close());
        QVERIFY(messages->empty());
    }

    void openAndDropAskBeforeReplacingEdits()
    {
        start();
        writeBytes(path("other.40B"), golden());
        edit();
        messages->answer(Answer::Cancel);
        dialogs->answer = path("other.40B");
        trigger("File_Open");
        QVERIFY(dialogs->calls.isEmpty());  // cancelled before the file dialog
        QCOMPARE(sreg0(), QStringLiteral("9"));

        messages->answer(Answer::Cancel);
        QVERIFY(!form->openArgument(path("other.40B")));  // a drop
        QCOMPARE(sreg0(), QStringLiteral("9"));
        QVERIFY(messages->last().text.endsWith(QStringLiteral("before opening another file?")));

        messages->answer(Answer::Discard);
        QVERIFY(form->openArgument(path("other.40B")));
        QCOMPARE(form->currentFileName(), path("other.40B"));
        QVERIFY(!form->isWindowModified());
    }

    void readAsksBeforeReplacingEdits()
    {
        start();
        edit();
        messages->answer(Answer::Cancel);
        trigger("Comm_Read");
        QCOMPARE(messages->count(), 1);
        QCOMPARE(messages->last().buttons, Buttons::SaveDiscardCancel);
        QVERIFY(messages->last().text.endsWith(QStringLiteral("before reading the module?")));
        QCOMPARE(sreg0(), QStringLiteral("9"));
        QVERIFY(form->isWindowModified());
    }

    void failedOpenLeavesTheWindowAsItWas()
    {
        start();
        saveAs(path("good.40B"));
        edit();
        writeBytes(path("bad.40B"), "this is not a configuration\r\n");
        messages->answer(Answer::Discard);  // the unsaved-changes question
        dialogs->answer = path("bad.40B");
        trigger("File_Open");
        QCOMPARE(messages->count(), 2);
        QVERIFY(messages->last().text.startsWith(kLoadFailed));
        QVERIFY(messages->last().text.contains(QDir::toNativeSeparators(path("bad.40B"))));
        QCOMPARE(messages->last().icon, Icon::Error);
        QCOMPARE(form->currentFileName(), path("good.40B"));
        QCOMPARE(sreg0(), QStringLiteral("9"));
        QVERIFY(form->isWindowModified());
    }

    void droppedBadFileLeavesTheWindowAsItWas()
    {
        start();
        saveAs(path("good.40B"));
        const int address = form->model().get(Field::SystemAddress);
        writeBytes(path("bad.40B"), golden().replace(" ATC6 ", " ATC-1 "));
        QVERIFY(!form->openArgument(path("bad.40B")));
        QCOMPARE(messages->count(), 1);
        QVERIFY(messages->last().text.contains(QDir::toNativeSeparators(path("bad.40B"))));
        QCOMPARE(form->currentFileName(), path("good.40B"));
        QCOMPARE(form->model().get(Field::SystemAddress), address);
    }

    void saveKeepsTheLog()
    {
        start();
        form->appendLogLine("reply\r");
        trigger("File_SaveAs");  // cancelled
        QCOMPARE(form->logText(), QStringLiteral("reply"));
        saveAs(path("one.40B"));
        QCOMPARE(form->logText(), QStringLiteral("reply"));
        trigger("File_Save");
        QCOMPARE(form->logText(), QStringLiteral("reply"));
    }

    void unreachableModuleOffersNextSteps()
    {
        // A port that cannot be opened: the message offers what may help.
        qputenv("CFG_COM1", QFile::encodeName(path("no-such-device")));
        start();
        messages->answer(Answer::Retry);  // then OK, the default
        trigger("Comm_Read");
        QCOMPARE(messages->count(), 2);   // the read ran again after Retry
        for (const auto &m : messages->messages())
            QCOMPARE(m.buttons, Buttons::NextSteps);
        QCOMPARE(messages->at(0).text, messages->at(1).text);

        // "Com Port Settings..." opens the port settings, where the port can be changed.
        messages->clear();
        // The progress dialog comes and goes first: wait for the port settings.
        QString opened;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&opened] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (dialog && QString::fromLatin1(dialog->metaObject()->className()) == QLatin1String("PortSettingsDialog")) {
                opened = QString::fromLatin1(dialog->metaObject()->className());
                dialog->close();
            }
        });
        poll.start(20);
        messages->answer(Answer::PortSettings);
        trigger("Comm_Configure");
        QCOMPARE(messages->count(), 1);
        QCOMPARE(opened, QStringLiteral("PortSettingsDialog"));
        qunsetenv("CFG_COM1");
    }

    void restoreQuestionIsAnsweredNoByDefault()
    {
        start();
        edit();
        messages->answer(Answer::No);
        trigger("Adv_Defaults");
        QCOMPARE(messages->count(), 1);
        QCOMPARE(messages->last().buttons, Buttons::YesNoDefaultNo);
        QCOMPARE(sreg0(), QStringLiteral("9"));
    }

    void compareFileNamesItsPickerAndTheFile()
    {
        start();
        writeBytes(path("site-b.40B"), golden());
        dialogs->answer = path("site-b.40B");
        trigger("File_Compare");
        QCOMPARE(dialogs->calls.size(), 1);
        QCOMPARE(dialogs->calls[0].title, QStringLiteral("Compare File with Window"));
        auto *dialog = form->findChild<ComparisonDialog *>();
        QVERIFY(dialog);
        auto *table = dialog->findChild<QTreeWidget *>(QStringLiteral("ComparisonTable"));
        QCOMPARE(table->headerItem()->text(3), QStringLiteral("site-b.40B"));
    }

    void countsReadInTheirNumber()
    {
        QCOMPARE(OperationOutcome::settingsDiffer(1), QStringLiteral("1 setting differs"));
        QCOMPARE(OperationOutcome::settingsDiffer(3), QStringLiteral("3 settings differ"));
        ComparisonDialog one(QStringLiteral("t"), QStringLiteral("a"), QStringLiteral("b"),
                             {SettingDifference{QStringLiteral("S0"), QStringLiteral("S0"), QStringLiteral("1"),
                                                QStringLiteral("2")}});
        QCOMPARE(one.findChild<QLabel *>(QStringLiteral("ComparisonSummary"))->text(),
                 QStringLiteral("1 setting differs"));
    }

    void outcomesSayWhatHappened()
    {
        QCOMPARE(OperationOutcome::configured(QStringLiteral("740R-B V1.90"), QStringLiteral("COM1"), 0, 4.12),
                 QStringLiteral("Configured 740R-B V1.90 on COM1: verified, no differences (4.1 s)"));
        QCOMPARE(OperationOutcome::configured(QStringLiteral("740R-B V1.90"), QStringLiteral("COM2"), 2, 3.0),
                 QStringLiteral("Configured 740R-B V1.90 on COM2: verified, 2 settings differ (3.0 s)"));
        QCOMPARE(OperationOutcome::configured(QStringLiteral("740R-B"), QStringLiteral("COM1"), std::nullopt, 1.0),
                 QStringLiteral("Configured 740R-B on COM1: not verified (1.0 s)"));
        QCOMPARE(OperationOutcome::moduleName(QString(), QStringLiteral("620R")), QStringLiteral("620R"));
        const QString failed = OperationOutcome::failed(QStringLiteral("Configure"), QStringLiteral("COM1"),
                                                        QStringLiteral("No answer.\r\nCheck the cable."), false);
        QVERIFY(failed.startsWith(QStringLiteral("Configure on COM1 failed: No answer. Check the cable.")));
        QVERIFY(failed.contains(QStringLiteral("part of the new settings")));
        QVERIFY(!failed.contains(QLatin1Char('\n')));
    }

    void statusMenusCheckTheChoiceAndOpenFromTheKeyboard()
    {
        start();
        form->setComPort(2);
        form->setPcBaud(3);
        form->setLineFormat(1);
        QCOMPARE(statusBar("StatusBar_Com"), QStringLiteral("COM3"));
        auto checked = [this](const char *menuName) {
            QStringList names;
            for (QAction *a : get<QMenu>(menuName)->actions())
                if (a->isChecked())
                    names << a->objectName();
            return names;
        };
        QCOMPARE(checked("ComPortMenu"), QStringList{"puCom3"});
        QCOMPARE(checked("BaudMenu"), QStringList{"br9600"});
        QCOMPARE(checked("FormatMenu"), QStringList{"puE71"});

        // Each slot names the device it opens.
        auto *com = get<StatusPanel>("StatusBar_Com");
        Q_EMIT com->menu()->aboutToShow();
        const QString third = action("puCom3")->text();
        QVERIFY2(third.startsWith(QStringLiteral("COM&3\t/")), qPrintable(third));

        // Tab reaches the panel; Space opens its menu.
        QVERIFY(com->focusPolicy() & Qt::TabFocus);
        com->setFocus(Qt::TabFocusReason);
        QMenu *opened = nullptr;
        QTimer::singleShot(0, [&] {
            opened = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (opened)
                opened->close();
        });
        QTest::keyClick(com, Qt::Key_Space);
        QTRY_VERIFY(opened);
        QCOMPARE(opened, com->menu());
    }

    void transmitBannerOffersStop()
    {
        TransmitTestBanner banner;
        QSignalSpy stop(&banner, &TransmitTestBanner::stopRequested);
        banner.showRunning(true, QStringLiteral("COM2"));
        QVERIFY(banner.isVisibleTo(nullptr) || !banner.isHidden());
        QVERIFY(banner.text().contains(QStringLiteral("COM2")));
        banner.stopButton()->click();
        QCOMPARE(stop.count(), 1);
        banner.showRunning(false);
        QVERIFY(banner.isHidden());

        // In the main window it stands above the tool bar, hidden until a test runs.
        start();
        auto *inWindow = get<TransmitTestBanner>("TransmitTestBanner");
        QVERIFY(inWindow->isHidden());
    }
};

QTEST_MAIN(MainWindowSafetyTest)
#include "MainWindowSafetyTest.moc"
