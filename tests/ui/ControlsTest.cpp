// The window's building blocks on their own: numeric spin field, choice group,
// status bar and the real message box.
#include "ui/ChoiceGroup.h"
#include "ui/QtMessageSink.h"
#include "ui/SpinField.h"
#include "ui/StatusRow.h"

#include <QAbstractButton>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class ControlsTest : public QObject {
    Q_OBJECT

    // Types into a field that has the focus, replacing its text.
    static void type(SpinField &f, const QString &text)
    {
        QTest::keyClick(&f, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(&f, text);
    }

private slots:
    void readingParsesWithoutClamping()
    {
        SpinField f(20, 530);
        QCOMPARE(f.text(), QStringLiteral("20"));
        type(f, QStringLiteral("9999"));
        QCOMPARE(f.value(), 9999);
        type(f, QStringLiteral("12a"));
        QCOMPARE(f.value(), 20);
        type(f, QString());
        QCOMPARE(f.value(), 20);
        type(f, QStringLiteral("99999999999999"));  // beyond an int: not a whole number
        QCOMPARE(f.value(), 20);
        type(f, QStringLiteral("0x1F"));
        QCOMPARE(f.value(), 20);
    }

    void settingClampsUnlessTheRangeIsEmpty()
    {
        SpinField f(0, 255);
        f.setValue(300);
        QCOMPARE(f.text(), QStringLiteral("255"));
        f.setValue(-1);
        QCOMPARE(f.text(), QStringLiteral("0"));
        SpinField fixed(5, 5);
        fixed.setValue(9);
        QCOMPARE(fixed.text(), QStringLiteral("9"));

        // A lower maximum does not touch the value; leaving clamps it.
        SpinField unit(1, 127);
        unit.setValue(100);
        unit.setMaximum(15);
        QCOMPARE(unit.text(), QStringLiteral("100"));
        QSignalSpy left(&unit, &SpinField::left);
        unit.leave();
        QCOMPARE(unit.text(), QStringLiteral("15"));
        QCOMPARE(left.count(), 1);
        QCOMPARE(left.at(0).at(0).toInt(), 15);
    }

    void arrowsStepFromTheReadValue()
    {
        SpinField f(1, 10);
        f.setValue(10);
        f.stepBy(1);
        QCOMPARE(f.text(), QStringLiteral("10"));
        f.stepBy(-3);
        QCOMPARE(f.text(), QStringLiteral("7"));
        type(f, QStringLiteral("x"));
        f.stepBy(1);  // "x" reads as the minimum
        QCOMPARE(f.text(), QStringLiteral("2"));
    }

    void focusOutLeavesOnceButNotForAPopup()
    {
        QWidget window;
        auto *f = new SpinField(0, 100, &window);
        auto *other = new SpinField(0, 100, &window);
        other->move(0, 40);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy left(f, &SpinField::left);
        f->setFocus();
        QVERIFY(f->isBeingEdited());
        type(*f, QStringLiteral("250"));

        // A menu popping up takes the focus for a moment: no leaving.
        QMenu menu;
        menu.addAction(QStringLiteral("item"));
        menu.popup(window.mapToGlobal(QPoint(0, 0)));
        QTRY_VERIFY(menu.isVisible());
        menu.close();
        QCOMPARE(left.count(), 0);
        QCOMPARE(f->text(), QStringLiteral("250"));

        other->setFocus();
        QCOMPARE(left.count(), 1);
        QCOMPARE(f->text(), QStringLiteral("100"));
        QVERIFY(!f->isBeingEdited());
        f->leave();  // by hand as well: runs again, the rule decides what it means
        QCOMPARE(left.count(), 2);
    }

    void choiceGroupIndexAndItems()
    {
        ChoiceGroup g(QStringLiteral("Data Rate"), {"19200", "57600", "115200"});
        QCOMPARE(g.itemIndex(), -1);
        QCOMPARE(g.accessibleName(), QStringLiteral("Data Rate"));
        QSignalSpy changed(&g, &ChoiceGroup::changed);
        g.setItemIndex(2);
        QCOMPARE(g.itemIndex(), 2);
        QCOMPARE(changed.count(), 1);
        g.setItems({"19200", "38400", "76800"});
        QCOMPARE(g.itemIndex(), 2);
        QCOMPARE(g.findChildren<QAbstractButton *>().at(2)->text(), QStringLiteral("76800"));
        // An index beyond the list selects nothing.
        g.setItemIndex(7);
        QCOMPARE(g.itemIndex(), -1);
        g.findChildren<QAbstractButton *>().at(0)->click();
        QCOMPARE(g.itemIndex(), 0);
        QCOMPARE(changed.last().at(0).toInt(), 0);
    }

    void statusPanelTextIsAccessible()
    {
        QMenu menu;
        StatusPanel p("StatusBar_Com", &menu, nullptr);
        p.setPanelText(QStringLiteral("COM3"));
        QCOMPARE(p.text(), QStringLiteral("COM3"));
        QCOMPARE(p.accessibleName(), QStringLiteral("COM3"));
        StatusPanel line("StatusBar_Status", nullptr, nullptr);
        QCOMPARE(line.cursor().shape(), Qt::ArrowCursor);
    }

    void realMessageBoxShowsTextIconAndButtons()
    {
        QtMessageSink sink;
        struct Case {
            MessageSink::Icon icon;
            MessageSink::Buttons buttons;
            QMessageBox::Icon boxIcon;
            QMessageBox::StandardButtons boxButtons;
            QMessageBox::StandardButton press;
            MessageSink::Answer answer;
        };
        const Case cases[] = {
            {MessageSink::Icon::Question, MessageSink::Buttons::YesNo, QMessageBox::Question,
             QMessageBox::Yes | QMessageBox::No, QMessageBox::No, MessageSink::Answer::No},
            {MessageSink::Icon::Question, MessageSink::Buttons::OkCancel, QMessageBox::Question,
             QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, MessageSink::Answer::Ok},
            {MessageSink::Icon::Warning, MessageSink::Buttons::OkCancel, QMessageBox::Warning,
             QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel, MessageSink::Answer::Cancel},
            {MessageSink::Icon::Error, MessageSink::Buttons::Ok, QMessageBox::Critical, QMessageBox::Ok,
             QMessageBox::Ok, MessageSink::Answer::Ok},
            {MessageSink::Icon::Information, MessageSink::Buttons::YesNo, QMessageBox::Information,
             QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, MessageSink::Answer::Yes},
        };
        const QString text = QStringLiteral("Automatically adjust S18 & S19 (recommended)?\r\nline two");
        for (const Case &c : cases) {
            QString seenText;
            QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
            QMessageBox::StandardButtons seenButtons;
            QTimer::singleShot(0, [&] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                QVERIFY(box);
                seenText = box->text();
                seenIcon = box->icon();
                seenButtons = box->standardButtons();
                box->button(c.press)->click();
            });
            QCOMPARE(sink.show(c.icon, c.buttons, text), c.answer);
            QCOMPARE(seenText, text);
            QCOMPARE(seenIcon, c.boxIcon);
            QCOMPARE(seenButtons, c.boxButtons);
        }
    }

    // A question guarding a change that cannot be undone is not answered Yes by a
    // stray Enter.
    void enterAnswersNoToAGuardedQuestion()
    {
        QtMessageSink sink;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            defaultButton = box->standardButton(box->defaultButton());
            QTest::keyClick(box, Qt::Key_Return);
        });
        QCOMPARE(sink.show(MessageSink::Icon::Warning, MessageSink::Buttons::YesNoDefaultNo, QStringLiteral("Continue?")),
                 MessageSink::Answer::No);
        QCOMPARE(defaultButton, QMessageBox::No);
    }

    void unsavedEditsQuestionOffersSaveDiscardAndCancel()
    {
        QtMessageSink sink;
        const std::pair<QMessageBox::StandardButton, MessageSink::Answer> presses[] = {
            {QMessageBox::Save, MessageSink::Answer::Save},
            {QMessageBox::Discard, MessageSink::Answer::Discard},
            {QMessageBox::Cancel, MessageSink::Answer::Cancel},
        };
        for (const auto &[press, answer] : presses) {
            QMessageBox::StandardButtons seen;
            QTimer::singleShot(0, [&, press = press] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                QVERIFY(box);
                seen = box->standardButtons();
                box->button(press)->click();
            });
            QCOMPARE(sink.show(MessageSink::Icon::Warning, MessageSink::Buttons::SaveDiscardCancel,
                               QStringLiteral("Save?")),
                     answer);
            QCOMPARE(seen, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        }
    }
};

QTEST_MAIN(ControlsTest)
#include "ControlsTest.moc"
