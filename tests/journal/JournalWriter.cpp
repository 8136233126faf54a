// journal-writer PATH COUNT TAG: appends COUNT records tagged TAG to the journal at
// PATH as fast as it can, one connection, one record per transaction. The concurrent
// writers test runs two at once.
#include "journal/Journal.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4)
        return 2;
    try {
        Journal journal(args[1]);
        const int count = args[2].toInt();
        for (int i = 0; i < count; ++i) {
            JournalEntry e;
            e.operation = QStringLiteral("read");
            e.port = args[3];
            e.outcome = QStringLiteral("done");
            e.message = QString::number(i);
            journal.append(e);
        }
    } catch (const JournalError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
