// A Qt generic plugin that a test loads into an installed program
// (QT_QPA_GENERIC_PLUGINS=captionprobe): once the program shows a titled window it
// prints "caption: <title>" on stdout and ends the program, so a test can see which
// product an installed link starts without a display and without any hook in the program.
#include <QCoreApplication>
#include <QGenericPlugin>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include <cstdio>

class CaptionProbe : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "CaptionProbe.json")

public:
    QObject *create(const QString &, const QString &) override
    {
        // Owned by the application, which deletes its generic plugins' objects at exit.
        auto *poll = new QTimer;
        poll->setInterval(50);
        QObject::connect(poll, &QTimer::timeout, poll, [poll] {
            for (const QWindow *window : QGuiApplication::topLevelWindows()) {
                if (window->isVisible() && !window->title().isEmpty()) {
                    std::printf("caption: %s\n", window->title().toUtf8().constData());
                    std::fflush(stdout);
                    poll->stop();
                    QCoreApplication::exit(0);
                    return;
                }
            }
        });
        poll->start();
        return poll;
    }
};

#include "CaptionProbe.moc"
