// modemcfg: reads, writes, verifies and compares module configurations from the
// console, on several modules at once. Qt Core only: it runs without a display.
#include "Commands.h"
#include "ExitStatus.h"
#include "Interruption.h"

#include "DiagnosticsCommand.h"
#include "NetworkCommand.h"
#include "HistoryCommand.h"
#include "ReportCommand.h"

#include "journal/JournalLocation.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

const char kUsage[] =
    "Usage: modemcfg COMMAND [options]\n"
    "Configures serial radio modems from the console.\n"
    "\n"
    "Commands:\n"
    "  read     --port P [--baud R|auto] [--format F] [--product NAME] [-o FILE.40B|-] [--json]\n"
    "  write    --port P [--port P2 ...] [--baud R|auto] [--format F] [--product NAME] [--lenient]\n"
    "           [--no-verify] [--json] FILE.40B|-\n"
    "  verify   --port P [--baud R|auto] [--format F] [--product NAME] [--lenient] [--json] FILE.40B|-\n"
    "  diff     [--baud R] [--format F] [--product NAME] [--lenient] [--json] A B\n"
    "           (each a .40B file, - or port:P)\n"
    "  restore  --port P --yes [--baud R|auto] [--format F] [--product NAME] [--json]\n"
    "  detect   [--port P ...] [--json]\n"
    "  rssi     --port P [--baud R] [--format F] [--seconds N] [--csv FILE]\n"
    "  ber      rx|tx|txrx --port P [--baud R] [--format F] [--seconds N] [--csv FILE]\n"
    "  network  check FILES...|PLAN [--json] [--svg FILE] [--dot FILE]\n"
    "  network  apply PLAN [--force] [--json]\n"
    "  history  [--port P] [--system N] [--unit N] [--since DATE] [--json|--csv]\n"
    "  history  show ID [-o FILE.40B]\n"
    "  report   [--network PLAN] [--since DATE] -o report.html\n"
    "Every command that talks to a module also takes --escape C and --timeout SECONDS.\n"
    "\n"
    "--journal FILE, before or after the command, keeps the records in FILE.\n"
    "\n"
    "P is COM1..COM8, a device path or a port behind a device server (rfc2217://host:port,\n"
    "tcp://host:port); --baud auto finds the module's rate and format.\n"
    "Run 'modemcfg COMMAND --help' for a command's options.\n"
    "Exit status: 0 done, 1 bad usage, 2 port unavailable, 3 no response, 4 refused or\n"
    "a failed write, 5 differences, 6 bad file, 8 network check found errors; ended by a\n"
    "signal: 128 + its number (130 SIGINT, 129 SIGHUP, 143 SIGTERM), after every module\n"
    "was left reset.\n";

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("modemcfg"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CFG_VERSION_STRING));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList arguments = QCoreApplication::arguments().mid(1);
    // --journal FILE applies to every command, wherever it stands.
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--journal")); at >= 0) {
        if (at + 1 >= arguments.size()) {
            err << "modemcfg: --journal needs a file name." << Qt::endl;
            return int(ExitStatus::BadUsage);
        }
        setJournalPathForRun(arguments.at(at + 1));
        arguments.remove(at, 2);
    }
    const QString command = arguments.value(0);
    if (command == QStringLiteral("--help") || command == QStringLiteral("-h") || command == QStringLiteral("help")) {
        out << kUsage;
        return int(ExitStatus::Done);
    }
    if (command == QStringLiteral("--version")) {
        out << "modemcfg " << QCoreApplication::applicationVersion() << Qt::endl;
        return int(ExitStatus::Done);
    }
    if (command.isEmpty()) {
        err << kUsage;
        return int(ExitStatus::BadUsage);
    }

    if (command == QStringLiteral("history"))
        return int(runHistoryCommand(arguments, out, err));
    if (command == QStringLiteral("report"))
        return int(runReportCommand(arguments, out, err));
    const Interruption interruption;
    ExitStatus status = ExitStatus::Done;
    if (command == QStringLiteral("rssi") || command == QStringLiteral("ber"))
        status = runDiagnosticsCommand(arguments, out, err, interruption.token());
    else if (command == QStringLiteral("network"))
        status = ExitStatus(runNetworkCommand(arguments, out, err, interruption.token()));
    else
        status = runModuleCommand(arguments, out, err, interruption.token());
    // A signal ends the program as the shell expects of it: 128 + its number.
    if (status == ExitStatus::Interrupted && interruption.signal() != 0)
        return interruption.exitStatus();
    return int(status);
}
