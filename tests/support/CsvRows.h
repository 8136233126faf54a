// The rows of a saved receive-test CSV after its header (the module and port rows and
// the column names), cut into cells (the report lines hold no commas).
#pragma once

#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

inline QList<QStringList> csvRows(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QStringList> rows;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    qsizetype first = 0;
    while (first < lines.size() && !lines[first].startsWith(QLatin1String("Time,")))
        ++first;
    for (qsizetype i = first + 1; i < lines.size(); ++i)
        rows << lines[i].split(QLatin1Char(','));
    return rows;
}
