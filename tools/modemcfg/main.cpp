// modemcfg: reads, writes, verifies and compares module configurations from the
// console, on several modules at once. Qt Core only: it runs without a display.
#include "Commands.h"
#include "ExitStatus.h"
#include "Interruption.h"

#include "DiagnosticsCommand.h"

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
    "Every command that talks to a module also takes --escape C and --timeout SECONDS.\n"
    "\n"
    "P is COM1..COM8 or a device path; --baud auto finds the module's rate and format.\n"
    "Run 'modemcfg COMMAND --help' for a command's options.\n"
    "Exit status: 0 done, 1 bad usage, 2 port unavailable, 3 no response, 4 refused or\n"
    "a failed write, 5 differences, 6 bad file; ended by a signal: 128 + its number\n"
    "(130 SIGINT, 129 SIGHUP, 143 SIGTERM), after every module was left reset.\n";

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("modemcfg"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CFG_VERSION_STRING));
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QStringList arguments = QCoreApplication::arguments().mid(1);
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

    const Interruption interruption;
    ExitStatus status = ExitStatus::Done;
    if (command == QStringLiteral("rssi") || command == QStringLiteral("ber"))
        status = runDiagnosticsCommand(arguments, out, err, interruption.token());
    else
        status = runModuleCommand(arguments, out, err, interruption.token());
    // A signal ends the program as the shell expects of it: 128 + its number.
    if (status == ExitStatus::Interrupted && interruption.signal() != 0)
        return interruption.exitStatus();
    return int(status);
}
