// Radio diagnostics started from "Ad&vanced" / "&Diagnostics". The tests themselves
// live in diagnostics/; the window lends them its port settings, its message boxes,
// its channel slot, its log and the transmit test's menu caption.
#include "ui/MainWindow.h"

#include "comm/ModuleChannel.h"
#include "diagnostics/ReceiveTest.h"
#include "diagnostics/TransmitTest.h"

#include <QAction>

void MainWindow::runReceiveTest(int kind)
{
    ReceiveTest test(m_portSettings, m_messages, m_diagChannel, this);
    test.run(kind);
}

void MainWindow::toggleTransmitTest()
{
    QAction *item = commandAction(MainCommand::TxBerTest);
    // The module's replies show in the log pane; this runs on the GUI thread.
    TransmitTest test(m_portSettings, m_variant.modelName, m_messages, m_diagChannel,
                      [this](const QByteArray &text, quint16 length) { receiveData(text, length); },
                      {[item] { return item->text(); }, [item](const QString &caption) { item->setText(caption); }});
    test.toggle();
}
