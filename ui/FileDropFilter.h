#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class QMimeData;

// Takes a file dropped anywhere on a window and hands its path to open. Installed on
// the application, so that the window's fields, which would take the path as text,
// never see the drop. Only a single local file (not a folder) is accepted, and
// nothing while a modal window is up; what open does with the file, including
// refusing it, is its own business.
class FileDropFilter : public QObject {
    Q_OBJECT
public:
    FileDropFilter(QWidget *window, std::function<void(const QString &path)> open, QObject *parent = nullptr);
    ~FileDropFilter() override;

    // The path of the one local file that data carries, or empty.
    static QString droppedFile(const QMimeData *data);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_window;
    std::function<void(const QString &)> m_open;
};
