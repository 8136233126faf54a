#include "Report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

QString resultName(ExitStatus status)
{
    switch (status) {
    case ExitStatus::Done: return QStringLiteral("done");
    case ExitStatus::BadUsage: return QStringLiteral("bad usage");
    case ExitStatus::PortUnavailable: return QStringLiteral("port unavailable");
    case ExitStatus::NoResponse: return QStringLiteral("no response");
    case ExitStatus::Refused: return QStringLiteral("refused");
    case ExitStatus::Differences: return QStringLiteral("differences");
    case ExitStatus::BadFile: return QStringLiteral("bad file");
    case ExitStatus::Interrupted: return QStringLiteral("interrupted");
    }
    return QString::number(int(status));
}

QString commandKey(const QByteArray &command)
{
    // The longest template prefix the command starts with ("ATS1=" is no prefix of "ATS14=5").
    QByteArray best;
    for (const QByteArray &prefix : commandTemplate())
        if (command.startsWith(prefix) && prefix.size() > best.size())
            best = prefix;
    QByteArray key = best.mid(2);
    if (key.endsWith('='))
        key.chop(1);
    return QString::fromLatin1(key);
}

QString settingLabel(const QString &key)
{
    if (key.startsWith(QStringLiteral("&Z")) && key.size() == 3)
        return QStringLiteral("Destination Address %1").arg(key.at(2).digitValue() + 1);
    QStringList labels;
    for (int f = 0; f < kFieldCount; ++f)
        if (moduleKey(Field(f)) == key.toLatin1())
            labels << fieldLabel(Field(f));
    if (key == QStringLiteral("&M") && labels.isEmpty())
        return QStringLiteral("Operating Mode");
    return labels.isEmpty() ? key : labels.join(QStringLiteral(", "));
}

QString reportText(const ModuleReport &r)
{
    QStringList parts{resultName(r.status)};
    if (r.foundAt)
        parts << QStringLiteral("at ") + r.foundAt->formatText();
    if (!r.identification.isEmpty())
        parts << r.identification;
    if (!r.savedTo.isEmpty())
        parts << QStringLiteral("saved to ") + r.savedTo;
    parts << QString::number(r.seconds, 'f', 1) + QStringLiteral(" s");
    QString text = r.port + QStringLiteral(": ") + parts.join(QStringLiteral(", ")) + QLatin1Char('\n');
    if (!r.message.isEmpty())
        text += QStringLiteral("  ") +
                QString(r.message).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(
                    QLatin1Char('\n'), QStringLiteral("\n  ")) +
                QLatin1Char('\n');
    if (!r.refusedCommand.isEmpty()) {
        const QString key = commandKey(r.refusedCommand);
        text += QStringLiteral("  refused: %1 %2 (\"%3\")\n")
                    .arg(key, settingLabel(key), QString::fromLatin1(r.refusedCommand));
    }
    for (const SettingDifference &d : r.differences)
        text += QStringLiteral("  %1 %2: expected %3, module %4\n").arg(d.key, d.label, d.first, d.second);
    return text;
}

QByteArray reportJson(const ModuleReport &r)
{
    QJsonObject o;
    o[QStringLiteral("port")] = r.port;
    o[QStringLiteral("result")] = resultName(r.status);
    o[QStringLiteral("status")] = int(r.status);
    if (!r.message.isEmpty())
        o[QStringLiteral("message")] = r.message;
    o[QStringLiteral("identification")] = r.identification;
    o[QStringLiteral("firmware")] = r.firmware;
    o[QStringLiteral("seconds")] = std::round(r.seconds * 1000) / 1000;
    if (r.foundAt) {
        o[QStringLiteral("baud")] = r.foundAt->baudRate;
        o[QStringLiteral("format")] = r.foundAt->formatText().section(QLatin1Char(' '), 1);
    }
    if (r.commands) {
        QJsonArray commands;
        for (const QByteArray &c : *r.commands)
            commands.append(QString::fromLatin1(c));
        o[QStringLiteral("commands")] = commands;
    }
    if (r.compared) {
        QJsonArray differences;
        for (const SettingDifference &d : r.differences)
            differences.append(QJsonObject{{QStringLiteral("key"), d.key},
                                           {QStringLiteral("setting"), d.label},
                                           {QStringLiteral("expected"), d.first},
                                           {QStringLiteral("module"), d.second}});
        o[QStringLiteral("differences")] = differences;
    }
    if (!r.refusedCommand.isEmpty()) {
        const QString key = commandKey(r.refusedCommand);
        o[QStringLiteral("refused")] = QJsonObject{{QStringLiteral("key"), key},
                                                   {QStringLiteral("setting"), settingLabel(key)},
                                                   {QStringLiteral("command"), QString::fromLatin1(r.refusedCommand)}};
    }
    if (!r.notices.isEmpty())
        o[QStringLiteral("notices")] = QJsonArray::fromStringList(r.notices);
    if (!r.savedTo.isEmpty())
        o[QStringLiteral("file")] = r.savedTo;
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}
