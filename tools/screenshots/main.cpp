// Takes the pictures of the user guide: the main window, its File menu and every dialog,
// each as a user meets it, saved as PNG files into the folder named by the argument.
// Runs under an X server with a module on COM1 that answers slowly enough for the
// progress dialog to be seen (scripts/screenshot sets this up).
#include "settings/ProductVariant.h"
#include "ui/DesktopSession.h"
#include "ui/MainWindow.h"
#include "ui/QtMessageSink.h"
#include "ui/RecentFiles.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

QString outputFolder;
bool failed = false;

void save(const QPixmap &picture, const QString &name)
{
    const QString file = QDir(outputFolder).filePath(name + QStringLiteral(".png"));
    if (!picture.save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        failed = true;
        return;
    }
    std::printf("%s\n", qPrintable(file));
}

void save(QWidget *w, const QString &name) { save(w->grab(), name); }

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Waits for the next modal window, lets it paint, takes its picture as name (none when
// empty) and hands it to done, which closes it (or not, for one that closes itself).
void onNextModal(const QString &name, std::function<void(QWidget *)> done, int settleMs = 400)
{
    auto *timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, waited, name, done, settleMs] {
        *waited += timer->interval();
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal && *waited < 20000)
            return;
        timer->stop();
        timer->deleteLater();
        if (!modal) {
            std::fprintf(stderr, "no window appeared for %s\n", name.isEmpty() ? "a picture" : qPrintable(name));
            failed = true;
            return;
        }
        QTimer::singleShot(settleMs, modal, [modal, name, done] {
            if (!name.isEmpty())
                save(modal, name);
            done(modal);
        });
    });
    timer->start(50);
}

void reject(QWidget *dialog) { static_cast<QDialog *>(dialog)->reject(); }

void run(MainWindow &window, DesktopSession &session)
{
    const auto trigger = [&window](const char *name) {
        window.findChild<QAction *>(QString::fromLatin1(name))->trigger();
    };

    // A read from the module: the progress dialog closes itself when the read ends.
    onNextModal(QStringLiteral("module-configuration"), [](QWidget *) {}, 150);
    trigger("Comm_Read");
    save(&window, QStringLiteral("main-window"));

    // The File menu, with a few files in Recent Files.
    const QString home = QDir::homePath();
    session.recentFiles()->setFiles({home + QStringLiteral("/modems/north-mast.40B"),
                                     home + QStringLiteral("/modems/pump-station.40B"),
                                     home + QStringLiteral("/modems/depot-repeater.40B")});
    // Both menus are windows of their own: the picture is taken from the screen.
    auto *file = window.menuBar()->findChild<QMenu *>(QStringLiteral("File"));
    auto *recent = file->findChild<QMenu *>(QStringLiteral("File_Recent"));
    file->popup(window.mapToGlobal(QPoint(0, window.menuBar()->height())));
    pause(300);
    file->setActiveAction(recent->menuAction());
    recent->popup(file->mapToGlobal(file->actionGeometry(recent->menuAction()).topRight()));
    pause(400);
    const QRect area = file->geometry().united(recent->geometry()).adjusted(-1, -1, 1, 1);
    const QPixmap menus = window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    save(menus, QStringLiteral("file-menu"));
    recent->hide();
    file->hide();

    onNextModal(QStringLiteral("com-port-settings"), reject);
    trigger("Comm_Serial");
    onNextModal(QStringLiteral("escape-character"), reject);
    trigger("Adv_EscChar");
    onNextModal(QStringLiteral("about"), reject);
    trigger("Help_About");
    // A question in a message box: answered No, the module is left alone.
    onNextModal(QStringLiteral("restore-defaults-question"), reject);
    trigger("Adv_Defaults");

    // The receive test dialog with a test running.
    onNextModal(
        QString(),
        [](QWidget *dialog) {
            if (auto *start = dialog->findChild<QAbstractButton *>(QStringLiteral("btn_StartStop")))
                start->click();
            QTimer::singleShot(3000, dialog, [dialog] {
                save(dialog, QStringLiteral("receive-test"));
                reject(dialog);
            });
        },
        600);
    trigger("Diag_RxBer");

    QCoreApplication::exit(failed ? 3 : 0);
}

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    outputFolder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outputFolder);

    const ProductVariant variant = *selectProductVariant(QStringLiteral("Cfg_740RB"));
    QtMessageSink messages;
    DesktopSession session(variant);
    MainWindow window(variant, messages, nullptr, &session.fileDialogs());
    session.attach(window);
    messages.setParent(&window);
    window.show();
    QTimer::singleShot(500, &window, [&window, &session] { run(window, session); });
    return app.exec();
}
