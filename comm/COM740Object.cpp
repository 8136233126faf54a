#include "comm/COM740Object.h"

#include <chrono>
#include <thread>

std::atomic<char> EscapeChar{'+'};

QByteArray EscapeSequence() { return QByteArray(3, EscapeChar.load()); }

EWriteCommError EWriteCommError::badReply()
{
    return EWriteCommError(QStringLiteral("Error communicating with 740R-B. The module did not respond correctly."));
}

EWriteCommError EWriteCommError::cannotWake()
{
    return EWriteCommError(QStringLiteral("Error communicating with 740R-B. Unable to wake modem."));
}

namespace {
// The wake-up treats "0\r" anywhere as the numeric answer, a looser test than SendCommand's.
bool answered(const QByteArray &reply) { return reply.contains("OK") || reply.contains("0\r"); }
constexpr auto kFlushSettle = std::chrono::milliseconds(100);
} // namespace

TCOM740Object::TCOM740Object(const PortSettings &settings) : TCOM740Object(settings, nullptr) {}

TCOM740Object::TCOM740Object(const PortSettings &settings, std::unique_ptr<SerialPortLayer> layer)
    : m_port(std::move(layer))
{
    m_port.PortIndex = settings.ComPort;
    m_port.BaudIndex = settings.Baud;
    m_port.Parity = settings.Parity;
    m_port.DataBitsIndex = quint8(settings.DataBits + 3);
    m_port.StopBits = settings.StopBits == 0 ? 0 : 2;
    m_port.SetReceiveHandler([this](const QByteArray &text, quint16 length) { receive(text, length); });
    m_port.Open();
}

TCOM740Object::~TCOM740Object() { m_port.Close(); }

void TCOM740Object::SetReceiveHandler(ReceiveHandler listener) { Listener = std::move(listener); }

bool TCOM740Object::exchange(const QByteArray &command, const QByteArray &expected, unsigned T)
{
    m_replied = false;
    m_port.Transact(command, expected, T);
    return m_replied;
}

void TCOM740Object::receive(const QByteArray &text, quint16 length)
{
    m_replied = true;
    m_lastReply = text;
    if (Listener)
        Listener(text, length);
}

bool TCOM740Object::SendCommand(const QByteArray &command, const QByteArray &expected, unsigned T)
{
    // A command that never went out is not answered by the previous exchange's reply.
    if (!exchange(command, expected, T))
        throw EWriteCommError::badReply();
    if (m_lastReply.contains("\r0\r") || m_lastReply == "0\r")
        return false;
    if (!m_lastReply.isEmpty() && m_lastReply.contains(expected))
        return true;
    throw EWriteCommError::badReply();
}

void TCOM740Object::Send(const QByteArray &command, const QByteArray &expected, unsigned T)
{
    // Callers that cannot judge the reply (a quiet module) still rely on the write.
    if (!exchange(command, expected, T))
        throw EWriteCommError::badReply();
}

void TCOM740Object::WakeModem()
{
    try {
        SendCommand("\r", "OK", 50);
        return;
    } catch (const ExchangeCancelled &) {
        throw;
    } catch (const Exception &) {
        // no or wrong answer, or no CTS: try the escape sequence
    }
    // Only a reply to this very attempt counts, not one left from before a failed write.
    if (exchange(EscapeSequence(), "OK", 50) && answered(m_lastReply))
        return;
    if (exchange(EscapeSequence(), "OK", 50) && answered(m_lastReply))
        return;
    if (!(exchange("\r", "OK", 10) && answered(m_lastReply)))
        throw EWriteCommError::cannotWake();
}

void TCOM740Object::FlushLine()
{
    Send("\r", QByteArray(), 5);
    std::this_thread::sleep_for(kFlushSettle);
    m_port.Purge();
}

bool TCOM740Object::Poll() { return m_port.Poll(); }
