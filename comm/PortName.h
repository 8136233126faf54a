#pragma once

#include <QString>

#include <optional>

// A port as a user names it: "COM1".."COM8" in any case (the window's slots), a device
// path (a relative one is taken from the working folder) or a network port
// (rfc2217://host:port, tcp://host:port). Gives the name the line opens; nothing, with
// `why` set to the reason, for a name that is none of these.
std::optional<QString> portFromName(const QString &name, QString *why);
