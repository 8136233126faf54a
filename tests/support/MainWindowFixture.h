// Shared set-up of the main window tests: one window over a scripted message sink,
// and lookups of its controls by object name.
#pragma once

#include "ui/FileDialogs.h"
#include "settings/ProductVariant.h"
#include "tests/support/FakeMessages.h"
#include "ui/MainWindow.h"
#include "ui/SpinField.h"
#include "ui/StatusRow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QToolButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>

#include <memory>

// Brings every tab page and stacked panel above w to the front, so w can take the focus.
inline void reveal(QWidget *w)
{
    for (QWidget *child = w; child && child->parentWidget(); child = child->parentWidget()) {
        auto *stack = qobject_cast<QStackedWidget *>(child->parentWidget());
        if (!stack)
            continue;
        if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget()))
            tabs->setCurrentWidget(child);
        else
            stack->setCurrentWidget(child);
    }
}

class MainWindowFixture : public QObject {
protected:
    std::unique_ptr<FakeMessages> messages;
    std::unique_ptr<MainWindow> form;

    // Opens the window of the variant named by exeName and waits until it is active.
    void startForm(const QString &exeName, FileDialogs *dialogs = nullptr, const QString &argument = QString())
    {
        messages = std::make_unique<FakeMessages>();
        const std::optional<ProductVariant> v = selectProductVariant(exeName);
        QVERIFY(v);
        form = std::make_unique<MainWindow>(*v, *messages, nullptr, dialogs);
        form->setCommandLineArgument(argument);
        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    void closeForm()
    {
        form.reset();
        messages.reset();
    }
    template <class T> T *get(const char *name) const
    {
        T *w = form->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    SpinField *spin(const char *name) const { return get<SpinField>(name); }
    QString combo(const char *name) const { return get<QComboBox>(name)->currentText(); }
    QString statusBar(const char *name) const { return get<StatusPanel>(name)->text(); }
    QAction *action(const char *name) const { return get<QAction>(name); }
    // A menu item by its action's name, a tool button ("tb_...") by a click on it.
    void trigger(const char *name) const
    {
        if (auto *button = form->findChild<QToolButton *>(QString::fromLatin1(name)))
            button->click();
        else
            get<QAction>(name)->trigger();
    }
    // Whether a menu item or tool button can be used.
    bool enabled(const char *name) const
    {
        if (auto *button = form->findChild<QToolButton *>(QString::fromLatin1(name)))
            return button->isEnabled();
        return get<QAction>(name)->isEnabled();
    }
    // Types text into a numeric field as a user does (the old text replaced); the field keeps the focus.
    void type(SpinField *field, const QString &text)
    {
        reveal(field);
        field->setFocus(Qt::MouseFocusReason);
        QVERIFY(field->hasFocus());
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
    }
    // Moves the focus away from the field being edited, as a click elsewhere does.
    void leaveTo(QWidget *other)
    {
        reveal(other);
        other->setFocus(Qt::MouseFocusReason);
    }
};
