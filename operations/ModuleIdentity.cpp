#include "operations/ModuleIdentity.h"

#include <QRegularExpression>

namespace {
// The newest firmware that keeps the radio message signature at 0.
constexpr double kLastFixedS21Firmware = 1.89;
}  // namespace

const QString kS21WarningText = QStringLiteral(
    "The connected module firmware version does not support \"Radio Message Signature\" adjustment.\n\r"
    "The Radio Message Signature in the connected module is fixed to 0.\n\r"
    "Ensure ALL 740R-B that communicate with the connected module MUST have S21 = 0.\n\r"
    "Consult the 740R-B user manual for further information");

QString badReplyText(const QString &modelName)
{
    return QStringLiteral("Error communicating with ") + modelName +
           QStringLiteral(". The module did not respond correctly.\r\n"
                          "Ensure COM port settings are correct, and module is Switched On.\r\n"
                          "(Hint: Set Switch 2 on module to restore factory defaults.)");
}

QString noCtsText(const QString &modelName)
{
    return QStringLiteral("Error communicating with ") + modelName +
           QStringLiteral(". The module CTS signal was not detected.\r\n"
                          "Ensure COM port connections are correct, and module is Switched On.");
}

QString identificationLine(const QByteArray &reply)
{
    qsizetype start = reply.indexOf("40R-B");
    if (start < 0) {
        // Another model: the line that holds the version's "V" (the reply has one).
        const qsizetype v = reply.indexOf('V');
        start = v < 0 ? 0 : reply.lastIndexOf('\n', v) + 1;
    } else if (start > 0) {
        --start;  // the character in front belongs to the model name
    }
    const qsizetype end = reply.indexOf("\r\n", start);
    if (end < 0)
        return QString();
    return QString::fromLatin1(reply.mid(start, end - start));
}

double firmwareVersion(const QString &identification, RadioClass radioClass)
{
    if (radioClass != RadioClass::Class740)
        return 0;
    const qsizetype v = identification.indexOf(QLatin1Char('V'));
    if (v < 0)
        return 0;
    QString number;
    for (qsizetype i = v + 1; i < identification.size(); ++i) {
        const QChar c = identification.at(i);
        if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char('.'))
            break;
        number += c;
    }
    bool ok = false;
    const double version = number.toDouble(&ok);  // always "." as the decimal point
    return ok ? version : 0;
}

std::optional<QString> radioSignatureWarning(const QString &identification, int priorS21, RadioClass radioClass)
{
    if (radioClass == RadioClass::Class740 && priorS21 > 0 &&
        firmwareVersion(identification, radioClass) <= kLastFixedS21Firmware)
        return kS21WarningText;
    return std::nullopt;
}

QString firmwareText(const QString &identification)
{
    static const QRegularExpression version(QStringLiteral("\\bV([0-9]+\\.[0-9]+)"));
    return version.match(identification).captured(1);
}
