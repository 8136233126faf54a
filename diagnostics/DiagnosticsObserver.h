#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Where a diagnostics test stands. Starting and Stopping last while the test's
// commands are on the line; Idle and Running are settled.
enum class TestState { Idle, Starting, Running, Stopping };

// What a failed command could not get: the port itself, or a module that answers.
enum class FailureKind { Port, Module };

// What a diagnostics test tells whoever shows it: a dialog, the window's menu, a
// console command. Called on the test's own threads, never while the caller of
// start() or stop() waits: an observer with a GUI hands the calls to its thread.
class DiagnosticsObserver {
public:
    virtual ~DiagnosticsObserver() = default;

    // The state changed at `at`. Every start and stop ends with a call in a settled
    // state, also when it changed nothing (a start that failed stays Idle).
    virtual void stateChanged(TestState state, const QDateTime &at) = 0;
    // A complete line of the module's test output, stamped when it arrived. The
    // replies to the test's own commands are not report lines.
    virtual void reportLine(const QByteArray &line, const QDateTime &at) { Q_UNUSED(line) Q_UNUSED(at) }
    // Overlong runs the line cutter dropped as noise since the last call.
    virtual void noiseDropped(qsizetype lines) { Q_UNUSED(lines) }
    // A command failed: the text for the user. Comes before the settled state change.
    virtual void failed(const QString &message, FailureKind kind) = 0;
    // The device hung up or vanished while the test ran: the port is closed and the
    // test Idle. Comes before the settled state change.
    virtual void lineLost(const QString &message) = 0;
};
