#include "tools/modemcfg/LineOptions.h"

#include <QStringList>

QStringList lineFormatNames()
{
    return {QStringLiteral("N-8-1"), QStringLiteral("E-7-1"), QStringLiteral("O-7-1"), QStringLiteral("E-7-2"),
            QStringLiteral("O-7-2")};
}

std::optional<LineSettings> lineSettingsFromOptions(const QString &port, const QString &baud, const QString &format,
                                                    QString *error)
{
    const auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return std::nullopt;
    };
    LineSettings line;
    const QString name = port.trimmed();
    if (name.isEmpty())
        return fail(QStringLiteral("--port needs a port: COM1..COM8 or a device path."));
    if (comSlotOf(name.toUpper()) >= 0)
        line.port = name.toUpper();
    else if (name.startsWith(QLatin1Char('/')))
        line.port = name;
    else
        return fail(QStringLiteral("--port %1: not COM1..COM8 nor a device path.").arg(port));

    if (!baud.isEmpty()) {
        bool ok = false;
        const int rate = baud.toInt(&ok);
        if (!ok || baudRateIndex(rate) < 0) {
            QStringList rates;
            for (const int r : kBaudRates)
                rates << QString::number(r);
            return fail(QStringLiteral("--baud %1: not one of %2.").arg(baud, rates.join(QStringLiteral(", "))));
        }
        line.baudRate = rate;
    }

    if (!format.isEmpty()) {
        const QString f = format.toUpper();
        if (!lineFormatNames().contains(f))
            return fail(QStringLiteral("--format %1: not one of %2.")
                            .arg(format, lineFormatNames().join(QStringLiteral(", "))));
        line.parity = f[0] == QLatin1Char('E') ? Parity::Even : f[0] == QLatin1Char('O') ? Parity::Odd : Parity::None;
        line.dataBits = f[2].digitValue();
        line.stopBits = f[4].digitValue();
    }
    return line;
}

std::optional<ReplyPace> paceFromOption(const QString &pace, QString *error)
{
    if (pace.isEmpty() || pace == QStringLiteral("final"))
        return ReplyPace::FinalCode;
    if (pace == QStringLiteral("legacy"))
        return ReplyPace::Silence;
    *error = QStringLiteral("--pace %1: not one of final, legacy.").arg(pace);
    return std::nullopt;
}
