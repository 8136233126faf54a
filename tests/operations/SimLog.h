// Reads the --log record of modem-sim: "<seconds> <KIND> \"<escaped bytes>\"" per line.
#pragma once

#include <QByteArray>
#include <QList>

#include <sstream>
#include <string>

struct SimEvent {
    double time = 0;
    QByteArray kind;   // RX (a command line or an escape sequence), TX, EC (echo), IG, LOST
    QByteArray bytes;
};

inline QByteArray unescapeSimBytes(const std::string &s)
{
    QByteArray out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        switch (c) {
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        default:
            if (c >= '0' && c <= '7' && i + 2 < s.size()) {
                out += static_cast<char>(std::stoi(s.substr(i, 3), nullptr, 8));
                i += 2;
            } else {
                out += c;
            }
        }
    }
    return out;
}

inline QList<SimEvent> parseSimLog(const std::string &text)
{
    QList<SimEvent> events;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const auto sp1 = line.find(' ');
        const auto sp2 = line.find(' ', sp1 + 1);
        const auto q1 = line.find('"', sp2);
        const auto q2 = line.rfind('"');
        if (sp1 == std::string::npos || sp2 == std::string::npos || q1 == std::string::npos || q2 <= q1)
            continue;
        SimEvent e;
        e.time = std::stod(line.substr(0, sp1));
        e.kind = QByteArray::fromStdString(line.substr(sp1 + 1, sp2 - sp1 - 1));
        e.bytes = unescapeSimBytes(line.substr(q1 + 1, q2 - q1 - 1));
        events << e;
    }
    return events;
}

// What the module received, in order: command lines with their carriage return,
// and escape sequences.
inline QList<QByteArray> simReceived(const std::string &text)
{
    QList<QByteArray> rx;
    for (const SimEvent &e : parseSimLog(text))
        if (e.kind == "RX")
            rx << e.bytes;
    return rx;
}

inline int simCount(const std::string &text, const char *kind)
{
    int n = 0;
    for (const SimEvent &e : parseSimLog(text))
        n += e.kind == kind ? 1 : 0;
    return n;
}
