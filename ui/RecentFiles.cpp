#include "ui/RecentFiles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace {

// One spelling per file, so that a file reached by two routes is listed once.
QString normalized(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

}  // namespace

RecentFiles::RecentFiles(QMenu *menu, QObject *parent) : QObject(parent), m_menu(menu)
{
    // A fixed set of items, hidden while unused: an item is never deleted while its
    // own triggered() is being delivered.
    for (int i = 0; i < kLimit; ++i) {
        QAction *a = m_menu->addAction(QString());
        a->setObjectName(QStringLiteral("File_Recent%1").arg(i + 1));
        a->setVisible(false);
        connect(a, &QAction::triggered, this, [this, i] {
            if (i < m_files.size())
                Q_EMIT chosen(m_files.at(i));
        });
    }
    m_menu->setEnabled(false);
}

void RecentFiles::setFiles(const QStringList &paths)
{
    QStringList files;
    for (const QString &path : paths) {
        if (path.isEmpty())
            continue;
        const QString file = normalized(path);
        if (!files.contains(file))
            files << file;
    }
    update(files);
}

void RecentFiles::add(const QString &path)
{
    if (path.isEmpty())
        return;
    QStringList files = m_files;
    const QString file = normalized(path);
    files.removeAll(file);
    files.prepend(file);
    update(files);
}

void RecentFiles::remove(const QString &path)
{
    QStringList files = m_files;
    files.removeAll(normalized(path));
    update(files);
}

void RecentFiles::update(QStringList files)
{
    if (files.size() > kLimit)
        files.resize(kLimit);
    const bool differs = files != m_files;
    m_files = files;

    const QList<QAction *> items = m_menu->actions();
    for (qsizetype i = 0; i < items.size(); ++i) {
        QAction *a = items.at(i);
        a->setVisible(i < m_files.size());
        if (i >= m_files.size())
            continue;
        // "&&" keeps an ampersand in a path from becoming a mnemonic.
        QString text = QDir::toNativeSeparators(m_files.at(i));
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(text));
    }
    m_menu->setEnabled(!m_files.isEmpty());
    if (differs)
        Q_EMIT changed(m_files);
}
