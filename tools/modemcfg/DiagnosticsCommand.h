#pragma once

#include "tools/modemcfg/ExitStatus.h"

#include <QStringList>
#include <QTextStream>

#include <stop_token>

// modemcfg rssi --port P [--baud R] [--format F] [--seconds N] [--csv FILE]
// modemcfg ber rx|tx|txrx --port P [--baud R] [--format F] [--seconds N] [--csv FILE]
// Start a test as the window does, print each report line with the seconds since
// the start, and stop it as the window does ("ATZ") after N seconds or when a stop
// is requested (Ctrl-C); the CSV holds the run as "Save As CSV..." writes it.

// `arguments` are the words after the program name, the command first ("rssi" or "ber").
// Results to `out`, progress and messages to `err`; returns the exit status.
ExitStatus runDiagnosticsCommand(const QStringList &arguments, QTextStream &out, QTextStream &err,
                                 std::stop_token stop);
