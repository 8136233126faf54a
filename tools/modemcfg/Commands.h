#pragma once

#include "ExitStatus.h"

#include <QStringList>

#include <stop_token>

class QTextStream;

// The module commands: read, write, verify, diff, restore and detect.
QStringList moduleCommandNames();

// Runs one module command. `arguments` are the words after the program name, the
// command first. Results go to `out`, messages to `err`, progress to the terminal.
ExitStatus runModuleCommand(const QStringList &arguments, QTextStream &out, QTextStream &err, std::stop_token stop);
