#include "ReportCommand.h"

#include "HistoryCommand.h"

#include "journal/CommissioningReport.h"
#include "journal/Journal.h"
#include "journal/JournalLocation.h"
#include "network/NetworkChecks.h"
#include "network/NetworkDrawing.h"
#include "network/NetworkPlan.h"

#include <QCommandLineParser>
#include <QSaveFile>
#include <QTextStream>

QString writeReport(const ReportInput &input, const QString &path, QTextStream &out)
{
    const QByteArray html = commissioningReportHtml(input).toUtf8();
    if (path == QStringLiteral("-")) {
        out << QString::fromUtf8(html);
        out.flush();
        return {};
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(html) != html.size() || !file.commit())
        return path + QStringLiteral(": ") + file.errorString();
    return {};
}

ExitStatus runReportCommand(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes the commissioning report: per module in the journal its identification, firmware, network "
        "settings, last write and verify and last RSSI and BER figures, as one HTML file."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addPositionalArgument(QStringLiteral("report"), QStringLiteral("The command."), QStringLiteral("report"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    const QCommandLineOption since(QStringLiteral("since"),
                                   QStringLiteral("Only records from this date (YYYY-MM-DD) or time on, UTC."),
                                   QStringLiteral("DATE"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The HTML file to write; - for stdout."), QStringLiteral("FILE"));
    const QCommandLineOption network(QStringLiteral("network"),
                                     QStringLiteral("Reports the members of this network plan, under their names, "
                                                    "with the network's drawing."),
                                     QStringLiteral("PLAN"));
    parser.addOptions({help, since, output, network});
    const auto usage = [&](const QString &text) {
        err << "modemcfg report: " << text << Qt::endl << "Try 'modemcfg report --help'." << Qt::endl;
        return ExitStatus::BadUsage;
    };
    if (!parser.parse(QStringList{QStringLiteral("modemcfg")} + arguments))
        return usage(parser.errorText());
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.replace(0, text.indexOf(QLatin1Char('\n')), QStringLiteral("Usage: modemcfg report [options] -o FILE"));
        out << text;
        return ExitStatus::Done;
    }
    if (parser.positionalArguments().size() > 1)
        return usage(QStringLiteral("unexpected argument %1.").arg(parser.positionalArguments().at(1)));
    if (!parser.isSet(output))
        return usage(QStringLiteral("-o FILE names the report to write."));
    ReportInput input;
    if (parser.isSet(since)) {
        const std::optional<QDateTime> from = sinceOption(parser.value(since));
        if (!from)
            return usage(QStringLiteral("--since %1: not a date (YYYY-MM-DD) or time.").arg(parser.value(since)));
        input.since = *from;
    }
    if (parser.isSet(network)) {
        try {
            const NetworkPlan plan = loadNetworkPlan(parser.value(network));
            for (const NetworkMember &member : plan.network.members)
                input.members.append(ReportMember{member.name, member.port});
            input.svg = QString::fromUtf8(networkSvg(plan.network, checkNetwork(plan.network)));
        } catch (const Exception &e) {
            err << "modemcfg report: " << e.message() << Qt::endl;
            return ExitStatus::BadFile;
        }
    }
    try {
        const Journal journal(journalPath(), Journal::Mode::Read);
        input.journalPath = journal.path();
        input.entries = journal.entries(JournalFilter{{}, {}, {}, input.since, {}});
    } catch (const JournalError &e) {
        err << "modemcfg report: " << e.message() << Qt::endl;
        return ExitStatus::BadFile;
    }
    if (const QString failure = writeReport(input, parser.value(output), out); !failure.isEmpty()) {
        err << "modemcfg report: " << failure << Qt::endl;
        return ExitStatus::BadFile;
    }
    return ExitStatus::Done;
}
