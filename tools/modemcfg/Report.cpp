#include "Report.h"

#include "operations/ModuleIdentity.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

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
        parts << QStringLiteral("at ") + r.foundAt->rateAndFormatText();
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

namespace {

QJsonValue textOrNull(const QString &text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); }

QJsonValue storedName(const ModuleReport &r)
{
    if (!r.changed || !r.changes.sent)
        return {};
    switch (r.changes.store) {
    case ModuleChanges::Store::NotSent: return QStringLiteral("nothing");
    case ModuleChanges::Store::Unanswered: return QStringLiteral("unknown");
    case ModuleChanges::Store::Acknowledged: return QStringLiteral("stored");
    }
    return {};
}

QJsonValue resetDone(const ModuleReport &r)
{
    if (!r.changed || r.changes.reset == ModuleChanges::Reset::NotNeeded)
        return {};
    return r.changes.reset == ModuleChanges::Reset::Done;
}

QJsonObject shape(const QString &command, ExitStatus status)
{
    QJsonObject o;
    for (const char *key : {"port", "message", "identification", "firmware", "seconds", "baud", "format", "commands",
                            "differences", "refused", "notices", "file", "stored", "reset", "escape", "first",
                            "second"})
        o[QLatin1String(key)] = QJsonValue();
    o[QStringLiteral("schema")] = kReportSchemaVersion;
    o[QStringLiteral("command")] = command;
    o[QStringLiteral("result")] = resultName(status);
    o[QStringLiteral("status")] = int(status);
    return o;
}

}  // namespace

QByteArray failureJson(const QString &command, ExitStatus status, const QString &message)
{
    QJsonObject o = shape(command, status);
    o[QStringLiteral("message")] = textOrNull(message);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray reportJson(const ModuleReport &r, const QString &command)
{
    QJsonObject o = shape(command, r.status);
    o[QStringLiteral("port")] = textOrNull(r.port);
    o[QStringLiteral("message")] = textOrNull(r.message);
    o[QStringLiteral("identification")] = textOrNull(r.identification);
    o[QStringLiteral("firmware")] = textOrNull(firmwareText(r.identification));
    if (!r.port.isEmpty())
        o[QStringLiteral("seconds")] = std::round(r.seconds * 1000) / 1000;
    if (r.foundAt) {
        o[QStringLiteral("baud")] = r.foundAt->baudRate;
        o[QStringLiteral("format")] = r.foundAt->formatText();
    }
    if (r.commands) {
        QJsonArray commands;
        for (const QByteArray &c : *r.commands)
            commands.append(QString::fromLatin1(c));
        o[QStringLiteral("commands")] = commands;
    }
    if (!r.differences.empty()) {
        QJsonArray differences;
        for (const SettingDifference &d : r.differences)
            differences.append(QJsonObject{{QStringLiteral("key"), d.key},
                                           {QStringLiteral("setting"), d.label},
                                           {QStringLiteral("first"), d.first},
                                           {QStringLiteral("second"), d.second}});
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
    o[QStringLiteral("file")] = textOrNull(r.savedTo);
    o[QStringLiteral("stored")] = storedName(r);
    o[QStringLiteral("reset")] = resetDone(r);
    if (r.escape)
        o[QStringLiteral("escape")] = QString(*r.escape);
    o[QStringLiteral("first")] = textOrNull(r.first);
    o[QStringLiteral("second")] = textOrNull(r.second);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}
