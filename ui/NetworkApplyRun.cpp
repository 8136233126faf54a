#include "ui/NetworkApplyRun.h"

#include "ui/PostedCall.h"

namespace {

// Hands one member's progress to the run on the GUI thread.
class PostingObserver : public OperationObserver {
public:
    PostingObserver(NetworkApplyRun *run, int member) : m_run(run), m_member(member) {}
    void status(const QString &text) override
    {
        postTo(m_run, [run = m_run, member = m_member, text] { Q_EMIT run->memberStatus(member, text); });
    }
    void progress(int value, int maximum) override
    {
        postTo(m_run, [run = m_run, member = m_member, value, maximum] {
            Q_EMIT run->memberProgress(member, value, maximum);
        });
    }

private:
    NetworkApplyRun *m_run;
    int m_member;
};

}  // namespace

NetworkApplyRun::NetworkApplyRun(Network network, QObject *parent)
    : QObject(parent), m_network(std::move(network)), m_outcomes(m_network.members.size())
{
}

NetworkApplyRun::~NetworkApplyRun()
{
    m_stop.request_stop();
    m_threads.clear();
}

void NetworkApplyRun::start()
{
    if (running())
        return;
    m_threads.clear();  // a run before has ended: its threads are done
    m_stop = std::stop_source();
    m_running = int(m_network.members.size());
    for (int i = 0; i < int(m_network.members.size()); ++i) {
        m_threads.emplace_back([this, i, stop = m_stop.get_token()] {
            PostingObserver observer(this, i);
            const MemberOutcome outcome = provisionMember(m_network.members[std::size_t(i)], observer, stop);
            postTo(this, [this, i, outcome] { memberDone(i, outcome); });
        });
    }
}

void NetworkApplyRun::memberDone(int member, const MemberOutcome &outcome)
{
    m_outcomes[std::size_t(member)] = outcome;
    Q_EMIT memberFinished(member);
    if (--m_running == 0)
        Q_EMIT finished();
}
