#pragma once

#include "comm/LineSettings.h"
#include "settings/Types.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>

// What the program keeps between runs, in the user's configuration folder
// ($XDG_CONFIG_HOME/cfg740rb, one file per product): the PC port settings, the last
// folder of the file dialogs, the window's geometry and the Recent Files list.
// Values that are missing or make no sense read as the start-up defaults. Port
// settings kept by earlier versions as table positions are converted on opening.
class RememberedSettings {
public:
    explicit RememberedSettings(const ProductVariant &variant);

    // The PC line. A remembered port whose device is gone reads as COM1: the module
    // may have been unplugged since, which is no reason for an error at start-up.
    LineSettings lineSettings() const;
    void setLineSettings(const LineSettings &line);

    // Empty when none was remembered or the folder is gone.
    QString lastFolder() const;
    void setLastFolder(const QString &folder);

    QByteArray windowGeometry() const;
    void setWindowGeometry(const QByteArray &geometry);

    // "Verify After Configure"; on when never set.
    bool verifyAfterConfigure() const;
    void setVerifyAfterConfigure(bool on);
    // "Wait for Silence After Replies"; off when never set.
    bool silenceEndedReplies() const;
    void setSilenceEndedReplies(bool on);

    QStringList recentFiles() const;
    void setRecentFiles(const QStringList &paths);

    // Writes what has changed to the file now.
    void sync() { m_settings.sync(); }
    QString fileName() const { return m_settings.fileName(); }

private:
    QSettings m_settings;
};
