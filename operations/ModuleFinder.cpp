#include "operations/ModuleFinder.h"

#include "comm/ModuleChannel.h"
#include "comm/SerialLine.h"

#include <QStringList>

#include <algorithm>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kSlice = 40ms;
// Beyond the guard time, how long an answer may take to arrive.
constexpr auto kAnswerMargin = 100ms;
constexpr int kReadSize = 64;

// The rates a module most likely talks at, most likely first.
constexpr int kLikelyRates[] = {9600, 19200, 115200, 57600, 38400};

// Time for `chars` characters at the setting's rate (10 bits each, rounded up).
std::chrono::milliseconds charTime(const LineSettings &s, int chars)
{
    const int rate = std::max(s.baudRate, 1);
    return std::chrono::milliseconds((chars * 11 * 1000 + rate - 1) / rate);
}

// A reply as characters: a module at seven data bits with parity arrives with the
// parity in bit 7.
QByteArray plain(const QByteArray &bytes)
{
    QByteArray out = bytes;
    for (char &c : out)
        c = char(c & 0x7f);
    return out;
}

bool isOk(const QByteArray &reply) { return reply.contains("OK") || reply.contains("0\r"); }

// An identification: a line that is neither the echo, nor a result code, nor noise.
QString identificationIn(const QByteArray &reply)
{
    QStringList lines;
    for (const QByteArray &raw : reply.split('\r')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line == "OK" || line == "0" || line.toUpper() == "ATI")
            continue;
        const bool printable = std::all_of(line.begin(), line.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
        if (!printable)
            return {};
        lines << QString::fromLatin1(line);
    }
    return lines.join(QLatin1Char(' '));
}

class Attempt {
public:
    Attempt(SerialLine &line, std::stop_token stop) : m_line(line), m_stop(stop) {}

    bool stopped() const { return m_stop.stop_requested(); }

    // Waits until `until`, false when stopped first.
    bool waitUntil(Clock::time_point until) const
    {
        while (Clock::now() < until) {
            if (stopped())
                return false;
            std::this_thread::sleep_for(std::min<Clock::duration>(kSlice, until - Clock::now()));
        }
        return !stopped();
    }

    // Writes, then collects what arrives until `done` holds or `deadline` passes.
    QByteArray exchange(const QByteArray &bytes, Clock::time_point deadline,
                        const std::function<bool(const QByteArray &)> &done) const
    {
        SerialPortLayer *port = m_line.port();
        QByteArray reply;
        if (!port)
            return reply;
        port->purgeInput();
        m_line.writeBytes(bytes);
        while (Clock::now() < deadline && !stopped()) {
            QByteArray piece;
            if (!m_line.readPiece(piece, kReadSize))
                break;
            reply += piece;
            if (done(plain(reply)))
                break;
        }
        return plain(reply);
    }

private:
    SerialLine &m_line;
    std::stop_token m_stop;
};

} // namespace

std::vector<LineSettings> ModuleFinder::frameFormats()
{
    // 8-N-1, 8-E-1, 8-O-1, 8-N-2, 7-E-1
    const auto format = [](int dataBits, Parity parity, int stopBits) {
        LineSettings s;
        s.dataBits = dataBits;
        s.parity = parity;
        s.stopBits = stopBits;
        return s;
    };
    return {format(8, Parity::None, 1), format(8, Parity::Even, 1), format(8, Parity::Odd, 1),
            format(8, Parity::None, 2), format(7, Parity::Even, 1)};
}

std::vector<LineSettings> ModuleFinder::searchOrder(const LineSettings &current)
{
    std::vector<int> rates(std::begin(kLikelyRates), std::end(kLikelyRates));
    for (const int r : kBaudRates)
        if (std::find(rates.begin(), rates.end(), r) == rates.end())
            rates.push_back(r);
    std::vector<LineSettings> order{current};
    for (const LineSettings &format : frameFormats())
        for (const int rate : rates) {
            LineSettings s = format;
            s.port = current.port;
            s.baudRate = rate;
            if (std::find(order.begin(), order.end(), s) == order.end())
                order.push_back(s);
        }
    return order;
}

ModuleFinder::ModuleFinder(std::chrono::milliseconds guard, char escape) : m_guard(guard), m_escape(escape) {}

ModuleFinder::Result ModuleFinder::find(const LineSettings &current, std::stop_token stop,
                                        const ProgressCallback &progress) const
{
    using Outcome = Result::Outcome;
    const std::vector<LineSettings> order = searchOrder(current);
    const int steps = int(order.size()) * 2;
    int step = 0;
    // Any byte sent, at whatever rate, breaks the module's silence.
    Clock::time_point lastSent = Clock::now();
    Result result{Outcome::NotFound, {}, {}, {}};

    // One try at one setting: probe() sends and judges; true ends the search.
    auto tryAt = [&](const LineSettings &s, bool escaping, auto &&probe) {
        if (progress)
            progress({++step, steps, s});
        if (stop.stop_requested()) {
            result = {Outcome::Cancelled, {}, {}, {}};
            return true;
        }
        SerialLine line;
        line.setLineSettings(s);
        try {
            line.open();
        } catch (const Exception &e) {
            result = {Outcome::PortError, s, {}, e.message()};
            return true;
        }
        Attempt attempt(line, stop);
        const auto slack = kAnswerMargin + charTime(s, 12);
        if (probe(attempt, slack)) {
            const QByteArray reply = attempt.exchange("ATI\r", Clock::now() + charTime(s, 72) + slack,
                                                      [](const QByteArray &r) { return r.contains("OK") || r.endsWith("0\r"); });
            lastSent = Clock::now();
            const QString identification = identificationIn(reply);
            if (!identification.isEmpty()) {
                result = {Outcome::Found, s, identification, {}};
                if (escaping) {
                    // Back on-line, as it was found.
                    attempt.exchange("ATO\r", Clock::now() + charTime(s, 12) + slack, isOk);
                    lastSent = Clock::now();
                    result.wasOnLine = true;
                }
                return true;
            }
        }
        if (attempt.stopped()) {
            result = {Outcome::Cancelled, {}, {}, {}};
            return true;
        }
        return false;
    };

    // A module in command mode answers a plain "AT" at once; the escape needs a
    // guard time of silence before it and after it. So the settings go in groups:
    // "AT" at each, one guard time, then the escapes back to back, the wait for one
    // escape's answer being the silence before the next.
    const std::size_t firstGroup = 1 + std::size(kLikelyRates);
    for (std::size_t begin = 0; begin < order.size();) {
        const std::size_t end = std::min(order.size(), begin == 0 ? firstGroup : begin + 12);
        for (std::size_t i = begin; i < end; ++i)
            if (tryAt(order[i], false, [&](Attempt &attempt, Clock::duration slack) {
                    const QByteArray reply = attempt.exchange("\rAT\r", Clock::now() + slack, isOk);
                    lastSent = Clock::now();
                    return isOk(reply);
                }))
                return result;
        for (std::size_t i = begin; i < end; ++i)
            if (tryAt(order[i], true, [&](Attempt &attempt, Clock::duration slack) {
                    if (!attempt.waitUntil(lastSent + m_guard))
                        return false;
                    // The wait for the answer is the silence before the next escape.
                    lastSent = Clock::now() + charTime(order[i], 3);
                    const QByteArray reply =
                        attempt.exchange(QByteArray(3, m_escape), Clock::now() + m_guard + slack, isOk);
                    return isOk(reply);
                }))
                return result;
        begin = end;
    }
    return result;
}
