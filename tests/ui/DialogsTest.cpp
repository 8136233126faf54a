#include "comm/ModuleChannel.h"
#include "ui/EscapeCharacterDialog.h"
#include "ui/AboutDialog.h"
#include "ui/PortSettingsDialog.h"
#include "ui/SpinField.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

class DialogsTest : public QObject {
    Q_OBJECT

private:
    static void choose(QComboBox *combo, const QString &text)
    {
        const int index = combo->findText(text);
        QVERIFY2(index >= 0, qPrintable(text));
        combo->setCurrentIndex(index);
    }

    // Changes every control so that a leak of any of them into the record shows.
    static void touchEverything(PortSettingsDialog &form)
    {
        QTest::mouseClick(form.comPortButtons()->button(6), Qt::LeftButton);
        form.baudRateList()->setCurrentIndex(0);
        form.dataBitsList()->setCurrentIndex(0);
        form.stopBitsList()->setCurrentIndex(1);
        form.parityList()->setCurrentIndex(1);
    }

    // The three ways to dismiss a dialog without OK.
    static void addDismissRows()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("cancel button") << 0;
        QTest::newRow("escape key") << 1;
        QTest::newRow("close box") << 2;
    }
    static void dismiss(QDialog &form, QAbstractButton *cancel, int how)
    {
        if (how == 0)
            QTest::mouseClick(cancel, Qt::LeftButton);
        else if (how == 1)
            QTest::keyClick(&form, Qt::Key_Escape);
        else
            form.close();
    }

    QTemporaryDir m_config;

private slots:
    // Bindings written by the dialog land in a folder of this run.
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path())); }

    // --- serial port dialog ---
    void serialDialogLayout()
    {
        PortSettingsDialog form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Serial Port Setup"));
        QCOMPARE(form.comPortBox()->title(), QStringLiteral("Com Port"));
        QCOMPARE(form.comPortButtons()->buttons().size(), 8);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(form.comPortButtons()->button(i)->text(), QStringLiteral("COM%1").arg(i + 1));
        QStringList rates;
        for (int i = 0; i < form.baudRateList()->count(); ++i)
            rates << form.baudRateList()->itemText(i);
        QCOMPARE(rates, QStringList({"1200", "2400", "4800", "9600", "14400", "19200", "28800", "31250",
                                     "38400", "57600", "76800", "115200"}));
        QCOMPARE(form.dataBitsList()->itemText(1), QStringLiteral("8"));
        QCOMPARE(form.stopBitsList()->itemText(1), QStringLiteral("2"));
        QCOMPARE(form.parityList()->count(), 3);
        QCOMPARE(form.parityList()->itemText(2), QStringLiteral("Even"));
        QVERIFY(!form.baudRateList()->isEditable());
        QVERIFY(form.okButton()->isDefault());
        QCOMPARE(form.okButton()->text(), QStringLiteral("OK"));

        // Two columns, filled column by column.
        form.show();
        const QWidget *com1 = form.comPortButtons()->button(0);
        const QWidget *com4 = form.comPortButtons()->button(3);
        const QWidget *com5 = form.comPortButtons()->button(4);
        QCOMPARE(com5->y(), com1->y());
        QVERIFY(com5->x() > com1->x());
        QCOMPARE(com4->x(), com1->x());
        QVERIFY(com4->y() > com1->y());
    }

    void serialDialogShowsCurrentValues()
    {
        LineSettings ps{"COM6", 31250, 7, Parity::Even, 2};
        PortSettingsDialog form;
        form.edit(ps);
        QCOMPARE(form.comPortButtons()->checkedId(), 5);
        QCOMPARE(form.baudRateList()->currentText(), QStringLiteral("31250"));
        QCOMPARE(form.dataBitsList()->currentText(), QStringLiteral("7"));
        QCOMPARE(form.stopBitsList()->currentText(), QStringLiteral("2"));
        QCOMPARE(form.parityList()->currentText(), QStringLiteral("Even"));

        LineSettings start;   // COM1, 9600, 8 data bits, 1 stop bit, no parity
        PortSettingsDialog second;
        second.edit(start);
        QCOMPARE(second.comPortButtons()->checkedId(), 0);
        QCOMPARE(second.baudRateList()->currentText(), QStringLiteral("9600"));
        QCOMPARE(second.dataBitsList()->currentText(), QStringLiteral("8"));
        QCOMPARE(second.stopBitsList()->currentText(), QStringLiteral("1"));
        QCOMPARE(second.parityList()->currentText(), QStringLiteral("None"));
    }

    void serialDialogOkUntouchedWritesSameBack()
    {
        const LineSettings before{"COM4", 76800, 8, Parity::Odd, 2};
        LineSettings ps = before;
        PortSettingsDialog form;
        form.edit(ps);
        form.show();
        QTest::mouseClick(form.okButton(), Qt::LeftButton);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(!form.isVisible());
        QCOMPARE(ps, before);
    }

    void serialDialogOkWritesChoices()
    {
        LineSettings ps;
        PortSettingsDialog form;
        form.edit(ps);
        form.show();
        QTest::mouseClick(form.comPortButtons()->button(7), Qt::LeftButton);
        QCOMPARE(form.comPortButtons()->checkedButton()->text(), QStringLiteral("COM8"));
        choose(form.baudRateList(), QStringLiteral("115200"));
        choose(form.dataBitsList(), QStringLiteral("7"));
        choose(form.stopBitsList(), QStringLiteral("2"));
        choose(form.parityList(), QStringLiteral("Even"));
        QCOMPARE(ps, LineSettings{});   // nothing written before OK
        QTest::mouseClick(form.okButton(), Qt::LeftButton);
        QCOMPARE(ps, (LineSettings{"COM8", 115200, 7, Parity::Even, 2}));
    }

    void serialDialogOkByEnterKey()
    {
        LineSettings ps;
        PortSettingsDialog form;
        form.edit(ps);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        choose(form.parityList(), QStringLiteral("Odd"));
        form.okButton()->setFocus();
        QTest::keyClick(&form, Qt::Key_Return);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(ps.parity, Parity::Odd);
    }

    void serialDialogCancelLeavesSettings_data() { addDismissRows(); }

    void serialDialogCancelLeavesSettings()
    {
        QFETCH(int, how);
        const LineSettings before{"COM3", 19200, 8, Parity::None, 1};
        LineSettings ps = before;
        PortSettingsDialog form;
        form.edit(ps);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        touchEverything(form);
        dismiss(form, form.cancelButton(), how);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(ps, before);
    }

    void serialDialogModalRun()
    {
        LineSettings ps;
        PortSettingsDialog form;
        form.edit(ps);
        QTimer::singleShot(0, &form, [&form] {
            QVERIFY(form.isModal());
            QTest::mouseClick(form.comPortButtons()->button(1), Qt::LeftButton);
            QTest::mouseClick(form.okButton(), Qt::LeftButton);
        });
        QCOMPARE(form.exec(), int(QDialog::Accepted));
        QCOMPARE(ps.port, QStringLiteral("COM2"));
    }

    void serialDialogTooltipsShowDevicePaths()
    {
        qunsetenv("CFG_COM1");
        qunsetenv("CFG_COM8");
        qputenv("CFG_COM3", "/dev/ttyUSB0");
        PortSettingsDialog form;
        qunsetenv("CFG_COM3");
        QCOMPARE(form.comPortButtons()->button(2)->toolTip(), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(form.comPortButtons()->button(0)->toolTip(), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(form.comPortButtons()->button(7)->toolTip(), QStringLiteral("/dev/ttyS7"));
    }

    void serialDialogBindsTheCheckedSlotOnOkOnly()
    {
        LineSettings ps;
        {
            PortSettingsDialog form;
            form.edit(ps);
            QTest::mouseClick(form.comPortButtons()->button(2), Qt::LeftButton);
            QTest::keyClicks(form.devicePathField(), QStringLiteral("/dev/pts/41"));
            QTest::mouseClick(form.comPortButtons()->button(4), Qt::LeftButton);
            QCOMPARE(form.devicePathField()->text(), QString());
            QTest::keyClicks(form.devicePathField(), QStringLiteral("/dev/ttyACM0"));
            QTest::mouseClick(form.okButton(), Qt::LeftButton);
        }
        QCOMPARE(PortBindings().devicePath(2), QStringLiteral("/dev/pts/41"));
        QCOMPARE(PortBindings().devicePath(4), QStringLiteral("/dev/ttyACM0"));
        {
            PortSettingsDialog form;
            form.edit(ps);
            QTest::mouseClick(form.comPortButtons()->button(2), Qt::LeftButton);
            QCOMPARE(form.devicePathField()->text(), QStringLiteral("/dev/pts/41"));
            form.devicePathField()->selectAll();
            QTest::keyClicks(form.devicePathField(), QStringLiteral("/dev/pts/42"));
            QTest::mouseClick(form.cancelButton(), Qt::LeftButton);
        }
        QCOMPARE(PortBindings().devicePath(2), QStringLiteral("/dev/pts/41"));
        PortBindings().bind(2, {});
        PortBindings().bind(4, {});
    }

    void serialDialogBindsASlotToANetworkPort()
    {
        LineSettings ps;
        {
            PortSettingsDialog form;
            form.edit(ps);
            QTest::mouseClick(form.comPortButtons()->button(5), Qt::LeftButton);
            QTest::keyClicks(form.networkPortField(), QStringLiteral("rfc2217://bench-2"));
            QVERIFY(!form.networkPortProblem()->isHidden());   // no TCP port yet
            QVERIFY(!form.okButton()->isEnabled());
            // Another slot does not make the wrong address acceptable.
            QTest::mouseClick(form.comPortButtons()->button(1), Qt::LeftButton);
            QVERIFY(!form.okButton()->isEnabled());
            QTest::mouseClick(form.comPortButtons()->button(5), Qt::LeftButton);
            QCOMPARE(form.networkPortField()->text(), QStringLiteral("rfc2217://bench-2"));
            QTest::keyClicks(form.networkPortField(), QStringLiteral(":4001?ignore-cts"));
            QVERIFY(form.networkPortProblem()->isHidden());
            QVERIFY(form.okButton()->isEnabled());
            QTest::mouseClick(form.okButton(), Qt::LeftButton);
        }
        QCOMPARE(PortBindings().devicePath(5), QStringLiteral("rfc2217://bench-2:4001?ignore-cts"));
        QCOMPARE(PortBindings().describe(5), QStringLiteral("rfc2217://bench-2:4001?ignore-cts"));
        {
            // Shown in its own field; a device path typed for the slot replaces it.
            PortSettingsDialog form;
            form.edit(ps);
            QTest::mouseClick(form.comPortButtons()->button(5), Qt::LeftButton);
            QCOMPARE(form.networkPortField()->text(), QStringLiteral("rfc2217://bench-2:4001?ignore-cts"));
            QCOMPARE(form.devicePathField()->text(), QString());
            QTest::keyClicks(form.devicePathField(), QStringLiteral("/dev/ttyUSB3"));
            QCOMPARE(form.networkPortField()->text(), QString());
            QTest::mouseClick(form.okButton(), Qt::LeftButton);
        }
        QCOMPARE(PortBindings().devicePath(5), QStringLiteral("/dev/ttyUSB3"));
        PortBindings().bind(5, {});
    }

    // --- escape character dialog ---
    void escapeDialogShowsCurrentCharacter()
    {
        int escapeChar = '+';
        EscapeCharacterDialog form([&] { return escapeChar; }, [&](int c) { escapeChar = c; });
        QCOMPARE(form.windowTitle(), QStringLiteral("Select Escape Character"));
        QCOMPARE(form.sequenceLabel()->text(), QStringLiteral("Esc Sequence"));
        QCOMPARE(form.characterLabel()->text(), QStringLiteral("Character"));
        QCOMPARE(form.codeField()->minimum(), 1);
        QCOMPARE(form.codeField()->maximum(), 255);
        QVERIFY(form.okButton()->isDefault());
        form.show();
        QCOMPARE(form.codeField()->value(), 43);
    }

    void escapeDialogOkSetsTypedCharacter()
    {
        int escapeChar = '+';
        EscapeCharacterDialog form([&] { return escapeChar; }, [&](int c) { escapeChar = c; });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.codeField()->setFocus();
        QTest::keyClicks(form.codeField(), QStringLiteral("42"));   // replaces the selected text
        QCOMPARE(escapeChar, '+');
        QTest::mouseClick(form.okButton(), Qt::LeftButton);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(escapeChar, '*');
    }

    void escapeDialogTypedTextIsKeptInRange_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("code");
        QTest::newRow("above 255") << "300" << 255;
        QTest::newRow("zero") << "0" << 1;
        QTest::newRow("not a number") << "x" << 1;   // reads as the minimum
        QTest::newRow("empty") << "" << 1;
        QTest::newRow("highest") << "255" << 255;
    }

    void escapeDialogTypedTextIsKeptInRange()
    {
        // OK by the Enter key: the field is not left first, so nothing has clamped it yet.
        QFETCH(QString, typed);
        QFETCH(int, code);
        int escapeChar = '+';
        EscapeCharacterDialog form([&] { return escapeChar; }, [&](int c) { escapeChar = c; });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.codeField()->setFocus();
        QTest::keyClick(form.codeField(), Qt::Key_Backspace);   // drops the selected "43"
        QTest::keyClicks(form.codeField(), typed);
        QTest::keyClick(form.codeField(), Qt::Key_Return);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(escapeChar, code);
    }

    void escapeDialogCancelKeepsCharacter_data() { addDismissRows(); }

    void escapeDialogCancelKeepsCharacter()
    {
        QFETCH(int, how);
        int escapeChar = '+';
        int writes = 0;
        EscapeCharacterDialog form([&] { return escapeChar; }, [&](int c) { escapeChar = c; ++writes; });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.codeField()->setValue(99);
        dismiss(form, form.cancelButton(), how);
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(escapeChar, '+');
        QCOMPARE(writes, 0);
    }

    void escapeDialogRereadsOnEveryShow()
    {
        // One instance for the whole run: a change made elsewhere (the configure operation
        // takes S2) must show the next time the dialog opens, and a cancelled edit must not stick.
        int escapeChar = '+';
        EscapeCharacterDialog form([&] { return escapeChar; }, [&](int c) { escapeChar = c; });
        form.show();
        form.codeField()->setValue(200);
        form.reject();
        escapeChar = 96;
        form.show();
        QCOMPARE(form.codeField()->value(), 96);
        QTest::mouseClick(form.okButton(), Qt::LeftButton);
        QCOMPARE(escapeChar, 96);
    }

    void escapeDialogDrivesTheWakeUpSequence()
    {
        char escapeCharacter = '+';
        const auto escapeSequence = [&escapeCharacter] { return QByteArray(3, escapeCharacter); };
        EscapeCharacterDialog form([&] { return int(static_cast<unsigned char>(escapeCharacter)); },
                                   [&](int code) { escapeCharacter = static_cast<char>(code); });
        form.show();
        QCOMPARE(form.codeField()->value(), 43);
        form.codeField()->setValue(42);
        QTest::mouseClick(form.okButton(), Qt::LeftButton);
        QCOMPARE(escapeSequence(), QByteArray("***"));

        // Codes above 127 round-trip through the plain char.
        form.show();
        QCOMPARE(form.codeField()->value(), 42);
        form.codeField()->setValue(200);
        QTest::mouseClick(form.okButton(), Qt::LeftButton);
        QCOMPARE(escapeSequence(), QByteArray(3, char(200)));
        form.show();
        QCOMPARE(form.codeField()->value(), 200);
        QTest::mouseClick(form.cancelButton(), Qt::LeftButton);
        QCOMPARE(escapeSequence(), QByteArray(3, char(200)));
    }

    // --- about box ---
    void aboutBoxForEachVariant_data()
    {
        QTest::addColumn<Brand>("brand");
        QTest::addColumn<RadioClass>("radioClass");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("logo");
        QTest::addColumn<bool>("panelFollowsLogo");
        QTest::addColumn<bool>("noticeDocked");
        QTest::newRow("Korvel 740") << Brand::Korvel << RadioClass::Class740
                                    << "KORVEL 740R-B Configuration" << "Image_KorvelEgg" << true << false;
        QTest::newRow("Korvel 620") << Brand::Korvel << RadioClass::Class620
                                    << "KORVEL 620R Configuration" << "Image_KorvelEgg" << true << false;
        QTest::newRow("Brisca 740") << Brand::Brisca << RadioClass::Class740
                                    << "KMA 410D Configuration" << "Image_Brisca" << true << true;
        QTest::newRow("Brisca 620") << Brand::Brisca << RadioClass::Class620
                                    << "KMA 410D Configuration (868 MHz)" << "Image_Brisca" << true << true;
        QTest::newRow("Tolvane 740") << Brand::Tolvane << RadioClass::Class740
                                     << "JT Modem Configuration Utility" << "Image_Tolvane" << false << true;
        QTest::newRow("Tolvane 620") << Brand::Tolvane << RadioClass::Class620
                                     << "JT Modem Configuration Utility" << "Image_Tolvane" << false << true;
    }

    void aboutBoxForEachVariant()
    {
        QFETCH(Brand, brand);
        QFETCH(RadioClass, radioClass);
        QFETCH(QString, title);
        QFETCH(QString, logo);
        QFETCH(bool, panelFollowsLogo);
        QFETCH(bool, noticeDocked);

        AboutDialog box;
        QCOMPARE(box.windowTitle(), QStringLiteral("About"));
        for (QLabel *image : {box.korvelImage(), box.briscaImage(), box.tolvaneImage()})
            QVERIFY(image->isHidden());
        const QRect panelBefore = box.titlePanel()->geometry();
        const QRect noticeBefore = box.noticeLabel()->geometry();
        QVERIFY(box.titlePanel()->frameShape() != QFrame::NoFrame);

        box.setUp(brand, radioClass);
        box.show();

        QCOMPARE(box.titleLabel()->text(), title);
        for (QLabel *image : {box.korvelImage(), box.briscaImage(), box.tolvaneImage()})
            QCOMPARE(image->isVisible(), image->objectName() == logo);
        const QLabel *shown = box.findChild<QLabel *>(logo);
        QVERIFY(shown);

        const QRect panel = box.titlePanel()->geometry();
        QCOMPARE(panel.x() + panel.width(), panelBefore.x() + panelBefore.width());
        QCOMPARE(panel.x(), panelFollowsLogo ? shown->x() + shown->width() : panelBefore.x());
        QCOMPARE(box.titlePanel()->frameShape(), QFrame::NoFrame);
        QVERIFY(box.titleLabel()->isVisible());

        const QRect notice = box.noticeLabel()->geometry();
        const QWidget *group = box.noticeLabel()->parentWidget();
        if (noticeDocked) {
            QCOMPARE(notice.height(), noticeBefore.height() * 2);
            QCOMPARE(notice.bottom(), group->contentsRect().bottom());
            QCOMPARE(notice.width(), group->contentsRect().width());
            QVERIFY(box.noticeLabel()->alignment() & Qt::AlignHCenter);
        } else {
            QCOMPARE(notice, noticeBefore);
        }
        QVERIFY(!box.noticeLabel()->text().isEmpty());
        QVERIFY(box.noticeLabel()->isVisible());
        QCOMPARE(box.versionLabel()->text(), versionLabelText(programVersionResource()));
    }

    void aboutBoxLogoSizes()
    {
        AboutDialog box;
        QCOMPARE(box.briscaImage()->size(), QSize(77, 69));
        QCOMPARE(box.tolvaneImage()->size(), QSize(53, 61));
        // Scaled without distortion into its box.
        const QSize tolvane = box.tolvaneImage()->pixmap().size();
        QCOMPARE(tolvane.width(), 53);
        QVERIFY(tolvane.height() <= 61);
        QCOMPARE(box.korvelImage()->size(), box.korvelImage()->pixmap().size());
        for (QLabel *image : {box.korvelImage(), box.briscaImage(), box.tolvaneImage()}) {
            const QImage picture = image->pixmap().toImage();
            QVERIFY(!picture.isNull());
            // Drawn, not blank: the centre of every logo is opaque.
            QVERIFY(qAlpha(picture.pixel(picture.width() / 2, picture.height() / 2)) > 0);
        }
    }

    void aboutBoxVersionLabel()
    {
        AboutDialog box;
        box.setUp(Brand::Korvel, RadioClass::Class740);
        QCOMPARE(box.versionLabel()->text(), QStringLiteral("Version 1.61"));

        VersionResource none;
        AboutDialog bare;
        bare.setUp(Brand::Korvel, RadioClass::Class740, none);
        QCOMPARE(bare.versionLabel()->text(), QStringLiteral("Version ."));
    }

    void aboutBoxOkCloses()
    {
        AboutDialog box;
        box.setUp(Brand::Brisca, RadioClass::Class620);
        QVERIFY(box.okButton()->isDefault());
        QTimer::singleShot(0, &box, [&box] { QTest::mouseClick(box.okButton(), Qt::LeftButton); });
        QCOMPARE(box.exec(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
