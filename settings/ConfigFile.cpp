#include "settings/ConfigFile.h"

#include "settings/CommandBuilder.h"

#include <QFile>
#include <QSaveFile>

namespace {
constexpr char kCtrlZ = 26;

QString describe(const QString &what, const QString &path, const QString &reason) {
    return QStringLiteral("%1 %2.\r\n%3").arg(what, path, reason);
}
}  // namespace

void ConfigFile::writeLine(const QByteArray &text, const QString &path) {
    // Unbuffered, so that a short write shows at once instead of being lost in a flush
    // that reports success.
    QSaveFile file(path);
    // A folder the user may not write still lets an existing file the user may write
    // be rewritten in place, as a plain truncating write would.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw FileError(describe(QStringLiteral("Unable to create file"), path, file.errorString()));
    const QByteArray line = text + "\r\n";
    for (qsizetype done = 0; done < line.size();) {
        const qint64 n = file.write(line.constData() + done, line.size() - done);
        if (n <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();
            throw FileError(describe(QStringLiteral("Unable to write file"), path, reason));
        }
        done += n;
    }
    if (!file.commit())
        throw FileError(describe(QStringLiteral("Unable to write file"), path, file.errorString()));
}

QByteArray ConfigFile::readLine(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(describe(QStringLiteral("Unable to open file"), path, file.errorString()));
    return readFirstLine(file, path);
}

QByteArray ConfigFile::readFirstLine(QIODevice &device, const QString &path) {
    QByteArray line;
    qsizetype taken = 0;  // bytes of the line read so far, carriage returns included
    char chunk[4096];
    for (;;) {
        const qint64 n = device.read(chunk, sizeof chunk);
        if (n < 0)
            throw FileError(describe(QStringLiteral("Unable to read file"), path, device.errorString()));
        if (n == 0)
            return line;
        for (qint64 i = 0; i < n; ++i) {
            const char c = chunk[i];
            if (c == '\n' || c == kCtrlZ)
                return line;
            if (++taken > kMaxLineLength)
                throw FileError(describe(QStringLiteral("Unable to read file"), path,
                                           QStringLiteral("The first line is too long.")));
            if (c == '\0')
                throw FileError(describe(QStringLiteral("Unable to read file"), path,
                                           QStringLiteral("The file is not a text file.")));
            if (c != '\r')
                line.append(c);
        }
    }
}

QByteArray fileLineFromJoined(const QByteArray &j) {
    const qsizetype flow = j.indexOf(commandPrefix(Field::FlowControl));
    const qsizetype flowEnd = flow < 0 ? -1 : j.indexOf(' ', flow);
    const qsizetype online = j.indexOf(commandPrefix(Field::OnLineAtStartup));
    const qsizetype sysAdd = j.indexOf(commandPrefix(Field::SystemAddress));
    if (flowEnd < 0 || online < 0 || sysAdd < 0 || sysAdd > online)
        throw Exception(QStringLiteral("The configuration commands are incomplete."));

    QByteArray f = j.left(flowEnd + 1);          // " ATB.. AT&K. "
    f += j.mid(online);                          // "AT&L. AT&N. AT&M."
    f += ' ';
    f += j.mid(sysAdd, online - sysAdd);         // "AT&S. ... AT&Z0=. "

    // The S registers are keyed "Sn:" in a file; routes keep their "=".
    const QByteArray last = commandPrefix(Field::RadioSignature);  // "ATS21="
    const qsizetype from = f.indexOf(commandPrefix(Field::AnswerAttempts));
    const qsizetype s21 = f.indexOf(last);
    if (from >= 0 && s21 >= 0) {
        const qsizetype to = std::min(s21 + last.size(), f.size() - 1);  // up to the character after it
        for (qsizetype i = from; i <= to; ++i)
            if (f[i] == '=')
                f[i] = ':';
    }
    return f;
}

void saveToFile(const QByteArray &joined, const QString &path) {
    ConfigFile().writeLine(fileLineFromJoined(joined), path);
}
