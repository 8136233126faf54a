// Installs the build into a temporary root, as the package does, and checks the layout:
// each desktop entry runs a product link that starts the product it names, and the
// icons, file type, metainfo and manual pages the entries rely on are in place.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kPrivateDir = QStringLiteral("/usr/lib/cfg740rb");

struct DesktopEntry {
    QString name;
    QString exec;
    QString icon;
    QStringList mimeTypes;
};

DesktopEntry readDesktopEntry(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    DesktopEntry entry;
    bool inMainGroup = false;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('[')))
            inMainGroup = line == QLatin1String("[Desktop Entry]");
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inMainGroup || eq < 0)
            continue;
        const QString key = line.left(eq), value = line.mid(eq + 1);
        if (key == QLatin1String("Name"))
            entry.name = value;
        else if (key == QLatin1String("Exec"))
            entry.exec = value;
        else if (key == QLatin1String("Icon"))
            entry.icon = value;
        else if (key == QLatin1String("MimeType"))
            entry.mimeTypes = value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    }
    return entry;
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

class InstallLayoutTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QTemporaryDir m_config;

    QString installed(const QString &path) const { return m_root.path() + path; }

    QStringList desktopFiles() const
    {
        return QDir(installed(QStringLiteral("/usr/share/applications")))
            .entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name);
    }

    // Starts an installed program offscreen with the caption probe loaded and returns the
    // caption of the first window it shows.
    QString captionShownBy(const QString &program) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("captionprobe"));
        env.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(CFG_PROBE_PLUGIN_PATH));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, {});
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
            return QStringLiteral("(no window within 30 s)");
        }
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("^caption: (.*)$"), QRegularExpression::MultilineOption)
                .match(out);
        return match.hasMatch() ? match.captured(1)
                                : QStringLiteral("(no caption; stderr: %1)")
                                      .arg(QString::fromUtf8(process.readAllStandardError()));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid() && m_config.isValid());
        // File types are looked up in the installed definitions (read at the first lookup).
        qputenv("XDG_DATA_DIRS", QFile::encodeName(installed(QStringLiteral("/usr/share"))));
        QProcess install;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), m_root.path());
        install.setProcessEnvironment(env);
        install.start(QStringLiteral(CFG_CMAKE_COMMAND),
                      {QStringLiteral("--install"), QStringLiteral(CFG_BUILD_DIR), QStringLiteral("--prefix"),
                       QStringLiteral("/usr")});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
    }

    void everyProductHasAnEntry()
    {
        QStringList names;
        for (const QString &file : desktopFiles())
            names << readDesktopEntry(installed(QStringLiteral("/usr/share/applications/") + file)).name;
        names.sort();
        const QStringList products = {
            QStringLiteral("620R Configuration"),
            QStringLiteral("740R-B Configuration"),
            QStringLiteral("JT Modem Configuration Utility"),
            QStringLiteral("KMA 410D Configuration"),
            QStringLiteral("KMA 410D Configuration (868 MHz)"),
        };
        QCOMPARE(names, products);

        // The metainfo launches exactly these entries.
        const QDir metainfo(installed(QStringLiteral("/usr/share/metainfo")));
        const QStringList components = metainfo.entryList({QStringLiteral("*.metainfo.xml")}, QDir::Files);
        QCOMPARE(components.size(), 1);
        QStringList launchables;
        const QRegularExpression launchable(QStringLiteral("<launchable type=\"desktop-id\">([^<]+)</launchable>"));
        for (auto it = launchable.globalMatch(readText(metainfo.filePath(components.first()))); it.hasNext();)
            launchables << it.next().captured(1);
        launchables.sort();
        QCOMPARE(launchables, desktopFiles());
    }

    void entryStartsTheProductItNames_data()
    {
        QTest::addColumn<QString>("file");
        for (const QString &file : desktopFiles())
            QTest::newRow(qPrintable(file)) << file;
    }

    void entryStartsTheProductItNames()
    {
        QFETCH(QString, file);
        const DesktopEntry entry = readDesktopEntry(installed(QStringLiteral("/usr/share/applications/") + file));

        // The entry runs a link in the private folder, passing the file it opens.
        QVERIFY2(entry.exec.endsWith(QLatin1String(" %f")), qPrintable(entry.exec));
        const QString program = entry.exec.chopped(3);
        QCOMPARE(QFileInfo(program).path(), kPrivateDir);
        const QFileInfo link(installed(program));
        QVERIFY2(link.isSymLink(), qPrintable(program));
        const QFileInfo executable(installed(kPrivateDir + QStringLiteral("/Cfg_740RB")));
        QCOMPARE(link.canonicalFilePath(), executable.canonicalFilePath());
        QCOMPARE(captionShownBy(link.filePath()), entry.name);

        // Its icon exists at every size of the theme.
        for (const int size : {48, 64, 128, 256}) {
            const QString icon =
                installed(QStringLiteral("/usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(entry.icon));
            QCOMPARE(QImageReader(icon).size(), QSize(size, size));
        }

        // It opens configuration files: the installed definitions give a .40B file that type.
        QCOMPARE(entry.mimeTypes,
                 QStringList{QMimeDatabase().mimeTypeForFile(QStringLiteral("site.40B"), QMimeDatabase::MatchExtension)
                                 .name()});
    }

    void programsAndManualPages()
    {
        QVERIFY(QFileInfo(installed(QStringLiteral("/usr/bin/modem-sim"))).isExecutable());
        for (const char *page : {"Cfg_740RB.1.gz", "modem-sim.1.gz"}) {
            QFile file(installed(QStringLiteral("/usr/share/man/man1/") + QLatin1String(page)));
            QVERIFY2(file.open(QIODevice::ReadOnly), page);
            QCOMPARE(file.read(2), QByteArray("\x1f\x8b"));  // gzip
        }
    }
};

QTEST_GUILESS_MAIN(InstallLayoutTest)
#include "LayoutTest.moc"
