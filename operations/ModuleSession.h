#pragma once

#include "comm/LineSettings.h"
#include "comm/ModuleChannel.h"
#include "comm/SerialPortLayer.h"

#include <QByteArray>

#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>

// Everything of one module on one line: the line settings the PC side talks at,
// the channel while the line is open, the module's escape character and its last
// reply. One session per module; sessions share nothing, so operations on several
// modules run side by side. Used by one thread at a time.
class ModuleSession {
public:
    // `makeLayer` gives the port layer each opening drives (tests hand in a double);
    // empty: the system's layer.
    explicit ModuleSession(LineSettings line, PortLayerFactory makeLayer = {});
    ~ModuleSession();
    ModuleSession(const ModuleSession &) = delete;
    ModuleSession &operator=(const ModuleSession &) = delete;

    const LineSettings &lineSettings() const { return m_line; }
    // Takes effect at the next open().
    void setLineSettings(const LineSettings &line) { m_line = line; }
    // Opens the line at the current settings (closing it first if open). Raises the
    // port's errors; on failure the line stays closed.
    ModuleChannel &open();
    // The PC side follows the module: closes the line and opens it at `line`.
    ModuleChannel &reopen(const LineSettings &line);
    void close();
    bool isOpen() const { return m_channel != nullptr; }
    // The open channel; open() first.
    ModuleChannel &channel();

    // "+" until the module is told otherwise (S2).
    char escapeCharacter() const { return m_escape; }
    void setEscapeCharacter(char c);

    // The module's escape guard time (S1); the factory 1000 ms until told otherwise.
    std::chrono::milliseconds guardTime() const { return m_guard; }
    void setGuardTime(std::chrono::milliseconds guard);

    // How the module's replies end; the final result code unless set. Takes effect
    // at the next open().
    ReplyPace pace() const { return m_pace; }
    void setPace(ReplyPace pace) { m_pace = pace; }

    // The reply of the latest exchange on any channel of this session.
    const QByteArray &lastReply() const { return m_lastReply; }
    // Receives every reply, on the thread of the exchange; may be empty.
    void setReplyListener(std::function<void(const QByteArray &reply)> listener) { m_listener = std::move(listener); }
    // Receives every command sent, on the thread of the exchange; may be empty.
    void setSendListener(std::function<void(const QByteArray &command)> listener);
    // Exchanges on this session end with ExchangeCancelled once `token` asks to stop.
    void setStopToken(std::stop_token token);
    const std::stop_token &stopToken() const { return m_stop; }

private:
    LineSettings m_line;
    PortLayerFactory m_makeLayer;
    std::unique_ptr<ModuleChannel> m_channel;
    char m_escape = '+';
    ReplyPace m_pace = ReplyPace::FinalCode;
    std::chrono::milliseconds m_guard{1000};
    QByteArray m_lastReply;
    std::function<void(const QByteArray &)> m_listener;
    std::function<void(const QByteArray &)> m_sendListener;
    std::stop_token m_stop;
};
