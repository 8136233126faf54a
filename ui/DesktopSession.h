#pragma once

#include "ui/FileDialogs.h"
#include "ui/RecentFiles.h"
#include "ui/RememberedSettings.h"

#include <QObject>
#include <QPointer>

#include <memory>

class FileDropFilter;
class MainWindow;

// Ties the main window to the desktop: the settings remembered between runs, the
// File menu's "Recent Files", files dropped on the window and the keyboard shortcuts
// of the commands.
//
// Made before the main window, which takes fileDialogs(), and attached to it before
// the window is first shown; it outlives the window.
class DesktopSession : public QObject {
    Q_OBJECT
public:
    // dialogs: the file dialogs to use (Qt's over the window when null).
    explicit DesktopSession(const ProductVariant &variant, FileDialogs *dialogs = nullptr);
    ~DesktopSession() override;

    // The window's file dialogs: they open in the last folder used and remember the
    // folder of the file chosen.
    FileDialogs &fileDialogs() { return *m_folderDialogs; }

    // Restores what was remembered and saves it again when the window closes.
    void attach(MainWindow &window);

    RememberedSettings &settings() { return m_settings; }
    RecentFiles *recentFiles() const { return m_recent; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addShortcuts();
    void buildRecentFilesMenu();
    void openRecentFile(const QString &path);
    void save();

    RememberedSettings m_settings;
    FileDialogs *m_givenDialogs;
    std::unique_ptr<FileDialogs> m_qtDialogs;
    std::unique_ptr<FileDialogs> m_folderDialogs;
    QPointer<MainWindow> m_window;
    // The same window as a plain object, for comparing without a downcast.
    QPointer<QObject> m_windowObject;
    QPointer<RecentFiles> m_recent;
    std::unique_ptr<FileDropFilter> m_drops;
    bool m_geometryRestored = false;
};
