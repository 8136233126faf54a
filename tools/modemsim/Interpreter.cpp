#include "Interpreter.h"

#include <cctype>

namespace modemsim {

namespace {

char upper(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool startsWithAt(const std::string &s, std::size_t pos)
{
    return pos + 1 < s.size() && upper(s[pos]) == 'A' && upper(s[pos + 1]) == 'T';
}

// Reads up to five digits at pos; -1 when there are none, -2 when there are too many.
int readNumber(const std::string &s, std::size_t &pos)
{
    std::size_t start = pos;
    while (pos < s.size() && isDigit(s[pos]))
        ++pos;
    if (pos == start)
        return -1;
    if (pos - start > 5)
        return -2;
    return std::stoi(s.substr(start, pos - start));
}

std::string toUpper(std::string s)
{
    for (char &c : s)
        c = upper(c);
    return s;
}

} // namespace

Interpreter::Interpreter(Identity identity, std::vector<std::string> rejectPrefixes, std::set<std::string> omitKeys)
    : m_identity(std::move(identity))
    , m_omit(std::move(omitKeys))
{
    for (auto &p : rejectPrefixes)
        m_reject.push_back(toUpper(p));
}

bool Interpreter::rejected(const std::string &token) const
{
    const std::string withAt = "AT" + toUpper(token);
    for (const auto &p : m_reject) {
        if (withAt.rfind(p, 0) == 0 || (p.rfind("AT", 0) != 0 && toUpper(token).rfind(p, 0) == 0))
            return true;
    }
    return false;
}

std::string Interpreter::resultCode(const Settings &s, bool error)
{
    if (s.get(Setting::Q) != 0)
        return {};
    if (s.get(Setting::V) == 0)
        return error ? "4\r" : "0\r";
    return error ? "\r\nERROR\r\n" : "\r\nOK\r\n";
}

LineOutcome Interpreter::execute(const std::string &line, Settings &current, Settings &stored) const
{
    LineOutcome out;
    std::size_t pos = 0;
    while (pos < line.size() && line[pos] == ' ')
        ++pos;
    if (pos == line.size())
        return out; // a bare carriage return is answered with OK
    if (!startsWithAt(line, pos)) {
        out.error = true;
        return out;
    }

    auto fail = [&out]() -> LineOutcome & {
        out.error = true;
        return out;
    };

    while (pos < line.size()) {
        if (line[pos] == ' ') {
            ++pos;
            continue;
        }
        if (startsWithAt(line, pos)) { // "AT" may recur: "ATC13AT&B2AT&WATZ"
            pos += 2;
            continue;
        }
        const std::size_t start = pos;
        std::string name(1, upper(line[pos++]));
        if ((name == "&" || name == "\\") && pos < line.size())
            name += upper(line[pos++]);

        if (name == "S") {
            int reg = readNumber(line, pos);
            if (reg < 0 || pos >= line.size())
                return fail();
            const char op = line[pos++];
            auto s = settingByCommand("S" + std::to_string(reg) + "=");
            if (!s || rejected(line.substr(start, pos - start)))
                return fail();
            if (op == '?') {
                out.info += "\r\n" + std::to_string(current.get(*s)) + "\r\n";
                continue;
            }
            int value = op == '=' ? readNumber(line, pos) : -1;
            if (rejected(line.substr(start, pos - start)) || value < 0 || !settingInfo(*s).writable
                || !acceptsValue(*s, value))
                return fail();
            current.set(*s, value);
            continue;
        }

        if (name == "&Z") {
            if (pos + 1 >= line.size() || !isDigit(line[pos]) || line[pos] > '3' || line[pos + 1] != '=')
                return fail();
            const auto n = static_cast<std::size_t>(line[pos] - '0');
            pos += 2;
            std::size_t routeStart = pos;
            while (pos < line.size() && (isDigit(line[pos]) || line[pos] == ','))
                ++pos;
            std::string route = line.substr(routeStart, pos - routeStart);
            if (rejected(line.substr(start, pos - start)) || !validRoute(route))
                return fail();
            current.routes[n] = route;
            continue;
        }

        int value = readNumber(line, pos);
        if (value == -2)
            return fail();
        const bool hasValue = value >= 0;
        if (!hasValue)
            value = 0; // "ATE" means "ATE0"
        if (rejected(line.substr(start, pos - start)))
            return fail();

        if (auto s = settingByCommand(name); s && settingInfo(*s).writable) {
            if (!acceptsValue(*s, value))
                return fail();
            current.set(*s, value);
        } else if (name == "&W" && value == 0) {
            stored = current;
            out.stored = true;
        } else if (name == "&F" && value == 0) {
            current = Settings::factory();
        } else if (name == "&V" && value == 0) {
            out.info += "\r\n" + current.listing(m_omit);
        } else if (name == "I") {
            out.info += "\r\n" + m_identity.model + " V" + m_identity.firmware + "\r\n";
        } else if (name == "&T" && value <= 3) {
            out.info += "\r\n0" + std::to_string(value) + "\r\n";
            out.test = value;
        } else if (name == "O" && value == 0) {
            out.online = true;
            return out;
        } else if (name == "Z" && value == 0) {
            out.reset = true;
            return out;
        } else {
            return fail();
        }
    }
    return out;
}

} // namespace modemsim
