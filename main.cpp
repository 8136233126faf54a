#include "settings/ProductVariant.h"
#include "ui/DesktopSession.h"
#include "ui/MainWindow.h"
#include "ui/QtMessageSink.h"

#include <QApplication>
#include <QTimer>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#endif

namespace {

// The path the program was started from. Windows hands over argv[0] as it was typed
// (perhaps without ".exe", perhaps a short name), so the file's own name comes
// from the system there.
QString programPath()
{
#ifdef _WIN32
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            break;
        if (length < path.size())
            return QString::fromStdWString(path.substr(0, length));
        path.resize(path.size() * 2);
    }
#endif
    return QCoreApplication::arguments().value(0);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Cfg_740RB"));

    QtMessageSink messages;
    // The product comes from the name the program was started by (argv[0]), so a
    // link named after a product selects it.
    const QString fileName = executableFileName(programPath());
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
