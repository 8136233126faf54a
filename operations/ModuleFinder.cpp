#include "operations/ModuleFinder.h"

#include "comm/ModuleChannel.h"
#include "comm/SerialLine.h"

#include <QStringList>

#include <algorithm>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Beyond the guard time, how long an answer may take to arrive.
constexpr auto kAnswerMargin = 100ms;
constexpr int kReadSize = 64;
// A gap this long after a received byte ends one read of a reply.
constexpr unsigned kReadGapMs = 20;

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

// What came back to the quick "AT" at one setting.
enum class Heard {
    Nothing,   // silence: a wrong setting, or the module on-line (it echoes nothing there)
    Noise,     // bytes that are no answer: most likely the wrong rate or format
    Answer,    // an echo or a result code: the module is in command mode at this setting
};

Heard heardIn(const QByteArray &reply)
{
    if (reply.isEmpty())
        return Heard::Nothing;
    const bool answer = isOk(reply) || reply.contains("AT") || reply.contains("ERROR") || reply.contains("4\r");
    return answer ? Heard::Answer : Heard::Noise;
}

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

// The port open at one setting. Times follow the port layer's clock, and the line's
// stop token ends a read or wait under way.
class Attempt {
public:
    Attempt(SerialLine &line, std::stop_token stop) : m_line(line), m_stop(stop) {}

    bool stopped() const { return m_stop.stop_requested(); }
    Clock::time_point now() const { return m_line.port()->now(); }

    // Waits until `until`, false when stopped first.
    bool waitUntil(Clock::time_point until) const
    {
        for (auto left = until - now(); left > Clock::duration::zero(); left = until - now())
            if (!m_line.pause(std::chrono::ceil<std::chrono::milliseconds>(left)))
                return false;
        return !stopped();
    }

    // Writes, then collects what arrives until `done` holds or `deadline` passes.
    QByteArray exchange(const QByteArray &bytes, Clock::time_point deadline,
                        const std::function<bool(const QByteArray &)> &done) const
    {
        SerialPortLayer *port = m_line.port();
        QByteArray reply;
        port->purgeInput();
        if (!m_line.writeBytes(bytes))
            return reply;
        for (auto left = deadline - now(); left > Clock::duration::zero() && !stopped(); left = deadline - now()) {
            // Each read ends at the deadline at the latest, or soon after a byte.
            const auto ms = unsigned(std::chrono::ceil<std::chrono::milliseconds>(left).count());
            port->setTimeouts({kReadGapMs, 0, ms, 1, 10});
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

// How the search spends its time. Two things decide where a module is: a module in
// command mode answers a plain "AT" at its own setting at once, and a module on-line
// answers only the escape sequence, which costs a guard time of silence before and
// after it: a second or more per setting, against a tenth of a second for the "AT".
// Silence after the "AT" proves nothing (an on-line module is silent at its own
// setting too), so no setting goes without its escape for that; what the search
// saves is escapes that cannot be needed:
// - every setting gets its "AT" before the escapes of its round, so a module in
//   command mode is found without any escape wherever it is. The current setting and
//   the likely rates form the first round, so an on-line module at one of them is
//   woken at once; all the other settings form the second;
// - bytes that are no answer mean the line runs at another rate or format (a module
//   in command mode echoing what it cannot read); the escapes at those settings come
//   after all the others rather than never, since an on-line module passing data
//   from its radio link could also send bytes;
// - a setting that answered the "AT" without an identification is escaped first.
ModuleFinder::Result ModuleFinder::find(const LineSettings &current, std::stop_token stop,
                                        const ProgressCallback &progress) const
{
    using Outcome = Result::Outcome;
    const std::vector<LineSettings> order = searchOrder(current);
    const int steps = int(order.size()) * 2;
    int step = 0;
    // Any byte sent, at whatever rate, breaks the module's silence.
    std::optional<Clock::time_point> lastSent;
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
        line.setStopToken(stop);
        Attempt attempt(line, stop);
        const auto slack = kAnswerMargin + charTime(s, 12);
        if (probe(attempt, slack)) {
            const QByteArray reply =
                attempt.exchange("ATI\r", attempt.now() + charTime(s, 72) + slack,
                                 [](const QByteArray &r) { return r.contains("OK") || r.endsWith("0\r"); });
            lastSent = attempt.now();
            const QString identification = identificationIn(reply);
            if (!identification.isEmpty()) {
                result = {Outcome::Found, s, identification, {}};
                if (escaping) {
                    // Back on-line, as it was found.
                    attempt.exchange("ATO\r", attempt.now() + charTime(s, 12) + slack, isOk);
                    lastSent = attempt.now();
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

    // The quick "AT": identifies a module in command mode, and tells what came back.
    auto probeAt = [&](const LineSettings &s, Heard &heard) {
        return tryAt(s, false, [&](Attempt &attempt, Clock::duration slack) {
            const QByteArray reply = attempt.exchange("\rAT\r", attempt.now() + slack, isOk);
            lastSent = attempt.now();
            heard = heardIn(reply);
            return heard == Heard::Answer;
        });
    };
    // The escape, a guard time after the last byte sent; the wait for its answer is
    // the silence before the next one.
    auto escapeAt = [&](const LineSettings &s) {
        return tryAt(s, true, [&](Attempt &attempt, Clock::duration slack) {
            if (!attempt.waitUntil(lastSent.value_or(attempt.now()) + m_guard))
                return false;
            lastSent = attempt.now() + charTime(s, 3);
            const QByteArray reply = attempt.exchange(QByteArray(3, m_escape), attempt.now() + m_guard + slack, isOk);
            return isOk(reply);
        });
    };

    std::vector<const LineSettings *> noisy;
    const std::size_t firstRound = std::min(order.size(), 1 + std::size(kLikelyRates));
    for (const auto &[begin, end] : {std::pair{std::size_t(0), firstRound}, std::pair{firstRound, order.size()}}) {
        std::vector<const LineSettings *> answered, silent;
        for (std::size_t i = begin; i < end; ++i) {
            Heard heard = Heard::Nothing;
            if (probeAt(order[i], heard))
                return result;
            (heard == Heard::Answer ? answered : heard == Heard::Noise ? noisy : silent).push_back(&order[i]);
        }
        for (const auto *group : {&answered, &silent})
            for (const LineSettings *s : *group)
                if (escapeAt(*s))
                    return result;
    }
    for (const LineSettings *s : noisy)
        if (escapeAt(*s))
            return result;
    return result;
}
