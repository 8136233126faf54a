// The remembered PC line: kept in bit/s, and converted once from the table positions
// that earlier versions stored.
#include "settings/ProductVariant.h"
#include "ui/RememberedSettings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>


class RememberedSettingsTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_config;
    ProductVariant m_variant = *selectProductVariant(QStringLiteral("Cfg_740RB"));

    // The file the program reads, written as an earlier version left it.
    QString settingsFile() const { return RememberedSettings(m_variant).fileName(); }
    void store(const QVariantMap &values) const
    {
        QSettings file(settingsFile(), QSettings::IniFormat);
        for (auto at = values.begin(); at != values.end(); ++at)
            file.setValue(at.key(), at.value());
    }
    QStringList keys() const { return QSettings(settingsFile(), QSettings::IniFormat).allKeys(); }

private slots:
    // Qt settles the configuration folder once per process.
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }
    void init()
    {
        QSettings(settingsFile(), QSettings::IniFormat).clear();
        // COM3 stands for a device that is there.
        const QString device = m_config.filePath(QStringLiteral("ttyCOM3"));
        QFile present(device);
        QVERIFY(present.open(QIODevice::WriteOnly));
        qputenv("CFG_COM3", QFile::encodeName(device));
    }
    void cleanup() { qunsetenv("CFG_COM3"); }

    void storedPositionsAreReadOnceAsBitsPerSecond()
    {
        store({{"port/com", 2}, {"port/baud", 5}, {"port/parity", 2}, {"port/dataBits", 0}, {"port/stopBits", 1},
               {"files/lastFolder", m_config.path()}});
        const LineSettings expected{QStringLiteral("COM3"), 19200, 7, Parity::Even, 2};
        {
            RememberedSettings settings(m_variant);
            QCOMPARE(settings.lineSettings(), expected);
            QCOMPARE(settings.lastFolder(), m_config.path());   // the rest is untouched
        }
        // Stored in the new form, the positions gone: a later start reads the same.
        const QStringList stored = keys();
        QVERIFY2(!stored.contains(QStringLiteral("port/baud")), qPrintable(stored.join(u' ')));
        QVERIFY(!stored.contains(QStringLiteral("port/com")));
        QSettings file(settingsFile(), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("line/baudRate")).toInt(), 19200);
        QCOMPARE(file.value(QStringLiteral("line/port")).toString(), QStringLiteral("COM3"));
        QCOMPARE(RememberedSettings(m_variant).lineSettings(), expected);
    }

    void everyStoredRatePositionConverts()
    {
        for (int position = 0; position < int(kBaudRates.size()); ++position) {
            init();
            store({{"port/baud", position}});
            QCOMPARE(RememberedSettings(m_variant).lineSettings().baudRate, kBaudRates[std::size_t(position)]);
        }
    }

    void positionsOutOfRangeReadAsTheStartValue()
    {
        store({{"port/com", 9}, {"port/baud", 12}, {"port/parity", 3}, {"port/dataBits", 2}, {"port/stopBits", -1}});
        QCOMPARE(RememberedSettings(m_variant).lineSettings(), LineSettings{});
        QVERIFY(keys().filter(QStringLiteral("port/")).isEmpty());
    }

    void theNewFormWinsOverLeftoverPositions()
    {
        store({{"line/baudRate", 57600}, {"port/baud", 0}});
        QCOMPARE(RememberedSettings(m_variant).lineSettings().baudRate, 57600);
        QVERIFY(keys().filter(QStringLiteral("port/")).isEmpty());
    }

    void aLineIsKeptAsItWasSet()
    {
        const LineSettings line{QStringLiteral("COM3"), 76800, 7, Parity::Odd, 2};
        RememberedSettings(m_variant).setLineSettings(line);
        QCOMPARE(RememberedSettings(m_variant).lineSettings(), line);
    }

    void valuesThatMakeNoSenseReadAsTheStartValue()
    {
        store({{"line/port", "COM9"}, {"line/baudRate", 12345}, {"line/dataBits", 9}, {"line/parity", "mark"},
               {"line/stopBits", 3}});
        QCOMPARE(RememberedSettings(m_variant).lineSettings(), LineSettings{});
        // A port whose device has gone reads as COM1.
        store({{"line/port", "COM3"}});
        qunsetenv("CFG_COM3");
        qputenv("CFG_COM3", QFile::encodeName(m_config.filePath(QStringLiteral("gone"))));
        QCOMPARE(RememberedSettings(m_variant).lineSettings().port, QStringLiteral("COM1"));
    }
};

QTEST_GUILESS_MAIN(RememberedSettingsTest)
#include "RememberedSettingsTest.moc"
