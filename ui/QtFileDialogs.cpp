#include "ui/QtFileDialogs.h"

#include <QFileDialog>

QString QtFileDialogs::getSaveFileName(const QString &directory, const QString &filter,
                                       const QString &defaultSuffix)
{
    return run(true, directory, filter, defaultSuffix);
}

QString QtFileDialogs::getOpenFileName(const QString &directory, const QString &filter,
                                       const QString &defaultSuffix, const QString &title)
{
    return run(false, directory, filter, defaultSuffix, title);
}

QString QtFileDialogs::run(bool save, const QString &directory, const QString &filter,
                           const QString &defaultSuffix, const QString &title)
{
    QFileDialog dialog(m_parent, title, directory);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // An open dialog returns what was typed, existing or not: loading a missing file
    // reports it like any other unreadable file.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    // The pattern is its own caption, e.g. "*.40B (*.40B)".
    dialog.setNameFilter(filter + QStringLiteral(" (") + filter + QLatin1Char(')'));
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.constFirst();
}
