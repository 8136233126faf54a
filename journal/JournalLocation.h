#pragma once

#include <QString>

// Where the journal lives: a file given for this run (modemcfg --journal), else the
// one the user chose and the program remembers, else journal.sqlite in the user's data
// folder ($XDG_DATA_HOME/cfg740rb), shared by the window and the console.
QString journalPath();
QString defaultJournalPath();

// This run's journal, over the remembered one; empty gives the remembered one back.
void setJournalPathForRun(const QString &path);

// The remembered choice ($XDG_CONFIG_HOME/cfg740rb/journal.conf); empty for the default.
QString rememberedJournalPath();
void rememberJournalPath(const QString &path);
