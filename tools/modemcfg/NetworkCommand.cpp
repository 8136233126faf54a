#include "NetworkCommand.h"

#include "ExitStatus.h"
#include "LineOptions.h"
#include "ModuleJobs.h"
#include "NetworkApply.h"
#include "ProgressLine.h"

#include "comm/Exception.h"
#include "network/NetworkChecks.h"
#include "network/NetworkDrawing.h"
#include "network/NetworkPlan.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTextStream>

namespace {

const char kNetworkUsage[] =
    "Usage: modemcfg network check FILES...|PLAN [--json] [--svg FILE] [--dot FILE] [--product NAME]\n"
    "       modemcfg network apply PLAN [--force] [--json]\n"
    "Checks the radios of a network together, draws it, and writes and verifies every member of a plan.\n"
    "\n"
    "check  FILES are .40B files, folders of them, or port:P for a module read live;\n"
    "       PLAN is a network plan (.json). Exit status 8 when the check finds errors.\n"
    "apply  writes and verifies every member of PLAN on its port at once; refuses a plan\n"
    "       whose check finds errors unless --force is given.\n";

struct Failure {
    int status;
    QString text;
};

bool isPlan(const QStringList &operands)
{
    return operands.size() == 1 && operands.front().endsWith(QStringLiteral(".json"), Qt::CaseInsensitive);
}

QJsonArray findingsJson(const std::vector<NetworkFinding> &findings)
{
    QJsonArray list;
    for (const NetworkFinding &f : findings)
        list.append(QJsonObject{{QStringLiteral("severity"), severityName(f.severity)},
                                {QStringLiteral("rule"), f.rule},
                                {QStringLiteral("members"), QJsonArray::fromStringList(f.members)},
                                {QStringLiteral("message"), f.message}});
    return list;
}

QString findingText(const NetworkFinding &f)
{
    return QStringLiteral("%1 %2: %3").arg(severityName(f.severity), f.rule, f.message);
}

// "1 error, 2 warnings, 0 information"
QString counts(const std::vector<NetworkFinding> &findings)
{
    int n[3] = {0, 0, 0};
    for (const NetworkFinding &f : findings)
        ++n[int(f.severity)];
    return QStringLiteral("%1 error%2, %3 warning%4, %5 information")
        .arg(n[0])
        .arg(n[0] == 1 ? QString() : QStringLiteral("s"))
        .arg(n[1])
        .arg(n[1] == 1 ? QString() : QStringLiteral("s"))
        .arg(n[2]);
}

void save(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Failure{int(ExitStatus::BadFile), QStringLiteral("%1: %2").arg(path, file.errorString())};
}

// The modules named "port:P", read side by side, as members named by their port.
std::vector<NetworkMember> readLive(const QStringList &ports, const QString &productName, QTextStream &err,
                                    std::stop_token stop)
{
    std::vector<ModuleJob> jobs;
    const ProductVariant variant = productVariantNamed(productName);
    for (const QString &port : ports) {
        QString error;
        const std::optional<LineSettings> line = lineSettingsFromOptions(port, {}, {}, &error);
        if (!line)
            throw Failure{int(ExitStatus::BadUsage), error};
        jobs.push_back(ModuleJob{*line, false, variant, stop});
    }
    std::vector<ModuleSettings> held(ports.size());
    ProgressLine progress(ports);
    const std::vector<ModuleReport> reports = runSideBySide(int(ports.size()), [&](int slot) {
        ConsoleObserver observer(progress, slot);
        return readJob(jobs[std::size_t(slot)], observer, &held[std::size_t(slot)]);
    });
    progress.clear();
    ExitStatus status = ExitStatus::Done;
    std::vector<NetworkMember> members;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        if (reports[i].status != ExitStatus::Done) {
            err << "modemcfg network check: port:" << ports[int(i)] << ": " << resultName(reports[i].status) << ". "
                << reports[i].message << Qt::endl;
            status = worse(status, reports[i].status);
            continue;
        }
        NetworkMember m;
        m.name = ports[int(i)];
        m.settings = held[i];
        m.variant = variant;
        m.productName = productName;
        m.source = QStringLiteral("port:") + ports[int(i)];
        m.port = ports[int(i)];
        members.push_back(std::move(m));
    }
    if (status != ExitStatus::Done)
        throw Failure{int(status), QStringLiteral("a module could not be read; nothing was checked.")};
    return members;
}

Network networkOf(const QStringList &operands, const QString &productName, QTextStream &err, std::stop_token stop)
{
    if (isPlan(operands))
        return loadNetworkPlan(operands.front()).network;
    QStringList files;
    QStringList ports;
    for (const QString &operand : operands)
        (operand.startsWith(QStringLiteral("port:")) ? ports : files)
            << (operand.startsWith(QStringLiteral("port:")) ? operand.mid(5) : operand);
    Network network;
    if (!files.isEmpty())
        network = networkFromFiles(files, productName);
    for (NetworkMember &m : readLive(ports, productName, err, stop))
        network.members.push_back(std::move(m));
    return network;
}

int runCheck(const QCommandLineParser &parser, const QStringList &operands, QTextStream &out, QTextStream &err,
             std::stop_token stop)
{
    if (operands.isEmpty())
        throw Failure{int(ExitStatus::BadUsage), QStringLiteral("check takes FILES...|PLAN.")};
    if (operands.size() > 1 && std::any_of(operands.begin(), operands.end(), [](const QString &o) {
            return o.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive);
        }))
        throw Failure{int(ExitStatus::BadUsage), QStringLiteral("a plan is checked alone: give one PLAN or .40B files.")};
    const Network network = networkOf(operands, parser.value(QStringLiteral("product")), err, stop);
    for (const NetworkMember &m : network.members)
        for (const QString &notice : m.notices)
            err << m.name << ": " << QString(notice).replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified()
                << Qt::endl;
    const std::vector<NetworkFinding> findings = checkNetwork(network);
    const NetworkDrawing drawing = drawNetwork(network, findings);
    if (parser.isSet(QStringLiteral("svg")))
        save(parser.value(QStringLiteral("svg")), networkSvg(drawing));
    if (parser.isSet(QStringLiteral("dot")))
        save(parser.value(QStringLiteral("dot")), networkDot(drawing));

    const int status = hasErrors(findings) ? kNetworkErrorsStatus : int(ExitStatus::Done);
    if (parser.isSet(QStringLiteral("json"))) {
        QStringList names;
        for (const NetworkMember &m : network.members)
            names << m.name;
        const QJsonObject o{{QStringLiteral("members"), QJsonArray::fromStringList(names)},
                            {QStringLiteral("findings"), findingsJson(findings)},
                            {QStringLiteral("status"), status}};
        out << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) << Qt::endl;
        return status;
    }
    for (const NetworkFinding &f : findings)
        out << findingText(f) << Qt::endl;
    out << network.members.size() << (network.members.size() == 1 ? " member: " : " members: ") << counts(findings)
        << '.' << Qt::endl;
    return status;
}

int runApply(const QCommandLineParser &parser, const QStringList &operands, QTextStream &out, QTextStream &err,
             std::stop_token stop)
{
    if (!isPlan(operands))
        throw Failure{int(ExitStatus::BadUsage), QStringLiteral("apply takes one PLAN (a .json network plan).")};
    const bool json = parser.isSet(QStringLiteral("json"));
    const NetworkPlan plan = loadNetworkPlan(operands.front());
    const std::vector<NetworkFinding> findings = checkNetwork(plan.network);
    for (const NetworkFinding &f : findings)
        err << "modemcfg network apply: " << findingText(f) << Qt::endl;
    const bool refused = hasErrors(findings) && !parser.isSet(QStringLiteral("force"));
    NetworkApplyResult applied;
    if (refused) {
        err << "modemcfg network apply: the plan's check found errors; nothing was written. "
               "Correct them, or add --force to write the plan as it is."
            << Qt::endl;
    } else {
        applied = applyNetworkPlan(plan, json, out, err, stop);
    }
    const int status = refused ? kNetworkErrorsStatus : int(applied.status);
    if (json) {
        QJsonObject o = applied.json;
        o[QStringLiteral("findings")] = findingsJson(findings);
        o[QStringLiteral("status")] = status;
        o[QStringLiteral("written")] = !refused && applied.status != ExitStatus::BadFile;
        out << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) << Qt::endl;
    }
    return status;
}

}  // namespace

int runNetworkCommand(const QStringList &arguments, QTextStream &out, QTextStream &err, std::stop_token stop)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    parser.addOption(help);
    parser.addOption({QStringLiteral("json"), QStringLiteral("One JSON object.")});
    parser.addOption({QStringLiteral("svg"), QStringLiteral("Draws the network as SVG."), QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("dot"), QStringLiteral("Draws the network as a DOT graph."), QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("product"), QStringLiteral("The product of the .40B files (default 740R-B)."),
                      QStringLiteral("NAME"), QStringLiteral("740R-B")});
    parser.addOption({QStringLiteral("force"), QStringLiteral("Writes a plan whose check finds errors.")});
    const QString sub = arguments.value(1);
    try {
        if (!parser.parse(QStringList{QStringLiteral("modemcfg")} + arguments))
            throw Failure{int(ExitStatus::BadUsage), parser.errorText()};
        if (parser.isSet(help)) {
            out << kNetworkUsage;
            return int(ExitStatus::Done);
        }
        const QStringList operands = parser.positionalArguments().mid(2);
        const auto only = [&](const QStringList &allowed) {
            for (const QString &option : parser.optionNames())
                if (!allowed.contains(option))
                    throw Failure{int(ExitStatus::BadUsage), QStringLiteral("%1 does not take --%2.").arg(sub, option)};
        };
        if (sub == QStringLiteral("check")) {
            only({QStringLiteral("json"), QStringLiteral("svg"), QStringLiteral("dot"), QStringLiteral("product")});
            return runCheck(parser, operands, out, err, stop);
        }
        if (sub == QStringLiteral("apply")) {
            only({QStringLiteral("json"), QStringLiteral("force")});
            return runApply(parser, operands, out, err, stop);
        }
        throw Failure{int(ExitStatus::BadUsage),
                      sub.isEmpty() ? QStringLiteral("give check or apply.") : QStringLiteral("unknown %1.").arg(sub)};
    } catch (const Failure &f) {
        err << "modemcfg network " << sub << (sub.isEmpty() ? "" : " ") << ": " << f.text << Qt::endl;
        if (f.status == int(ExitStatus::BadUsage))
            err << "Try 'modemcfg network --help'." << Qt::endl;
        return f.status;
    } catch (const Exception &e) {
        err << "modemcfg network " << sub << ": " << QString(e.message()).replace(QLatin1Char('\n'), QLatin1Char(' '))
            << Qt::endl;
        return int(ExitStatus::BadFile);
    }
}
