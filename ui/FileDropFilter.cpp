#include "ui/FileDropFilter.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

FileDropFilter::FileDropFilter(QWidget *window, std::function<void(const QString &)> open, QObject *parent)
    : QObject(parent), m_window(window), m_open(std::move(open))
{
    // Without this the window system does not offer the drag to the window at all.
    m_window->setAcceptDrops(true);
    qApp->installEventFilter(this);
}

FileDropFilter::~FileDropFilter()
{
    qApp->removeEventFilter(this);
}

QString FileDropFilter::droppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return QString();
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile())
        return QString();
    const QString path = url.toLocalFile();
    return QFileInfo(path).isDir() ? QString() : path;
}

bool FileDropFilter::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!m_window || !widget || widget->window() != m_window)
        return false;

    auto *drop = static_cast<QDropEvent *>(event);
    // Nothing is opened under a modal window: an operation may be using the settings.
    const QString path = QApplication::activeModalWidget() ? QString() : droppedFile(drop->mimeData());
    if (path.isEmpty()) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        // Opened once the drag is over: opening may ask questions in modal boxes, which
        // must not run inside the drag's own event loop.
        QTimer::singleShot(0, this, [this, path] {
            if (!QApplication::activeModalWidget())
                m_open(path);
        });
    }
    return true;
}
