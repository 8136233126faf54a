#include "tools/modemcfg/LineOptions.h"

#include "comm/PortName.h"

#include <QStringList>

namespace {
// The formats the module offers, in the order of lineFormatNames().
QList<LineSettings> lineFormats()
{
    QList<LineSettings> formats;
    for (const int dataBits : {8, 7})
        for (const int stopBits : {1, 2})
            for (const Parity parity : {Parity::None, Parity::Even, Parity::Odd})
                formats.append({.dataBits = dataBits, .parity = parity, .stopBits = stopBits});
    return formats;
}
}  // namespace

QStringList lineFormatNames()
{
    // As detect reports what it found.
    QStringList names;
    for (const LineSettings &format : lineFormats())
        names << format.formatText();
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
        const qsizetype known = lineFormatNames().indexOf(format.toUpper());
        if (known < 0)
            return fail(QStringLiteral("--format %1: not one of %2.")
                            .arg(format, lineFormatNames().join(QStringLiteral(", "))));
        const LineSettings &f = lineFormats().at(known);
        line.parity = f.parity;
        line.dataBits = f.dataBits;
        line.stopBits = f.stopBits;
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
