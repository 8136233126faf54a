#pragma once

#include <QStringList>

#include <stop_token>

class QTextStream;

// The exit status of "network check" when the check finds errors, and of "network
// apply" when it refuses a plan for them.
inline constexpr int kNetworkErrorsStatus = 8;

// "network check FILES...|PLAN" and "network apply PLAN". `arguments` are the words
// after the program name, "network" first. Returns the exit status.
int runNetworkCommand(const QStringList &arguments, QTextStream &out, QTextStream &err, std::stop_token stop);
