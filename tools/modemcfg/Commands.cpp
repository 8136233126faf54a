#include "Commands.h"

#include "Configuration.h"
#include "JournalRecords.h"
#include "LineOptions.h"
#include "ModuleJobs.h"
#include "ProgressLine.h"

#include "comm/PortBindings.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <functional>

namespace {

// The options a command takes besides --help.
enum Option : unsigned {
    Port = 1,       // --port, once or more
    Line = 2,       // --baud, --format
    Product = 4,    // --product
    Json = 8,       // --json
    Output = 16,    // -o
    NoVerify = 32,  // --no-verify
    Yes = 64,       // --yes
    Escape = 128,   // --escape
    Timeout = 256,  // --timeout
    Lenient = 512,  // --lenient
};

// What every command that talks to a module takes.
constexpr unsigned kModuleOptions = Escape | Timeout;

struct CommandInfo {
    QString name;
    QString description;
    unsigned options;
    QStringList positional;  // name, description, syntax
};

const QList<CommandInfo> &commands()
{
    static const QList<CommandInfo> list{
        {QStringLiteral("read"), QStringLiteral("Reads the configuration of the module on each port."),
         Port | Line | Product | Json | Output | kModuleOptions, {}},
        {QStringLiteral("write"),
         QStringLiteral("Configures the module on each port from a .40B file, then reads it back and compares."),
         Port | Line | Product | Json | NoVerify | Lenient | kModuleOptions,
         {QStringLiteral("file"), QStringLiteral("The configuration file."), QStringLiteral("FILE.40B")}},
        {QStringLiteral("verify"),
         QStringLiteral("Reads the module on each port and compares it with a .40B file."),
         Port | Line | Product | Json | Lenient | kModuleOptions,
         {QStringLiteral("file"), QStringLiteral("The configuration file."), QStringLiteral("FILE.40B")}},
        {QStringLiteral("diff"),
         QStringLiteral("Prints the settings two configurations differ in; each is a .40B file or port:P, "
                        "a module read at port P."),
         Line | Product | Json | Lenient | kModuleOptions,
         {QStringLiteral("first"), QStringLiteral("A .40B file or port:P."), QStringLiteral("A"),
          QStringLiteral("second"), QStringLiteral("A .40B file or port:P."), QStringLiteral("B")}},
        {QStringLiteral("restore"),
         QStringLiteral("Restores the factory defaults of the module on each port, then reads it."),
         Port | Line | Product | Json | Yes | kModuleOptions, {}},
        {QStringLiteral("detect"),
         QStringLiteral("Finds the rate and frame format of the module on each port (without --port: on "
                        "every COM1..COM8 present)."),
         Port | Json | kModuleOptions, {}},
    };
    return list;
}

// What the options of a command gave.
struct Invocation {
    QString command;
    QStringList ports;
    std::vector<LineSettings> lines;   // one per port
    bool searchFirst = false;
    ProductVariant variant;
    bool json = false;
    QString output;
    bool verify = true;
    QString baud;
    QString format;
    ReplyPace pace = ReplyPace::FinalCode;
    QStringList operands;
    char escape = '+';
    int timeoutSeconds = 0;
    bool lenient = false;
};

class UsageError {
public:
    QString text;
};

Invocation parse(const CommandInfo &info, const QStringList &arguments, QTextStream &out, bool *helpShown)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(info.description);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addPositionalArgument(info.name, QStringLiteral("The command."), info.name);
    for (qsizetype i = 0; i + 2 < info.positional.size(); i += 3)
        parser.addPositionalArgument(info.positional[i], info.positional[i + 1], info.positional[i + 2]);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("COM1..COM8, a device path or rfc2217://host:port; repeat it for several "
                                                 "modules."),
                                  QStringLiteral("P"));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("The PC side's starting rate (default 9600), or auto to find it."),
                                  QStringLiteral("RATE"));
    const QCommandLineOption format(
        QStringLiteral("format"),
        QStringLiteral("The PC side's starting frame format: %1 (default N-8-1).")
            .arg(lineFormatNames().join(QStringLiteral(", "))),
        QStringLiteral("F"));
    const QCommandLineOption product(QStringLiteral("product"),
                                     QStringLiteral("The product: %1 (default 740R-B).")
                                         .arg(productNames().join(QStringLiteral(", "))),
                                     QStringLiteral("NAME"), QStringLiteral("740R-B"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("One JSON object per module."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Saves the configuration read, as File > Save does."),
                                    QStringLiteral("FILE.40B"));
    const QCommandLineOption pace(
        QStringLiteral("pace"),
        QStringLiteral("How replies end: final (at the module's final result code, default) or legacy "
                       "(after a silence, for firmware that needs it)."),
        QStringLiteral("PACE"));
    const QCommandLineOption noVerify(QStringLiteral("no-verify"), QStringLiteral("Skips the read-back."));
    const QCommandLineOption yes(QStringLiteral("yes"),
                                 QStringLiteral("Confirms that the module's settings are to be replaced."));
    const QCommandLineOption escape(QStringLiteral("escape"),
                                    QStringLiteral("The character of the module's escape sequence (default +), "
                                                   "as set in the window's Escape Character dialog."),
                                    QStringLiteral("CHAR"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("The longest a module's share may take, in seconds; then it "
                                                    "ends as an interruption would (status 3). Default: no limit."),
                                     QStringLiteral("SECONDS"));
    const QCommandLineOption lenient(QStringLiteral("lenient"),
                                     QStringLiteral("Reads a file as the window does: values out of range are "
                                                    "clamped, unknown or repeated keys ignored, each with a notice."));
    parser.addOption(help);
    const std::pair<Option, const QCommandLineOption *> table[] = {
        {Port, &port}, {Line, &baud}, {Line, &format}, {Line, &pace}, {Product, &product}, {Json, &json},
        {Output, &output}, {NoVerify, &noVerify}, {Yes, &yes}, {Escape, &escape}, {Timeout, &timeout},
        {Lenient, &lenient}};
    for (const auto &[flag, option] : table)
        if (info.options & flag)
            parser.addOption(*option);

    if (!parser.parse(QStringList{QStringLiteral("modemcfg")} + arguments))
        throw UsageError{parser.errorText()};
    if (parser.isSet(help)) {
        // The usage line as the command is typed, not as the parser sees it.
        QString text = parser.helpText();
        const QString usage = QStringLiteral("Usage: modemcfg %1 [options]").arg(info.name);
        QStringList syntax;
        for (qsizetype i = 2; i < info.positional.size(); i += 3)
            syntax << info.positional[i];
        text.replace(0, text.indexOf(QLatin1Char('\n')), (QStringList{usage} + syntax).join(QLatin1Char(' ')));
        out << text;
        *helpShown = true;
        return {};
    }
    const QStringList positional = parser.positionalArguments().mid(1);
    QStringList syntax;
    for (qsizetype i = 2; i < info.positional.size(); i += 3)
        syntax << info.positional[i];
    if (positional.size() != syntax.size())
        throw UsageError{syntax.isEmpty() ? QStringLiteral("unexpected argument %1.").arg(positional.value(0))
                                          : QStringLiteral("%1 takes %2.").arg(info.name, syntax.join(QLatin1Char(' ')))};

    // Only the command's own options may be asked for.
    const auto isSet = [&](Option flag, const QCommandLineOption &o) { return (info.options & flag) && parser.isSet(o); };
    const auto value = [&](Option flag, const QCommandLineOption &o) {
        return info.options & flag ? parser.value(o) : QString();
    };
    Invocation inv;
    inv.command = info.name;
    inv.operands = positional;
    inv.json = isSet(Json, json);
    inv.output = value(Output, output);
    inv.verify = !isSet(NoVerify, noVerify);
    inv.baud = value(Line, baud);
    inv.format = value(Line, format);
    inv.lenient = isSet(Lenient, lenient);
    if (isSet(Escape, escape)) {
        const QString c = parser.value(escape);
        if (c.size() != 1 || c[0].unicode() < 1 || c[0].unicode() > 255 || c[0] == QLatin1Char('\r'))
            throw UsageError{QStringLiteral("--escape %1: give one character, for example --escape '+'.").arg(c)};
        inv.escape = char(c[0].unicode());
    }
    if (isSet(Timeout, timeout)) {
        bool ok = false;
        inv.timeoutSeconds = parser.value(timeout).toInt(&ok);
        if (!ok || inv.timeoutSeconds < 1)
            throw UsageError{QStringLiteral("--timeout %1: give a whole number of seconds, 1 or more.")
                                 .arg(parser.value(timeout))};
    }
    QString paceError;
    const std::optional<ReplyPace> replyPace = paceFromOption(value(Line, pace), &paceError);
    if (!replyPace)
        throw UsageError{paceError};
    inv.pace = *replyPace;
    inv.variant = *productNamed(productNames().front());
    if (info.options & Product) {
        const std::optional<ProductVariant> variant = productNamed(parser.value(product));
        if (!variant)
            throw UsageError{QStringLiteral("--product %1: not one of %2.")
                                 .arg(parser.value(product), productNames().join(QStringLiteral(", ")))};
        inv.variant = *variant;
    }
    inv.searchFirst = inv.baud.compare(QStringLiteral("auto"), Qt::CaseInsensitive) == 0;
    if (inv.searchFirst)
        inv.baud.clear();
    if (inv.searchFirst && !inv.format.isEmpty())
        throw UsageError{QStringLiteral("--baud auto finds the format too: leave out --format.")};
    for (const QString &p : info.options & Port ? parser.values(port) : QStringList()) {
        QString error;
        const std::optional<LineSettings> line = lineSettingsFromOptions(p, inv.baud, inv.format, &error);
        if (!line)
            throw UsageError{error};
        for (const LineSettings &other : inv.lines)
            if (devicePathOf(other.port) == devicePathOf(line->port))
                throw UsageError{QStringLiteral("--port %1 is given twice.").arg(p)};
        inv.lines.push_back(*line);
        inv.ports << line->port;
    }
    if ((info.options & Port) && inv.ports.isEmpty() && info.name != QStringLiteral("detect"))
        throw UsageError{QStringLiteral("%1 needs --port.").arg(info.name)};
    if (!inv.output.isEmpty() && inv.ports.size() > 1)
        throw UsageError{QStringLiteral("-o saves one module's configuration: give one --port.")};
    if ((info.options & Yes) && !isSet(Yes, yes))
        throw UsageError{QStringLiteral("restore replaces the module's settings with the factory defaults: "
                                        "add --yes to go ahead.")};
    return inv;
}

// Runs `job` on every port of the invocation, side by side, under one progress line.
std::vector<ModuleReport> onEveryPort(const Invocation &inv, std::stop_token stop,
                                      const std::function<ModuleReport(const ModuleJob &, OperationObserver &)> &job)
{
    ProgressLine progress(inv.ports);
    std::vector<ModuleReport> reports = runSideBySide(int(inv.ports.size()), [&](int slot) {
        ConsoleObserver observer(progress, slot);
        return job(ModuleJob{inv.lines[std::size_t(slot)], inv.searchFirst, inv.variant, stop, inv.escape,
                             inv.timeoutSeconds, inv.pace},
                   observer);
    });
    progress.clear();
    return reports;
}

QString oneParagraph(QString text)
{
    return text.replace(QStringLiteral("\n\r"), QStringLiteral("\n"))
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\n'), QLatin1Char(' '))
        .simplified();
}

ExitStatus print(const std::vector<ModuleReport> &reports, const Invocation &inv, QTextStream &out,
                 QTextStream &err)
{
    ExitStatus status = ExitStatus::Done;
    for (const ModuleReport &r : reports) {
        for (const QString &notice : r.notices)
            err << r.port << ": " << oneParagraph(notice) << Qt::endl;
        // With "-o -" the configuration is the data on stdout; the report goes to stderr.
        QTextStream &report = inv.output == QStringLiteral("-") ? err : out;
        if (inv.json)
            report << QString::fromUtf8(reportJson(r, inv.command)) << Qt::endl;
        else
            report << reportText(r) << Qt::flush;
        status = worse(status, r.status);
    }
    return status;
}

std::optional<Configuration> loadFile(const Invocation &inv, const QString &path, QTextStream &out, QTextStream &err)
{
    QString error;
    std::optional<Configuration> configuration = loadConfiguration(path, inv.variant, &error, inv.lenient);
    if (!configuration) {
        // The list of values not taken stays one per line.
        QStringList lines = error.split(QLatin1Char('\n'));
        for (QString &line : lines)
            line = oneParagraph(line);
        err << "modemcfg: " << lines.join(QStringLiteral("\n  ")) << Qt::endl;
        if (inv.json)
            out << QString::fromUtf8(failureJson(inv.command, ExitStatus::BadFile, error)) << Qt::endl;
        return std::nullopt;
    }
    for (const QString &notice : configuration->notices)
        err << path << ": " << oneParagraph(notice) << Qt::endl;
    return configuration;
}

ExitStatus runRead(const Invocation &inv, QTextStream &out, QTextStream &err, std::stop_token stop)
{
    ModuleSettings held;
    std::vector<ModuleReport> reports = onEveryPort(inv, stop, [&](const ModuleJob &job, OperationObserver &o) {
        return readJob(job, o, inv.output.isEmpty() ? nullptr : &held);
    });
    if (!inv.output.isEmpty() && reports.front().status == ExitStatus::Done) {
        const QString error = saveConfiguration(configurationFrom(held), inv.output);
        if (error.isEmpty()) {
            reports.front().savedTo = inv.output;
        } else {
            reports.front().status = ExitStatus::BadFile;
            reports.front().message = error;
        }
    }
    recordReports(inv.command, reports, inv.variant, {}, err);
    return print(reports, inv, out, err);
}

ExitStatus runWrite(const Invocation &inv, QTextStream &out, QTextStream &err, std::stop_token stop)
{
    const std::optional<Configuration> configuration = loadFile(inv, inv.operands.front(), out, err);
    if (!configuration)
        return ExitStatus::BadFile;
    const bool writing = inv.command == QStringLiteral("write");
    const std::vector<ModuleReport> reports = onEveryPort(inv, stop, [&](const ModuleJob &job, OperationObserver &o) {
        return writing ? writeJob(job, *configuration, inv.verify, o) : verifyJob(job, *configuration, o);
    });
    recordReports(inv.command, reports, inv.variant, inv.operands.front(), err);
    return print(reports, inv, out, err);
}

ExitStatus runRestore(const Invocation &inv, QTextStream &out, QTextStream &err, std::stop_token stop)
{
    const std::vector<ModuleReport> reports =
        onEveryPort(inv, stop, [](const ModuleJob &job, OperationObserver &o) { return restoreJob(job, o); });
    recordReports(inv.command, reports, inv.variant, {}, err);
    return print(reports, inv, out, err);
}

ExitStatus runDetect(Invocation inv, QTextStream &out, QTextStream &err, std::stop_token stop)
{
    const bool everyPort = inv.ports.isEmpty();
    if (everyPort) {
        for (int slot = 0; slot < 8; ++slot) {
            const QString name = QStringLiteral("COM%1").arg(slot + 1);
            if (PortBindings::isPresent(devicePathOf(name))) {
                inv.ports << name;
                inv.lines.push_back(LineSettings{name});
            }
        }
        if (inv.ports.isEmpty()) {
            err << "modemcfg: none of COM1..COM8 is present." << Qt::endl;
            return ExitStatus::PortUnavailable;
        }
    }
    const std::vector<ModuleReport> reports =
        onEveryPort(inv, stop, [](const ModuleJob &job, OperationObserver &o) { return detectJob(job, o); });
    const ExitStatus status = print(reports, inv, out, err);
    if (!everyPort || status == ExitStatus::Interrupted)
        return status;
    // Scanning every port is looking for a module: one found is success, whatever the others did.
    for (const ModuleReport &r : reports)
        if (r.foundAt)
            return ExitStatus::Done;
    return ExitStatus::NoResponse;
}

// One side of a diff: a file, or the module at "port:P".
struct Side {
    QString name;
    std::optional<ModuleSettings> settings;
    ExitStatus status = ExitStatus::Done;
};

Side resolve(const Invocation &inv, const QString &operand, QTextStream &out, QTextStream &err, std::stop_token stop)
{
    Side side;
    side.name = operand;
    if (!operand.startsWith(QStringLiteral("port:"))) {
        if (const std::optional<Configuration> c = loadFile(inv, operand, out, err))
            side.settings = c->settings;
        else
            side.status = ExitStatus::BadFile;
        return side;
    }
    QString error;
    const std::optional<LineSettings> line = lineSettingsFromOptions(operand.mid(5), inv.baud, inv.format, &error);
    if (!line)
        throw UsageError{error};
    Invocation one = inv;
    one.ports = {line->port};
    one.lines = {*line};
    ModuleSettings held;
    const ModuleReport report =
        onEveryPort(one, stop, [&](const ModuleJob &job, OperationObserver &o) { return readJob(job, o, &held); })
            .front();
    recordReports(QStringLiteral("read"), {report}, inv.variant, {}, err);
    side.status = report.status;
    if (report.status == ExitStatus::Done)
        side.settings = held;
    else {
        err << "modemcfg: " << operand << ": " << resultName(report.status) << ". " << oneParagraph(report.message)
            << Qt::endl;
        if (inv.json)
            out << QString::fromUtf8(reportJson(report, inv.command)) << Qt::endl;
    }
    return side;
}

ExitStatus runDiff(const Invocation &inv, QTextStream &out, QTextStream &err, std::stop_token stop)
{
    const Side first = resolve(inv, inv.operands[0], out, err, stop);
    if (!first.settings)
        return first.status;
    const Side second = resolve(inv, inv.operands[1], out, err, stop);
    if (!second.settings)
        return second.status;
    ModuleReport report;
    report.first = first.name;
    report.second = second.name;
    report.differences = compareSettings(*first.settings, *second.settings, inv.variant.radioClass);
    report.compared = true;
    report.status = report.differences.empty() ? ExitStatus::Done : ExitStatus::Differences;
    if (inv.json) {
        out << QString::fromUtf8(reportJson(report, inv.command)) << Qt::endl;
        return report.status;
    }
    if (report.differences.empty())
        out << "No differences" << Qt::endl;
    for (const SettingDifference &d : report.differences)
        out << d.key << ' ' << d.label << ": " << d.first << " | " << d.second << Qt::endl;
    return report.status;
}

}  // namespace

QStringList moduleCommandNames()
{
    QStringList names;
    for (const CommandInfo &info : commands())
        names << info.name;
    return names;
}

ExitStatus runModuleCommand(const QStringList &arguments, QTextStream &out, QTextStream &err, std::stop_token stop)
{
    const QString name = arguments.value(0);
    for (const CommandInfo &info : commands()) {
        if (info.name != name)
            continue;
        try {
            bool helpShown = false;
            const Invocation inv = parse(info, arguments, out, &helpShown);
            if (helpShown)
                return ExitStatus::Done;
            if (name == QStringLiteral("read"))
                return runRead(inv, out, err, stop);
            if (name == QStringLiteral("write") || name == QStringLiteral("verify"))
                return runWrite(inv, out, err, stop);
            if (name == QStringLiteral("diff"))
                return runDiff(inv, out, err, stop);
            if (name == QStringLiteral("restore"))
                return runRestore(inv, out, err, stop);
            return runDetect(inv, out, err, stop);
        } catch (const UsageError &e) {
            err << "modemcfg " << name << ": " << e.text << Qt::endl
                << "Try 'modemcfg " << name << " --help'." << Qt::endl;
            if (arguments.contains(QStringLiteral("--json")))
                out << QString::fromUtf8(failureJson(name, ExitStatus::BadUsage, e.text)) << Qt::endl;
            return ExitStatus::BadUsage;
        }
    }
    err << "modemcfg: unknown command " << name << Qt::endl << "Try 'modemcfg --help'." << Qt::endl;
    if (arguments.contains(QStringLiteral("--json")))
        out << QString::fromUtf8(failureJson(name, ExitStatus::BadUsage, QStringLiteral("unknown command ") + name))
            << Qt::endl;
    return ExitStatus::BadUsage;
}
