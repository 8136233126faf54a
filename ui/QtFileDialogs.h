#pragma once

#include "ui/FileDialogs.h"

class QWidget;

// The file commands' open and save dialogs as Qt file dialogs over the parent window.
// The filter is shown as a name pattern; a name typed without a suffix gets the
// default one; saving onto an existing file asks nothing.
class QtFileDialogs : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget *parent = nullptr) : m_parent(parent) {}

    QString getSaveFileName(const QString &directory, const QString &filter,
                            const QString &defaultSuffix) override;
    QString getOpenFileName(const QString &directory, const QString &filter,
                            const QString &defaultSuffix, const QString &title = QString()) override;

private:
    QString run(bool save, const QString &directory, const QString &filter, const QString &defaultSuffix,
                const QString &title = QString());

    QWidget *m_parent;
};
