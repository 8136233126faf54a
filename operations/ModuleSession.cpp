#include "operations/ModuleSession.h"

ModuleSession::ModuleSession(LineSettings line, PortLayerFactory makeLayer)
    : m_line(std::move(line)), m_makeLayer(std::move(makeLayer))
{
}

ModuleSession::~ModuleSession() = default;

ModuleChannel &ModuleSession::open()
{
    close();
    auto channel = std::make_unique<ModuleChannel>(m_line, m_makeLayer ? m_makeLayer() : nullptr);
    channel->setReceiveHandler([this](const QByteArray &text, quint16) {
        m_lastReply = text;
        if (m_listener)
            m_listener(text);
    });
    channel->setSendHandler(m_sendListener);
    channel->setStopToken(m_stop);
    channel->setEscapeCharacter(m_escape);
    channel->line().setPace(m_pace);
    channel->setGuardTime(m_guard);
    m_channel = std::move(channel);
    return *m_channel;
}

ModuleChannel &ModuleSession::reopen(const LineSettings &line)
{
    close();
    m_line = line;
    return open();
}

void ModuleSession::close() { m_channel.reset(); }

void ModuleSession::setSendListener(std::function<void(const QByteArray &command)> listener)
{
    m_sendListener = std::move(listener);
    if (m_channel)
        m_channel->setSendHandler(m_sendListener);
}

ModuleChannel &ModuleSession::channel()
{
    Q_ASSERT(m_channel);
    return *m_channel;
}

void ModuleSession::setEscapeCharacter(char c)
{
    m_escape = c;
    if (m_channel)
        m_channel->setEscapeCharacter(c);
}

void ModuleSession::setGuardTime(std::chrono::milliseconds guard)
{
    m_guard = guard;
    if (m_channel)
        m_channel->setGuardTime(guard);
}

void ModuleSession::setStopToken(std::stop_token token)
{
    m_stop = std::move(token);
    if (m_channel)
        m_channel->setStopToken(m_stop);
}
