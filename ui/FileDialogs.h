#pragma once

#include <QString>

// The file open and save dialogs, so that the file commands run without a display.
// An empty result means the user cancelled.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // No overwrite question; the default suffix is added when the name has none.
    virtual QString getSaveFileName(const QString &directory, const QString &filter,
                                    const QString &defaultSuffix) = 0;
    // title: the dialog's caption; empty gives the desktop's own ("Open").
    virtual QString getOpenFileName(const QString &directory, const QString &filter,
                                    const QString &defaultSuffix, const QString &title = QString()) = 0;
};
