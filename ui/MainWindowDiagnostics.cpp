// Radio diagnostics started from "Ad&vanced" / "&Diagnostics". The tests run in
// diagnostics/ on channels of their own over the window's port settings; the
// window lends them its message boxes, its log and the transmit test's menu item.
#include "ui/MainWindow.h"

#include "comm/LineSettings.h"
#include "ui/DiagnosticsCommands.h"
#include "ui/PostedCall.h"

void MainWindow::runReceiveTest(int kind)
{
    ReceiveTestCommand test(m_messages, this);
    test.run(kind, lineSettingsFor(m_portSettings));
}

void MainWindow::toggleTransmitTest()
{
    if (!m_transmitTest) {
        // The module's replies show in the log pane, handed over from the test's thread.
        m_transmitTest = std::make_unique<TransmitTestItem>(
            commandAction(MainCommand::TxBerTest), m_messages, m_variant.modelName,
            [this](const QByteArray &text, quint16 length) {
                postTo(this, [this, text, length] { receiveData(text, length); });
            });
    }
    m_transmitTest->toggle(lineSettingsFor(m_portSettings));
}
