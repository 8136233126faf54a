#include "resources/Icons.h"

#include <QFile>

namespace {

const char *const kIconNames[] = {"DEFAULT", "KORVEL", "KORVELEGG", "BRISCA", "TOLVANE"};

}  // namespace

QIcon iconResource(const QString &name)
{
    for (const char *stored : kIconNames) {
        const QString storedName = QString::fromLatin1(stored);
        if (storedName.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        QIcon icon;
        icon.addFile(QStringLiteral(":/images/%1-16.png").arg(storedName), QSize(16, 16));
        icon.addFile(QStringLiteral(":/images/%1.png").arg(storedName), QSize(32, 32));
        return icon;
    }
    return {};
}

QIcon toolBarImage(const QString &buttonName)
{
    const QString path = QStringLiteral(":/images/%1.png").arg(buttonName);
    if (!buttonName.startsWith(QLatin1String("tb_")) || !QFile::exists(path))
        return {};
    return QIcon(path);
}
