// Shared pieces of the operation tests: a simulated module on COM1, the commands a
// configure is expected to send, and pressing the progress dialog's buttons.
#pragma once

#include "SimLog.h"
#include "TestHost.h"
#include "ui/ModuleCommands.h"
#include "ui/ProgressDialog.h"
#include "support/SimOnCom1.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <memory>

// The lines a configure sends when the module is awake and no rate or format
// changes: the list without its response-code entry, the last entry, a wake, the
// response-code entry, the identification, store and reset.
inline QList<QByteArray> plainConfigureLines(const CommandList &list)
{
    QList<QByteArray> lines{"\r"};
    for (int i = 0; i <= kCommandCount - 2; ++i)
        if (!list[static_cast<std::size_t>(i)].startsWith("ATQ"))
            lines << list[static_cast<std::size_t>(i)] + '\r';
    lines << list[kCommandCount - 1] + '\r' << "\r" << list[3] + '\r' << "ATI\r" << "AT&W\r" << "ATZ\r";
    return lines;
}

inline ProgressDialog *visibleProgressForm()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *f = qobject_cast<ProgressDialog *>(w); f && f->isVisible())
            return f;
    return nullptr;
}

// Polls on the GUI thread while a dialog runs; once `when` holds, `act` gets the
// visible progress dialog, once. An in-process module runs far ahead of the poll: its
// worker waits where `when` first holds until `act` is done.
inline void actOnDialogWhen(std::function<bool()> when, std::function<void(ProgressDialog &)> act)
{
#ifdef CFG_SIM_IN_PROCESS
    std::weak_ptr<SimulatedModule> module = SimulatedModule::active();
    std::shared_ptr<SimulatedModule::Hold> hold;
    if (auto m = module.lock())
        hold = m->hold(when);
    const auto release = [module, hold] {
        if (auto m = module.lock(); m && hold)
            m->release(hold);
    };
#else
    const auto release = [] {};
#endif
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, when, act, release] {
        ProgressDialog *form = visibleProgressForm();
        if (!form || !when())
            return;
        timer->stop();
        timer->deleteLater();
        act(*form);
        release();
    });
    timer->start();
}
