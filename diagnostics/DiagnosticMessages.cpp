#include "diagnostics/DiagnosticMessages.h"

namespace DiagnosticMessages {

namespace {
// Both hint lines end without a closing parenthesis: that is how users know them.
const QString kSettingsHint = QStringLiteral("Ensure COM port settings are correct, and module is Switched On.\r\n"
                                             "(Hint: Set Switch 2 on module to restore factory defaults.");
} // namespace

QString moduleNoResponse()
{
    return QStringLiteral("Error communicating with module. The module did not respond correctly.\r\n") + kSettingsHint;
}

QString unexpectedCloseError()
{
    return QStringLiteral("An unexpected error occured while communicating with the module.");
}

QString txNoResponse(const QString &modelName)
{
    return QStringLiteral("Error communicating with ") + modelName
           + QStringLiteral(". The module did not respond correctly.\r\n") + kSettingsHint;
}

QString txNoCts(const QString &modelName)
{
    return QStringLiteral("Error communicating with ") + modelName
           + QStringLiteral(". The module CTS signal was not detected.\r\n"
                            "Ensure COM port connections are correct, and module is Switched On.");
}

QString txStarted() { return QStringLiteral("Transmit Bit Error Rate Test started."); }

QString txStopped() { return QStringLiteral("Transmit Bit Error Rate Test stopped."); }

} // namespace DiagnosticMessages
