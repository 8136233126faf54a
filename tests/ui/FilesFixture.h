#pragma once

// What the file-command tests of the main window share: scripted file dialogs, a
// temporary working folder and the golden configuration file.

#include "ui/FileDialogs.h"
#include "tests/support/MainWindowFixture.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Answer = MessageSink::Answer;
using Icon = MessageSink::Icon;
using Buttons = MessageSink::Buttons;

namespace files_test {

const QString kBase = QStringLiteral("740R-B Configuration");
const QString kLoadFailed = QStringLiteral("Unable to load file. The file may be corrupt, or incorrect.");

inline QByteArray golden()
{
    QFile f(QStringLiteral(CFG_TEST_DATA_DIR "/golden/transparent_example.40B"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Answers the file dialogs from a script and records what they were opened with.
class FakeDialogs : public FileDialogs {
public:
    struct Call {
        bool save;
        QString directory, filter, suffix, title;
    };
    QString answer;  // empty: the user cancels
    QList<Call> calls;

    QString getSaveFileName(const QString &directory, const QString &filter, const QString &suffix) override
    {
        calls.append({true, directory, filter, suffix, {}});
        return answer;
    }
    QString getOpenFileName(const QString &directory, const QString &filter, const QString &suffix,
                            const QString &title) override
    {
        calls.append({false, directory, filter, suffix, title});
        return answer;
    }
};

}  // namespace files_test


class FilesFixture : public MainWindowFixture {
protected:
    using FakeDialogs = files_test::FakeDialogs;

    std::unique_ptr<FakeDialogs> dialogs;
    std::unique_ptr<QTemporaryDir> dir;
    QString startDir;

    void start(const QString &argument = QString())
    {
        dialogs = std::make_unique<FakeDialogs>();
        startForm(QStringLiteral("Cfg_740RB"), dialogs.get(), argument);
    }
    QString path(const char *name) const { return dir->filePath(QString::fromLatin1(name)); }
    // Saves the current settings through "Save As" to path.
    void saveAs(const QString &target)
    {
        dialogs->answer = target;
        trigger("File_SaveAs");
        dialogs->answer.clear();
    }
    // A file item, e.g. item(bytes, "ATS14:") gives "ATS14:255".
    static QByteArray item(const QByteArray &line, const QByteArray &prefix)
    {
        const qsizetype at = line.indexOf(' ' + prefix);
        if (at < 0)
            return QByteArray();
        const qsizetype end = line.indexOf(' ', at + 1);
        return line.mid(at + 1, end - at - 1);
    }


    // Each test runs in a fresh temporary folder, its working directory.
    void setUpFolder()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        startDir = QDir::currentPath();
        QDir::setCurrent(dir->path());
    }
    void tearDownFolder()
    {
        form.reset();
        dialogs.reset();
        messages.reset();
        QDir::setCurrent(startDir);
        dir.reset();
    }
};
