// Radio diagnostics started from "Ad&vanced" / "&Diagnostics". The tests run in
// diagnostics/ on channels of their own over the window's port settings; the
// window lends them its message boxes, its log and the transmit test's menu item.
#include "ui/MainWindow.h"

#include "comm/LineSettings.h"
#include "ui/DiagnosticsCommands.h"
#include "settings/SerialParams.h"
#include "ui/PostedCall.h"
#include "ui/TransmitTestBanner.h"

namespace {
// Channels that wake the module with the escape character `escape` holds then.
ChannelFactory channelsEscapingWith(std::shared_ptr<std::atomic<char>> escape)
{
    return [escape](const LineSettings &line) {
        auto channel = std::make_unique<ModuleChannel>(line);
        channel->setEscapeCharacter(escape->load());
        return channel;
    };
}
}  // namespace

bool MainWindow::refusedWhileTestRuns()
{
    if (!m_transmitTest || m_transmitTest->test().state() == TestState::Idle)
        return false;
    m_messages.show(MessageSink::Icon::Warning, MessageSink::Buttons::Ok,
                    QStringLiteral("The Tx BER Test is running: the module holds the test's settings. Stop the test "
                                   "(Advanced > Diagnostics > Stop Tx BER Test) before reading, configuring, "
                                   "restoring or comparing the module."));
    return true;
}

void MainWindow::runReceiveTest(int kind)
{
    ReceiveTestCommand test(m_messages, this,
                            channelsEscapingWith(std::make_shared<std::atomic<char>>(m_escapeCharacter)));
    // The module last read or written, else the product's model.
    test.setModuleName(m_moduleIdentification.isEmpty() ? m_variant.modelName : m_moduleIdentification);
    test.run(kind, m_line);
}

void MainWindow::toggleTransmitTest()
{
    if (!m_transmitTest) {
        // The module's replies show in the log pane, handed over from the test's thread.
        m_transmitTest = std::make_unique<TransmitTestItem>(
            commandAction(MainCommand::TxBerTest), m_messages, m_variant.modelName,
            [this](const QByteArray &text, quint16 length) {
                postTo(this, [this, text, length] { receiveData(text, length); });
            },
            channelsEscapingWith(m_transmitEscape));
        // While the module transmits, the window says so above everything with its Stop.
        connect(m_transmitTest.get(), &TransmitTestItem::runningChanged, this, [this](bool running) {
            m_transmitBanner->showRunning(running, m_line.port);
        });
    }
    m_transmitEscape->store(m_escapeCharacter);
    m_transmitTest->toggle(m_line);
}
