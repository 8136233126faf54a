#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// One token of a configuration file's line that does not say exactly one value the
// module takes as it stands.
struct FileLineProblem {
    enum class Kind {
        Malformed,   // not "AT", a key and a value as the file writes them
        UnknownKey,  // a key no configuration holds
        Repeated,    // a key given before (the first one is read)
        OutOfRange,  // a value the module does not take
        Changed      // a value the reading changes (a rule of the settings)
    };
    Kind kind = Kind::Malformed;
    int position = 0;  // the token's number in the line, from 1
    int column = 0;    // its first character, from 1
    QString key;       // "S14", "&K", ...; empty when none could be read
    QString token;     // the token as written
    QString detail;    // what is wrong: "999 is out of range 0..255", ...

    // "token 9 (column 62) "ATS14:999": S14 999 is out of range 0..255"
    QString text() const;
};

// Checks a file line token by token: every token "AT", one known key (S registers
// as "Sn:", routes as "&Zn=") and a whole number the module takes (a route: up to six
// numbers separated by commas), each key once.
std::vector<FileLineProblem> checkFileLine(const QByteArray &line);

// The values of `line` that differ in `rewritten`, the line the settings read from it
// write back (File > Save's line): what the reading changed. Keys the rewrite lacks
// were ignored.
std::vector<FileLineProblem> changesOnReading(const QByteArray &line, const QByteArray &rewritten);

// Everything the lenient reading of `line` did not take as written, each token once,
// in line order: checkFileLine's problems, then the changes the rewrite shows.
std::vector<FileLineProblem> lenientReadingProblems(const QByteArray &line, const QByteArray &rewritten);

// The one notice the window shows after reading such a file; empty when nothing was
// changed. Keys in `explained` are left out: the reading told of them already.
QString lenientReadingNotice(const QByteArray &line, const QByteArray &rewritten, const QStringList &explained = {});
