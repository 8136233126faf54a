#pragma once

#include "comm/Exception.h"

#include <QByteArray>
#include <QString>

class QIODevice;

// The runtime's input/output failure of a configuration file; the text names the
// path and the operating system's reason.
class FileError : public Exception {
public:
    using Exception::Exception;
};

// File access for one configuration line. Each use creates an instance, calls one
// operation and drops it.
class ConfigFile {
public:
    // A first line longer than this is not a configuration file; reading stops there.
    static constexpr qsizetype kMaxLineLength = 64 * 1024;

    // Writes text followed by CR LF. The bytes go to a temporary file in the target's
    // directory that is renamed over the target once complete, so a failed write
    // leaves an existing file as it was. Throws FileError.
    void writeLine(const QByteArray &text, const QString &path);

    // The first line of the file: everything up to the first LF or the end of the file,
    // carriage returns left out; Ctrl-Z (26) counts as the end of the file. Throws
    // FileError when the file cannot be read, when the line is longer than
    // kMaxLineLength or when it holds a NUL byte (not a text file).
    QByteArray readLine(const QString &path);

    // The same for an open device (path only names it in the error text).
    static QByteArray readFirstLine(QIODevice &device, const QString &path);
};

// The file line of a configuration: the joined CommandList (" " + entry, for every
// entry) rearranged so that AT&L, AT&N and AT&M follow AT&K, with the S registers
// written "ATSn:" instead of "ATSn=". Ends with one space; the line end is added by
// writeLine. Throws Exception when the text is not a joined CommandList.
QByteArray fileLineFromJoined(const QByteArray &joined);

// fileLineFromJoined, then writeLine.
void saveToFile(const QByteArray &joined, const QString &path);
