// The dialogs as the main window opens them: menu items and tool buttons, the
// program's PC line and escapeCharacter, the variant's about box.
#include "comm/ModuleChannel.h"
#include "settings/ProductVariant.h"
#include "tests/support/FakeMessages.h"
#include "ui/EscapeCharacterDialog.h"
#include "ui/AboutDialog.h"
#include "ui/MainWindow.h"
#include "ui/PortSettingsDialog.h"
#include "ui/SpinField.h"
#include "ui/StatusRow.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <functional>

class MainWindowDialogsTest : public QObject {
    Q_OBJECT

private:
    // Runs act on the modal dialog of type D once it is up, then makes sure it is closed
    // so a failed check cannot leave the test waiting in a modal loop.
    template <class D>
    static void whenModal(bool &seen, std::function<void(D *)> act)
    {
        seen = false;
        QTimer::singleShot(0, [&seen, act] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *dialog = qobject_cast<D *>(modal)) {
                seen = true;
                act(dialog);
                if (dialog->isVisible())
                    dialog->reject();
            } else if (modal) {
                modal->close();
            }
        });
    }

    static QString bar(const MainWindow &form, const char *name)
    {
        const auto *panel = form.findChild<StatusPanel *>(QString::fromLatin1(name));
        return panel ? panel->text() : QString();
    }

    static std::unique_ptr<MainWindow> makeForm(FakeMessages &messages, const char *exeName)
    {
        auto form = std::make_unique<MainWindow>(selectProductVariant(QString::fromLatin1(exeName)).value(), messages);
        form->show();
        return form;
    }

private slots:
    void commandsAreEnabled()
    {
        FakeMessages messages;
        const auto form = makeForm(messages, "Cfg_740RB");
        for (MainCommand c : {MainCommand::ComPortSettings, MainCommand::EscapeCharacter, MainCommand::About}) {
            QVERIFY(form->commandEnabled(c));
            QVERIFY(form->commandAction(c)->isEnabled());
        }
        QVERIFY(form->commandAction(MainCommand::ComPortSettings)->isEnabled());
        QVERIFY(form->commandAction(MainCommand::About)->isEnabled());
    }

    void serialDialogEditsProgramLineSettings()
    {
        FakeMessages messages;
        const auto form = makeForm(messages, "Cfg_740RB");
        QCOMPARE(form->lineSettings(), LineSettings{});

        bool seen = false;
        whenModal<PortSettingsDialog>(seen, [](PortSettingsDialog *d) {
            QCOMPARE(d->comPortButtons()->checkedId(), 0);
            QCOMPARE(d->baudRateList()->currentText(), QStringLiteral("9600"));
            QTest::mouseClick(d->comPortButtons()->button(3), Qt::LeftButton);
            d->baudRateList()->setCurrentIndex(d->baudRateList()->findText(QStringLiteral("38400")));
            d->dataBitsList()->setCurrentIndex(0);
            d->stopBitsList()->setCurrentIndex(1);
            d->parityList()->setCurrentIndex(1);
            QTest::mouseClick(d->okButton(), Qt::LeftButton);
        });
        form->commandAction(MainCommand::ComPortSettings)->trigger();
        QVERIFY(seen);
        QCOMPARE(form->lineSettings(), (LineSettings{"COM4", 38400, 7, Parity::Odd, 2}));
        QCOMPARE(bar(*form, "StatusBar_Com"), QStringLiteral("COM4"));
        QCOMPARE(bar(*form, "StatusBar_Baud"), QStringLiteral("38400"));
        QCOMPARE(bar(*form, "StatusBar_Format"), QStringLiteral("O-7-2"));
        // Each opening makes its own dialog and frees it afterwards.
        QVERIFY(form->findChildren<PortSettingsDialog *>().isEmpty());
    }

    void serialDialogCancelStillRefreshesStatusRow()
    {
        FakeMessages messages;
        const auto form = makeForm(messages, "Cfg_740RB");
        // Changed behind the status row's back: only the refresh after the dialog shows it.
        form->lineSettings() = LineSettings{"COM7", 115200, 8, Parity::Even, 1};
        const LineSettings before = form->lineSettings();

        bool seen = false;
        whenModal<PortSettingsDialog>(seen, [](PortSettingsDialog *d) {
            QCOMPARE(d->comPortButtons()->checkedId(), 6);
            QCOMPARE(d->parityList()->currentText(), QStringLiteral("Even"));
            QTest::mouseClick(d->comPortButtons()->button(0), Qt::LeftButton);
            d->parityList()->setCurrentIndex(0);
            QTest::mouseClick(d->cancelButton(), Qt::LeftButton);
        });
        form->commandAction(MainCommand::ComPortSettings)->trigger();
        QVERIFY(seen);
        QCOMPARE(form->lineSettings(), before);
        QCOMPARE(bar(*form, "StatusBar_Com"), QStringLiteral("COM7"));
        QCOMPARE(bar(*form, "StatusBar_Baud"), QStringLiteral("115200"));
        QCOMPARE(bar(*form, "StatusBar_Format"), QStringLiteral("E-8-1"));
    }

    void escapeDialogIsOneInstanceOnTheProgramCharacter()
    {
        FakeMessages messages;
        const auto form = makeForm(messages, "Cfg_740RB");
        QCOMPARE(form->escapeCharacter(), '+');   // start-up value

        bool seen = false;
        EscapeCharacterDialog *first = nullptr;
        whenModal<EscapeCharacterDialog>(seen, [&first](EscapeCharacterDialog *d) {
            first = d;
            QCOMPARE(d->codeField()->value(), 43);
            d->codeField()->setValue(42);
            QTest::mouseClick(d->okButton(), Qt::LeftButton);
        });
        form->commandAction(MainCommand::EscapeCharacter)->trigger();
        QVERIFY(seen);
        QCOMPARE(form->escapeCharacter(), '*');

        whenModal<EscapeCharacterDialog>(seen, [first](EscapeCharacterDialog *d) {
            QCOMPARE(d, first);
            QCOMPARE(d->codeField()->value(), 42);
            d->codeField()->setValue(33);
            QTest::mouseClick(d->cancelButton(), Qt::LeftButton);
        });
        form->commandAction(MainCommand::EscapeCharacter)->trigger();
        QVERIFY(seen);
        QCOMPARE(form->escapeCharacter(), '*');
        QCOMPARE(form->findChildren<EscapeCharacterDialog *>().size(), 1);
    }

    void keyboardReturnsToTheWindowAfterABox()
    {
        FakeMessages messages;
        const auto form = makeForm(messages, "Cfg_740RB");
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QWidget *focused = QApplication::focusWidget();
        QVERIFY(focused && focused->window() == form.get());

        bool seen = false;
        whenModal<EscapeCharacterDialog>(seen, [](EscapeCharacterDialog *d) {
            QTest::mouseClick(d->cancelButton(), Qt::LeftButton);
        });
        form->commandAction(MainCommand::EscapeCharacter)->trigger();
        QVERIFY(seen);
        QTRY_VERIFY(form->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), focused);
    }

    void aboutBoxBrandedForTheVariant_data()
    {
        QTest::addColumn<QString>("exeName");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("logo");
        QTest::newRow("740") << "Cfg_740RB" << "KORVEL 740R-B Configuration" << "Image_KorvelEgg";
        QTest::newRow("620") << "Cfg_620R" << "KORVEL 620R Configuration" << "Image_KorvelEgg";
        QTest::newRow("KMA 868") << "KMA 410D-868" << "KMA 410D Configuration (868 MHz)" << "Image_Brisca";
        QTest::newRow("KMA 900") << "KMA 410D-900" << "KMA 410D Configuration" << "Image_Brisca";
        QTest::newRow("JT LNK") << "JT-LNK-9-D" << "JT Modem Configuration Utility" << "Image_Tolvane";
    }

    void aboutBoxBrandedForTheVariant()
    {
        QFETCH(QString, exeName);
        QFETCH(QString, title);
        QFETCH(QString, logo);
        FakeMessages messages;
        const auto form = makeForm(messages, exeName.toLatin1().constData());

        for (QAction *command : {form->commandAction(MainCommand::About), form->commandAction(MainCommand::About)}) {
            bool seen = false;
            whenModal<AboutDialog>(seen, [&](AboutDialog *d) {
                QCOMPARE(d->titleLabel()->text(), title);
                QVERIFY(d->findChild<QLabel *>(logo)->isVisible());
                QCOMPARE(d->versionLabel()->text(), versionLabelText(programVersionResource()));
                QCOMPARE(d->okButton()->font(), form->font());  // one font for the program
                QVERIFY(QFontInfo(d->titleLabel()->font()).pixelSize() > QFontInfo(form->font()).pixelSize());
                QTest::mouseClick(d->okButton(), Qt::LeftButton);
                QCOMPARE(d->result(), int(QDialog::Accepted));
            });
            command->trigger();
            QVERIFY(seen);
            QVERIFY(form->findChildren<AboutDialog *>().isEmpty());
        }
        QVERIFY(messages.empty());
    }
};

QTEST_MAIN(MainWindowDialogsTest)
#include "MainWindowDialogsTest.moc"
