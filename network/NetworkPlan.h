#pragma once

#include "network/Network.h"

#include <QByteArray>
#include <QString>

// A plan file: a JSON object whose "members" array names the radios of a network,
// each with its configuration file, the port it is written on and changes applied on
// top of the file (docs/network-plan.md describes the format).
struct NetworkPlan {
    QString path;     // the plan file, absolute
    Network network;  // the members with the plan's changes applied
};

// Reads a plan and the configuration files it names. Throws Exception with a text for
// the user (naming the plan or the file and what is wrong with it).
NetworkPlan loadNetworkPlan(const QString &path);

// The same for a plan's text; relative file names are taken from `folder`.
NetworkPlan networkPlanFromJson(const QByteArray &json, const QString &folder, const QString &planName);

// A plan path (a ".json" file) or ".40B" files and folders as a network.
Network loadNetwork(const QStringList &paths);
