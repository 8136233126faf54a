#include "journal/JournalLocation.h"

#include <QDir>
#include <QMutex>
#include <QSettings>
#include <QStandardPaths>

namespace {

QMutex runPathMutex;
QString runPath;   // guarded by runPathMutex

QSettings rememberedSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("cfg740rb"),
                     QStringLiteral("journal"));
}

const QString kFileKey = QStringLiteral("file");

}  // namespace

QString defaultJournalPath()
{
    // The generic data folder, not the program's own: the window and modemcfg run
    // under different names and keep one journal.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/cfg740rb/journal.sqlite");
}

void setJournalPathForRun(const QString &path)
{
    const QMutexLocker lock(&runPathMutex);
    runPath = path.isEmpty() ? QString() : QDir().absoluteFilePath(path);
}

QString rememberedJournalPath() { return rememberedSettings().value(kFileKey).toString(); }

void rememberJournalPath(const QString &path)
{
    QSettings settings = rememberedSettings();
    if (path.isEmpty())
        settings.remove(kFileKey);
    else
        settings.setValue(kFileKey, QDir().absoluteFilePath(path));
}

QString journalPath()
{
    {
        const QMutexLocker lock(&runPathMutex);
        if (!runPath.isEmpty())
            return runPath;
    }
    const QString remembered = rememberedJournalPath();
    return remembered.isEmpty() ? defaultJournalPath() : remembered;
}
