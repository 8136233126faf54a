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
    virtual QString getOpenFileName(const QString &directory, const QString &filter,
                                    const QString &defaultSuffix) = 0;
};
