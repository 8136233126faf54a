#include "ui/DiagnosticsCommands.h"

#include "diagnostics/DiagnosticMessages.h"
#include "diagnostics/ReceiveTest.h"
#include "journal/OperationRecords.h"
#include "settings/MessageSink.h"
#include "ui/JournalNotice.h"
#include "ui/PostedCall.h"
#include "ui/ReceiveTestDialog.h"

#include <QAction>

#include <utility>

ReceiveTestCommand::ReceiveTestCommand(MessageSink &messages, QWidget *parent, ChannelFactory makeChannel)
    : m_messages(messages), m_parent(parent), m_makeChannel(std::move(makeChannel))
{
}

void ReceiveTestCommand::run(int testKind, const LineSettings &line)
{
    std::unique_ptr<ReceiveTest> test;
    try {
        test = ReceiveTest::open(testKind, line, m_makeChannel);
    } catch (const Exception &e) {
        m_messages.show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, e.message());
        showJournalNotice(m_messages, recordReceiveFailure(testKind, line.port, e.message()));
        return;
    }
    ReceiveTestDialog form(m_messages, m_parent);
    form.setupTest(std::move(test));
    form.setSource(m_moduleName, line.port);
    if (m_onDialogReady)
        m_onDialogReady(form);
    form.exec();
    showJournalNotice(m_messages, recordReceiveRun(testKind, line.port, form.recording()));
}

TransmitTestItem::TransmitTestItem(QAction *item, MessageSink &messages, const QString &modelName,
                                   ReceiveHandler replies, ChannelFactory makeChannel)
    : m_item(item), m_messages(messages), m_test(modelName, std::move(makeChannel))
{
    m_test.setObserver(this);
    m_test.setReplyHandler(std::move(replies));
}

TransmitTestItem::~TransmitTestItem() = default;

void TransmitTestItem::toggle(const LineSettings &line)
{
    if (m_wait)
        return;  // a command is on the line
    m_wait.emplace();
    if (m_item)
        m_item->setEnabled(false);
    m_port = line.port;
    m_test.toggle(line);
}

void TransmitTestItem::stateChanged(TestState state, const QDateTime &)
{
    postTo(this, [this, state] { showState(state); });
}

void TransmitTestItem::failed(const QString &message, FailureKind)
{
    postTo(this, [this, message] { m_failure = message; });
}

void TransmitTestItem::lineLost(const QString &message)
{
    failed(message, FailureKind::Port);
}

void TransmitTestItem::showState(TestState state)
{
    const TestState before = std::exchange(m_shown, state);
    if (state == TestState::Starting || state == TestState::Stopping)
        return;
    if (m_item) {
        m_item->setText(state == TestState::Running ? kStopTxBerCaption : kStartTxBerCaption);
        m_item->setEnabled(true);
    }
    // The box waits for the user: the hourglass is gone by then.
    m_wait.reset();
    if (state == TestState::Idle && before != TestState::Idle)
        showJournalNotice(m_messages, recordTransmitRun(m_port, m_failure));
    if ((before == TestState::Running) != (state == TestState::Running))
        Q_EMIT runningChanged(state == TestState::Running);
    if (const std::optional<QString> failure = std::exchange(m_failure, std::nullopt)) {
        m_messages.show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, *failure);
    } else if (before == TestState::Starting && state == TestState::Running) {
        m_messages.show(MessageSink::Icon::Information, MessageSink::Buttons::Ok, DiagnosticMessages::txStarted());
    } else if (before == TestState::Stopping && state == TestState::Idle) {
        m_messages.show(MessageSink::Icon::Information, MessageSink::Buttons::Ok, DiagnosticMessages::txStopped());
    }
}
