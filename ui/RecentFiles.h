#pragma once

#include <QObject>
#include <QStringList>

class QMenu;

// The File menu's "Recent Files": the files last opened or saved, most recent first,
// each once, at most kLimit. The menu lists them as "&1 path" .. "&6 path" and is
// greyed out while the list is empty.
class RecentFiles : public QObject {
    Q_OBJECT
public:
    static constexpr int kLimit = 6;

    // Fills menu, which stays the caller's.
    explicit RecentFiles(QMenu *menu, QObject *parent = nullptr);

    const QStringList &files() const { return m_files; }
    // Takes a stored list as it comes: duplicates and the entries past the limit are dropped.
    void setFiles(const QStringList &paths);
    // Puts path first (moving it up when it is listed already).
    void add(const QString &path);
    void remove(const QString &path);

Q_SIGNALS:
    void changed(const QStringList &files);
    // An entry of the menu was chosen.
    void chosen(const QString &path);

private:
    void update(QStringList files);

    QMenu *m_menu;
    QStringList m_files;
};
