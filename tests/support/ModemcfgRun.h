#pragma once

// Runs the console program (CFG_MODEMCFG, set by the test's target) as a child process,
// as a user would, and keeps what it said and how it ended.
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>

struct ModemcfgOutcome {
    int status = -1;  // -1: the program crashed or did not end
    QByteArray out;
    QByteArray err;

    // The output as one JSON object; where it holds one object per line, the one on `line`.
    QJsonObject json(int line = 0) const
    {
        const QJsonDocument whole = QJsonDocument::fromJson(out);
        if (whole.isObject())
            return whole.object();
        return QJsonDocument::fromJson(out.split('\n').value(line)).object();
    }
};

// Starts the program; `whenStarted` may act on the running child.
inline ModemcfgOutcome runModemcfg(const QStringList &arguments,
                                   const std::function<void(QProcess &)> &whenStarted = {})
{
    QProcess p;
    p.start(QStringLiteral(CFG_MODEMCFG), arguments);
    EXPECT_TRUE(p.waitForStarted());
    if (whenStarted)
        whenStarted(p);
    EXPECT_TRUE(p.waitForFinished(120000)) << arguments.join(QLatin1Char(' ')).toStdString();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}
