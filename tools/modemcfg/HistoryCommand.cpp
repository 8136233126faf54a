#include "HistoryCommand.h"

#include "journal/Journal.h"
#include "journal/JournalLocation.h"

#include "settings/ConfigFile.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace {

class UsageError {
public:
    QString text;
};

QString timeText(const QDateTime &t) { return t.toUTC().toString(Qt::ISODateWithMs); }

QJsonObject entryJson(const JournalEntry &e)
{
    QJsonObject o{{QStringLiteral("id"), double(e.id)},
                  {QStringLiteral("time"), timeText(e.time)},
                  {QStringLiteral("host"), e.host},
                  {QStringLiteral("user"), e.user},
                  {QStringLiteral("product"), e.product},
                  {QStringLiteral("port"), e.port},
                  {QStringLiteral("device"), e.device},
                  {QStringLiteral("operation"), e.operation},
                  {QStringLiteral("identification"), e.identification},
                  {QStringLiteral("firmware"), e.firmware},
                  {QStringLiteral("result"), e.outcome},
                  {QStringLiteral("message"), e.message},
                  {QStringLiteral("seconds"), e.seconds}};
    if (!e.fileName.isEmpty()) {
        o.insert(QStringLiteral("file"), e.fileName);
        o.insert(QStringLiteral("sha256"), e.fileSha256);
    }
    if (e.systemAddress)
        o.insert(QStringLiteral("system"), *e.systemAddress);
    if (e.unitAddress)
        o.insert(QStringLiteral("unit"), *e.unitAddress);
    if (e.compared)
        o.insert(QStringLiteral("differences"), e.differences);
    if (!e.figures.isEmpty())
        o.insert(QStringLiteral("figures"), e.figures);
    if (!e.lineBefore.isEmpty())
        o.insert(QStringLiteral("before"), QString::fromLatin1(e.lineBefore));
    if (!e.lineAfter.isEmpty())
        o.insert(QStringLiteral("after"), QString::fromLatin1(e.lineAfter));
    return o;
}

QString csvField(QString text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString optionalNumber(const std::optional<int> &n) { return n ? QString::number(*n) : QString(); }

void printCsv(const JournalEntries &entries, QTextStream &out)
{
    out << "id,time,host,user,product,port,device,operation,identification,firmware,system,unit,result,message,"
           "seconds,file,sha256,differences\r\n";
    for (const JournalEntry &e : entries) {
        const QStringList fields{QString::number(e.id), timeText(e.time), e.host, e.user, e.product, e.port,
                                 e.device, e.operation, e.identification, e.firmware, optionalNumber(e.systemAddress),
                                 optionalNumber(e.unitAddress), e.outcome, e.message,
                                 QString::number(e.seconds, 'f', 3), e.fileName, e.fileSha256,
                                 e.compared ? QString::number(e.differences.size()) : QString()};
        QStringList quoted;
        for (const QString &f : fields)
            quoted << csvField(f);
        out << quoted.join(QLatin1Char(',')) << "\r\n";
    }
}

QString summaryLine(const JournalEntry &e)
{
    QStringList parts{QString::number(e.id), timeText(e.time), e.operation, e.port, e.outcome};
    if (!e.identification.isEmpty())
        parts << e.identification;
    if (e.systemAddress)
        parts << QStringLiteral("system %1").arg(*e.systemAddress);
    if (e.unitAddress)
        parts << QStringLiteral("unit %1").arg(*e.unitAddress);
    parts << QString::number(e.seconds, 'f', 1) + QStringLiteral(" s");
    return parts.join(QStringLiteral("  "));
}

void printDetails(const JournalEntry &e, QTextStream &out)
{
    const auto line = [&](const char *caption, const QString &value) {
        if (!value.isEmpty())
            out << caption << ": " << value << '\n';
    };
    line("Record", QString::number(e.id));
    line("Time", timeText(e.time));
    line("Operation", e.operation);
    line("Result", e.outcome);
    line("Message", e.message);
    line("Host", e.host);
    line("User", e.user);
    line("Product", e.product);
    line("Port", e.port);
    line("Device", e.device);
    line("Identification", e.identification);
    line("Firmware", e.firmware);
    line("File", e.fileName);
    line("SHA-256", e.fileSha256);
    line("Seconds", QString::number(e.seconds, 'f', 3));
    if (!e.figures.isEmpty())
        line("Figures", QString::fromUtf8(QJsonDocument(e.figures).toJson(QJsonDocument::Compact)));
    line("Before", QString::fromLatin1(e.lineBefore));
    line("After", QString::fromLatin1(e.lineAfter));
    if (e.compared) {
        out << "Differences: " << e.differences.size() << '\n';
        for (const QJsonValue &v : e.differences) {
            const QJsonObject d = v.toObject();
            out << "  " << d.value(QStringLiteral("setting")).toString() << ": expected "
                << d.value(QStringLiteral("expected")).toString() << ", module "
                << d.value(QStringLiteral("module")).toString() << '\n';
        }
    }
    out.flush();
}

ExitStatus show(const QStringList &operands, const QString &output, bool json, QTextStream &out, QTextStream &err)
{
    if (operands.size() != 1)
        throw UsageError{QStringLiteral("show takes one record number.")};
    bool ok = false;
    const qint64 id = operands.front().toLongLong(&ok);
    if (!ok || id <= 0)
        throw UsageError{QStringLiteral("%1 is not a record number.").arg(operands.front())};
    const Journal journal(journalPath(), Journal::Mode::Read);
    const std::optional<JournalEntry> e = journal.entry(id);
    if (!e) {
        err << "modemcfg history: " << journal.path() << " holds no record " << id << '.' << Qt::endl;
        return ExitStatus::BadUsage;
    }
    if (json)
        out << QString::fromUtf8(QJsonDocument(entryJson(*e)).toJson(QJsonDocument::Compact)) << Qt::endl;
    else
        printDetails(*e, out);
    if (output.isEmpty())
        return ExitStatus::Done;
    if (e->lineAfter.isEmpty()) {
        err << "modemcfg history: record " << id << " holds no configuration." << Qt::endl;
        return ExitStatus::BadFile;
    }
    try {
        ConfigFile().writeLine(e->lineAfter, output);
    } catch (const FileError &x) {
        err << "modemcfg history: " << x.message() << Qt::endl;
        return ExitStatus::BadFile;
    }
    err << "Saved record " << id << "'s configuration to " << output << '.' << Qt::endl;
    return ExitStatus::Done;
}

std::optional<int> addressOption(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    if (!parser.isSet(option))
        return std::nullopt;
    bool ok = false;
    const int n = parser.value(option).toInt(&ok);
    if (!ok || n < 0 || n > 255)
        throw UsageError{QStringLiteral("--%1 %2: not a number 0..255.").arg(option.names().front(), parser.value(option))};
    return n;
}

}  // namespace

std::optional<QDateTime> sinceOption(const QString &text)
{
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (date.isValid())
        return QDateTime(date, QTime(0, 0), Qt::UTC);
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid())
        return std::nullopt;
    if (time.timeSpec() == Qt::LocalTime)
        time.setTimeSpec(Qt::UTC);
    return time.toUTC();
}

ExitStatus runHistoryCommand(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the journal's records, oldest first; 'history show ID' shows one record and with -o brings its "
        "configuration back as a .40B file."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addPositionalArgument(QStringLiteral("history"), QStringLiteral("The command."), QStringLiteral("history"));
    parser.addPositionalArgument(QStringLiteral("show"), QStringLiteral("Shows record ID."), QStringLiteral("[show ID]"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Records of this port or device."),
                                  QStringLiteral("P"));
    const QCommandLineOption system(QStringLiteral("system"), QStringLiteral("Records of this system address."),
                                    QStringLiteral("N"));
    const QCommandLineOption unit(QStringLiteral("unit"), QStringLiteral("Records of this unit address."),
                                  QStringLiteral("N"));
    const QCommandLineOption since(QStringLiteral("since"),
                                   QStringLiteral("Records from this date (YYYY-MM-DD) or time on, UTC."),
                                   QStringLiteral("DATE"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("One JSON object per record."));
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("Comma-separated values with a header."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("show: saves the record's configuration."),
                                    QStringLiteral("FILE.40B"));
    parser.addOptions({help, port, system, unit, since, json, csv, output});
    try {
        if (!parser.parse(QStringList{QStringLiteral("modemcfg")} + arguments))
            throw UsageError{parser.errorText()};
        if (parser.isSet(help)) {
            QString text = parser.helpText();
            text.replace(0, text.indexOf(QLatin1Char('\n')),
                         QStringLiteral("Usage: modemcfg history [options]\n       modemcfg history show ID [-o FILE.40B]"));
            out << text;
            return ExitStatus::Done;
        }
        if (parser.isSet(json) && parser.isSet(csv))
            throw UsageError{QStringLiteral("give --json or --csv, not both.")};
        const QStringList operands = parser.positionalArguments().mid(1);
        if (!operands.isEmpty() && operands.front() == QStringLiteral("show"))
            return show(operands.mid(1), parser.value(output), parser.isSet(json), out, err);
        if (!operands.isEmpty())
            throw UsageError{QStringLiteral("unexpected argument %1.").arg(operands.front())};
        if (parser.isSet(output))
            throw UsageError{QStringLiteral("-o goes with 'history show ID'.")};
        JournalFilter filter;
        filter.port = parser.value(port);
        filter.systemAddress = addressOption(parser, system);
        filter.unitAddress = addressOption(parser, unit);
        if (parser.isSet(since)) {
            const std::optional<QDateTime> from = sinceOption(parser.value(since));
            if (!from)
                throw UsageError{QStringLiteral("--since %1: not a date (YYYY-MM-DD) or time.").arg(parser.value(since))};
            filter.since = *from;
        }
        const Journal journal(journalPath(), Journal::Mode::Read);
        const JournalEntries entries = journal.entries(filter);
        if (parser.isSet(csv)) {
            printCsv(entries, out);
        } else {
            for (const JournalEntry &e : entries)
                out << (parser.isSet(json) ? QString::fromUtf8(QJsonDocument(entryJson(e)).toJson(QJsonDocument::Compact))
                                           : summaryLine(e))
                    << '\n';
        }
        out.flush();
        return ExitStatus::Done;
    } catch (const UsageError &e) {
        err << "modemcfg history: " << e.text << Qt::endl << "Try 'modemcfg history --help'." << Qt::endl;
        return ExitStatus::BadUsage;
    } catch (const JournalError &e) {
        err << "modemcfg history: " << e.message() << Qt::endl;
        return ExitStatus::BadFile;
    }
}
