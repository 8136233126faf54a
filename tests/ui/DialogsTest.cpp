#include "comm/ModuleChannel.h"
#include "ui/EscCharEditForm.h"
#include "ui/HelpAboutForm.h"
#include "ui/SerialSettingsForm.h"
#include "ui/SpinField.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
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
    static void touchEverything(TSerialSettingsForm &form)
    {
        QTest::mouseClick(form.rg_ComPortButtons->button(6), Qt::LeftButton);
        form.Combo_DataRate->setCurrentIndex(0);
        form.Combo_DataBits->setCurrentIndex(0);
        form.Combo_StopBits->setCurrentIndex(1);
        form.Combo_Parity->setCurrentIndex(1);
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

private slots:
    // --- serial port dialog ---
    void serialDialogLayout()
    {
        TSerialSettingsForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Serial Port Setup"));
        QCOMPARE(form.rg_ComPort->title(), QStringLiteral("Com Port"));
        QCOMPARE(form.rg_ComPortButtons->buttons().size(), 8);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(form.rg_ComPortButtons->button(i)->text(), QStringLiteral("Com %1").arg(i + 1));
        QStringList rates;
        for (int i = 0; i < form.Combo_DataRate->count(); ++i)
            rates << form.Combo_DataRate->itemText(i);
        QCOMPARE(rates, QStringList({"1200", "2400", "4800", "9600", "14400", "19200", "28800", "31250",
                                     "38400", "57600", "76800", "115200"}));
        QCOMPARE(form.Combo_DataBits->itemText(1), QStringLiteral("8"));
        QCOMPARE(form.Combo_StopBits->itemText(1), QStringLiteral("2"));
        QCOMPARE(form.Combo_Parity->count(), 3);
        QCOMPARE(form.Combo_Parity->itemText(2), QStringLiteral("Even"));
        QVERIFY(!form.Combo_DataRate->isEditable());
        QVERIFY(form.BitBtn2->isDefault());
        QCOMPARE(form.BitBtn2->text(), QStringLiteral("OK"));

        // Two columns, filled column by column.
        form.show();
        const QWidget *com1 = form.rg_ComPortButtons->button(0);
        const QWidget *com4 = form.rg_ComPortButtons->button(3);
        const QWidget *com5 = form.rg_ComPortButtons->button(4);
        QCOMPARE(com5->y(), com1->y());
        QVERIFY(com5->x() > com1->x());
        QCOMPARE(com4->x(), com1->x());
        QVERIFY(com4->y() > com1->y());
    }

    void serialDialogShowsCurrentValues()
    {
        PortSettings ps{5, 7, 0, 1, 2};
        TSerialSettingsForm form;
        form.GetSerialDetails(ps);
        QCOMPARE(form.rg_ComPortButtons->checkedId(), 5);
        QCOMPARE(form.Combo_DataRate->currentText(), QStringLiteral("31250"));
        QCOMPARE(form.Combo_DataBits->currentText(), QStringLiteral("7"));
        QCOMPARE(form.Combo_StopBits->currentText(), QStringLiteral("2"));
        QCOMPARE(form.Combo_Parity->currentText(), QStringLiteral("Even"));

        PortSettings start;   // COM1, 9600, 8 data bits, 1 stop bit, no parity
        TSerialSettingsForm second;
        second.GetSerialDetails(start);
        QCOMPARE(second.rg_ComPortButtons->checkedId(), 0);
        QCOMPARE(second.Combo_DataRate->currentText(), QStringLiteral("9600"));
        QCOMPARE(second.Combo_DataBits->currentText(), QStringLiteral("8"));
        QCOMPARE(second.Combo_StopBits->currentText(), QStringLiteral("1"));
        QCOMPARE(second.Combo_Parity->currentText(), QStringLiteral("None"));
    }

    void serialDialogOkUntouchedWritesSameBack()
    {
        const PortSettings before{3, 10, 1, 1, 1};
        PortSettings ps = before;
        TSerialSettingsForm form;
        form.GetSerialDetails(ps);
        form.show();
        QTest::mouseClick(form.BitBtn2, Qt::LeftButton);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(!form.isVisible());
        QCOMPARE(ps, before);
    }

    void serialDialogOkWritesChoices()
    {
        PortSettings ps;
        TSerialSettingsForm form;
        form.GetSerialDetails(ps);
        form.show();
        QTest::mouseClick(form.rg_ComPortButtons->button(7), Qt::LeftButton);
        QCOMPARE(form.rg_ComPortButtons->checkedButton()->text(), QStringLiteral("Com 8"));
        choose(form.Combo_DataRate, QStringLiteral("115200"));
        choose(form.Combo_DataBits, QStringLiteral("7"));
        choose(form.Combo_StopBits, QStringLiteral("2"));
        choose(form.Combo_Parity, QStringLiteral("Even"));
        QCOMPARE(ps, PortSettings{});   // nothing written before OK
        QTest::mouseClick(form.BitBtn2, Qt::LeftButton);
        QCOMPARE(ps, (PortSettings{7, 11, 0, 1, 2}));
    }

    void serialDialogOkByEnterKey()
    {
        PortSettings ps;
        TSerialSettingsForm form;
        form.GetSerialDetails(ps);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        choose(form.Combo_Parity, QStringLiteral("Odd"));
        form.BitBtn2->setFocus();
        QTest::keyClick(&form, Qt::Key_Return);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(ps.parity, std::uint8_t(1));
    }

    void serialDialogCancelLeavesSettings_data() { addDismissRows(); }

    void serialDialogCancelLeavesSettings()
    {
        QFETCH(int, how);
        const PortSettings before{2, 5, 1, 0, 0};
        PortSettings ps = before;
        TSerialSettingsForm form;
        form.GetSerialDetails(ps);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        touchEverything(form);
        dismiss(form, form.btn_Cancel, how);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(ps, before);
    }

    void serialDialogModalRun()
    {
        PortSettings ps;
        TSerialSettingsForm form;
        form.GetSerialDetails(ps);
        QTimer::singleShot(0, &form, [&form] {
            QVERIFY(form.isModal());
            QTest::mouseClick(form.rg_ComPortButtons->button(1), Qt::LeftButton);
            QTest::mouseClick(form.BitBtn2, Qt::LeftButton);
        });
        QCOMPARE(form.exec(), int(QDialog::Accepted));
        QCOMPARE(ps.comPort, std::uint8_t(1));
    }

    void serialDialogTooltipsShowDevicePaths()
    {
        qunsetenv("CFG_COM1");
        qunsetenv("CFG_COM8");
        qputenv("CFG_COM3", "/dev/ttyUSB0");
        TSerialSettingsForm form;
        qunsetenv("CFG_COM3");
        QCOMPARE(form.rg_ComPortButtons->button(2)->toolTip(), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(form.rg_ComPortButtons->button(0)->toolTip(), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(form.rg_ComPortButtons->button(7)->toolTip(), QStringLiteral("/dev/ttyS7"));
    }

    // --- escape character dialog ---
    void escapeDialogShowsCurrentCharacter()
    {
        int escapeChar = '+';
        TEscCharEdit_Form form([&] { return escapeChar; }, [&](int c) { escapeChar = c; });
        QCOMPARE(form.windowTitle(), QStringLiteral("Select Escape Character"));
        QCOMPARE(form.Label49->text(), QStringLiteral("Esc Sequence"));
        QCOMPARE(form.Label51->text(), QStringLiteral("Character"));
        QCOMPARE(form.EscChar_SpinEdit->minimum(), 1);
        QCOMPARE(form.EscChar_SpinEdit->maximum(), 255);
        QVERIFY(form.OK_BitBtn->isDefault());
        form.show();
        QCOMPARE(form.EscChar_SpinEdit->value(), 43);
    }

    void escapeDialogOkSetsTypedCharacter()
    {
        int escapeChar = '+';
        TEscCharEdit_Form form([&] { return escapeChar; }, [&](int c) { escapeChar = c; });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.EscChar_SpinEdit->setFocus();
        QTest::keyClicks(form.EscChar_SpinEdit, QStringLiteral("42"));   // replaces the selected text
        QCOMPARE(escapeChar, '+');
        QTest::mouseClick(form.OK_BitBtn, Qt::LeftButton);
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
        TEscCharEdit_Form form([&] { return escapeChar; }, [&](int c) { escapeChar = c; });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.EscChar_SpinEdit->setFocus();
        QTest::keyClick(form.EscChar_SpinEdit, Qt::Key_Backspace);   // drops the selected "43"
        QTest::keyClicks(form.EscChar_SpinEdit, typed);
        QTest::keyClick(form.EscChar_SpinEdit, Qt::Key_Return);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(escapeChar, code);
    }

    void escapeDialogCancelKeepsCharacter_data() { addDismissRows(); }

    void escapeDialogCancelKeepsCharacter()
    {
        QFETCH(int, how);
        int escapeChar = '+';
        int writes = 0;
        TEscCharEdit_Form form([&] { return escapeChar; }, [&](int c) { escapeChar = c; ++writes; });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.EscChar_SpinEdit->setValue(99);
        dismiss(form, form.Cancel_BitBtn, how);
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(escapeChar, '+');
        QCOMPARE(writes, 0);
    }

    void escapeDialogRereadsOnEveryShow()
    {
        // One instance for the whole run: a change made elsewhere (the configure operation
        // takes S2) must show the next time the dialog opens, and a cancelled edit must not stick.
        int escapeChar = '+';
        TEscCharEdit_Form form([&] { return escapeChar; }, [&](int c) { escapeChar = c; });
        form.show();
        form.EscChar_SpinEdit->setValue(200);
        form.reject();
        escapeChar = 96;
        form.show();
        QCOMPARE(form.EscChar_SpinEdit->value(), 96);
        QTest::mouseClick(form.OK_BitBtn, Qt::LeftButton);
        QCOMPARE(escapeChar, 96);
    }

    void escapeDialogDrivesTheWakeUpSequence()
    {
        escapeCharacter = '+';
        TEscCharEdit_Form form;
        form.show();
        QCOMPARE(form.EscChar_SpinEdit->value(), 43);
        form.EscChar_SpinEdit->setValue(42);
        QTest::mouseClick(form.OK_BitBtn, Qt::LeftButton);
        QCOMPARE(escapeSequence(), QByteArray("***"));

        // Codes above 127 round-trip through the plain char.
        form.show();
        QCOMPARE(form.EscChar_SpinEdit->value(), 42);
        form.EscChar_SpinEdit->setValue(200);
        QTest::mouseClick(form.OK_BitBtn, Qt::LeftButton);
        QCOMPARE(escapeSequence(), QByteArray(3, char(200)));
        form.show();
        QCOMPARE(form.EscChar_SpinEdit->value(), 200);
        QTest::mouseClick(form.Cancel_BitBtn, Qt::LeftButton);
        QCOMPARE(escapeSequence(), QByteArray(3, char(200)));
        escapeCharacter = '+';
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
                                    << "KMA 410D (900MHz) Configuration" << "Image_Brisca" << true << true;
        QTest::newRow("Brisca 620") << Brand::Brisca << RadioClass::Class620
                                    << "KMA 410D (868MHz) Configuration" << "Image_Brisca" << true << true;
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

        TForm_HelpAbout box;
        QCOMPARE(box.windowTitle(), QStringLiteral("About"));
        for (QLabel *image : {box.Image_KorvelEgg, box.Image_Brisca, box.Image_Tolvane})
            QVERIFY(image->isHidden());
        const QRect panelBefore = box.Panel_Align->geometry();
        const QRect noticeBefore = box.Label_Notice->geometry();
        QVERIFY(box.Panel_Align->frameShape() != QFrame::NoFrame);

        box.SetUp(brand, radioClass);
        box.show();

        QCOMPARE(box.Label1->text(), title);
        for (QLabel *image : {box.Image_KorvelEgg, box.Image_Brisca, box.Image_Tolvane})
            QCOMPARE(image->isVisible(), image->objectName() == logo);
        const QLabel *shown = box.findChild<QLabel *>(logo);
        QVERIFY(shown);

        const QRect panel = box.Panel_Align->geometry();
        QCOMPARE(panel.x() + panel.width(), panelBefore.x() + panelBefore.width());
        QCOMPARE(panel.x(), panelFollowsLogo ? shown->x() + shown->width() : panelBefore.x());
        QCOMPARE(box.Panel_Align->frameShape(), QFrame::NoFrame);
        QVERIFY(box.Label1->isVisible());

        const QRect notice = box.Label_Notice->geometry();
        const QWidget *group = box.Label_Notice->parentWidget();
        if (noticeDocked) {
            QCOMPARE(notice.height(), noticeBefore.height() * 2);
            QCOMPARE(notice.bottom(), group->contentsRect().bottom());
            QCOMPARE(notice.width(), group->contentsRect().width());
            QVERIFY(box.Label_Notice->alignment() & Qt::AlignHCenter);
        } else {
            QCOMPARE(notice, noticeBefore);
        }
        QVERIFY(!box.Label_Notice->text().isEmpty());
        QVERIFY(box.Label_Notice->isVisible());
        QCOMPARE(box.Version->text(), versionLabelText(programVersionResource()));
    }

    void aboutBoxLogoSizes()
    {
        TForm_HelpAbout box;
        QCOMPARE(box.Image_Brisca->size(), QSize(77, 69));
        QCOMPARE(box.Image_Tolvane->size(), QSize(53, 61));
        // Scaled without distortion into its box.
        const QSize tolvane = box.Image_Tolvane->pixmap().size();
        QCOMPARE(tolvane.width(), 53);
        QVERIFY(tolvane.height() <= 61);
        QCOMPARE(box.Image_KorvelEgg->size(), box.Image_KorvelEgg->pixmap().size());
        for (QLabel *image : {box.Image_KorvelEgg, box.Image_Brisca, box.Image_Tolvane}) {
            const QImage picture = image->pixmap().toImage();
            QVERIFY(!picture.isNull());
            // Drawn, not blank: the centre of every logo is opaque.
            QVERIFY(qAlpha(picture.pixel(picture.width() / 2, picture.height() / 2)) > 0);
        }
    }

    void aboutBoxVersionLabel()
    {
        TForm_HelpAbout box;
        box.SetUp(Brand::Korvel, RadioClass::Class740);
        QCOMPARE(box.Version->text(), QStringLiteral("Version 1.61"));

        VersionResource none;
        TForm_HelpAbout bare;
        bare.SetUp(Brand::Korvel, RadioClass::Class740, none);
        QCOMPARE(bare.Version->text(), QStringLiteral("Version ."));
    }

    void aboutBoxOkCloses()
    {
        TForm_HelpAbout box;
        box.SetUp(Brand::Brisca, RadioClass::Class620);
        QVERIFY(box.OK_Button->isDefault());
        QTimer::singleShot(0, &box, [&box] { QTest::mouseClick(box.OK_Button, Qt::LeftButton); });
        QCOMPARE(box.exec(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
