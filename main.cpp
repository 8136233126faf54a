#include "settings/ProductVariant.h"
#include "ui/DesktopSession.h"
#include "ui/MainWindow.h"
#include "ui/QtMessageSink.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Cfg_740RB"));

    QtMessageSink messages;
    // The product comes from the name the program was started by (argv[0]), so a
    // link named after a product selects it.
    const QString fileName = executableFileName(QCoreApplication::arguments().value(0));
    const std::optional<ProductVariant> variant = selectProductVariant(fileName);
    if (!variant) {
        messages.show(MessageSink::Icon::Error, MessageSink::Buttons::Ok, kFilenameErrorText);
        return 1;
    }

    DesktopSession session(*variant);
    MainWindow mainForm(*variant, messages, nullptr, &session.fileDialogs());
    session.attach(mainForm);
    messages.setParent(&mainForm);
    // A configuration file named as the first argument opens at the end of the start-up.
    mainForm.setCommandLineArgument(QCoreApplication::arguments().value(1));
    // The program's other windows are created here, after the main window.

    mainForm.show();
    // CFG_SCREENSHOT=file.png: save a picture of the main window and end (used to
    // document the window).
    const QString screenshot = qEnvironmentVariable("CFG_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        QTimer::singleShot(300, &mainForm, [&mainForm, screenshot] {
            const bool saved = mainForm.grab().save(screenshot);
            QCoreApplication::exit(saved ? 0 : 3);
        });
    }
    return app.exec();
}
