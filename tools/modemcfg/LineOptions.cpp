#include "tools/modemcfg/LineOptions.h"

#include "comm/PortName.h"

#include <QStringList>

QStringList lineFormatNames()
{
    // Parity, data bits, stop bits: as detect reports what it found.
    QStringList names;
    for (const int dataBits : {8, 7})
        for (const int stopBits : {1, 2})
            for (const char *parity : {"N", "E", "O"})
                names << QStringLiteral("%1-%2-%3").arg(QLatin1String(parity)).arg(dataBits).arg(stopBits);
    return names;
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
        return fail(QStringLiteral("--port needs a port: COM1..COM8, a device path or rfc2217://host:port."));
    QString why;
    const std::optional<QString> opened = portFromName(name, &why);
    if (!opened)
        return fail(QStringLiteral("--port %1: %2.").arg(port, why));
    line.port = *opened;

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
