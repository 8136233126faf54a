#pragma once

#include "network/MemberProvisioning.h"
#include "network/Network.h"

#include <QObject>

#include <stop_token>
#include <thread>
#include <vector>

// Writes and verifies every member of a network on its port, each on a thread of its
// own, and reports on the GUI thread. Destroying it stops the writes and waits for them.
class NetworkApplyRun : public QObject {
    Q_OBJECT
public:
    explicit NetworkApplyRun(Network network, QObject *parent = nullptr);
    ~NetworkApplyRun() override;

    void start();
    void stop() { m_stop.request_stop(); }
    bool running() const { return m_running > 0; }
    // Each member's outcome, once memberFinished has announced it.
    const std::vector<MemberOutcome> &outcomes() const { return m_outcomes; }

Q_SIGNALS:
    void memberStatus(int member, const QString &text);
    void memberProgress(int member, int value, int maximum);
    void memberFinished(int member);
    void finished();

private:
    void memberDone(int member, const MemberOutcome &outcome);

    const Network m_network;
    std::vector<MemberOutcome> m_outcomes;
    int m_running = 0;
    std::stop_source m_stop;
    std::vector<std::jthread> m_threads;  // last: joined before the rest goes
};
