#pragma once

#include <QString>

// The texts the diagnostics show in their message boxes.
namespace DiagnosticMessages {

// The receive test dialog: the module did not answer as expected.
QString moduleNoResponse();
// The receive test dialog: anything else went wrong while closing it.
QString unexpectedCloseError();

// The transmit test: the module did not answer as expected.
QString txNoResponse(const QString &modelName);
// The transmit test: the module's CTS line is missing.
QString txNoCts(const QString &modelName);

QString txStarted();
QString txStopped();

} // namespace DiagnosticMessages
