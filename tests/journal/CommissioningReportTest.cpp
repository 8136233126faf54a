// The commissioning report from a fixture journal: what it says about each module,
// not how it lays it out.
#include "JournalFixture.h"

#include "journal/CommissioningReport.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QDateTime kStart(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);

// The text of the page without its tags, spaces made single.
QString textOf(const QString &html)
{
    QString text = html;
    text.remove(QRegularExpression(QStringLiteral("<style>.*</style>"),
                                   QRegularExpression::DotMatchesEverythingOption));
    text.replace(QRegularExpression(QStringLiteral("<[^>]*>")), QStringLiteral(" "));
    return text.simplified();
}

// Two modules: COM1 written, verified with a difference, measured; COM2 read twice,
// the later read with other firmware.
JournalEntries fixture()
{
    JournalEntries list;
    JournalEntry write = sampleEntry(QStringLiteral("write"), QStringLiteral("COM1"), kStart);
    write.lineAfter = goldenLine();
    write.compared = true;
    list.push_back(write);
    JournalEntry verify = sampleEntry(QStringLiteral("verify"), QStringLiteral("COM1"), kStart.addSecs(60),
                                      QStringLiteral("differences"));
    verify.lineAfter = goldenLine();
    verify.compared = true;
    verify.differences = QJsonArray{QJsonObject{{QStringLiteral("setting"), QStringLiteral("Packet Size (bytes)")},
                                                {QStringLiteral("key"), QStringLiteral("S14")},
                                                {QStringLiteral("expected"), QStringLiteral("530")},
                                                {QStringLiteral("module"), QStringLiteral("276")}}};
    list.push_back(verify);
    JournalEntry rssi = sampleEntry(QStringLiteral("rssi"), QStringLiteral("COM1"), kStart.addSecs(120));
    rssi.identification.clear();
    rssi.figures = QJsonObject{{QStringLiteral("reports"), 20},
                               {QStringLiteral("level"), QJsonObject{{QStringLiteral("minimum"), -75},
                                                                     {QStringLiteral("maximum"), -68},
                                                                     {QStringLiteral("average"), -71.5}}}};
    list.push_back(rssi);
    JournalEntry read = sampleEntry(QStringLiteral("read"), QStringLiteral("COM2"), kStart.addSecs(180));
    QByteArray line = goldenLine();
    read.lineAfter = line.replace("AT&S0", "AT&S42");
    list.push_back(read);
    JournalEntry later = sampleEntry(QStringLiteral("read"), QStringLiteral("COM2"), kStart.addSecs(240),
                                     QStringLiteral("no response"));
    later.identification = QStringLiteral("740R-B V2.10");
    later.firmware = QStringLiteral("2.10");
    list.push_back(later);
    for (std::size_t i = 0; i < list.size(); ++i)
        list[i].id = qint64(i + 1);
    return list;
}

TEST(CommissioningReport, SummarizesEachDeviceFromItsLatestRecords)
{
    const std::vector<ModuleSummary> modules = summarizeModules(fixture());
    ASSERT_EQ(modules.size(), 2u);
    const ModuleSummary &first = modules[0];
    EXPECT_EQ(first.name, QStringLiteral("COM1"));
    ASSERT_TRUE(first.lastWrite && first.lastVerify && first.lastRssi);
    EXPECT_EQ(first.lastWrite->outcome, QStringLiteral("done"));
    EXPECT_EQ(first.lastVerify->outcome, QStringLiteral("differences"));   // the verify came after the write
    EXPECT_FALSE(first.lastBer);
    EXPECT_EQ(first.identification, QStringLiteral("740R-B V1.90"));       // the RSSI run did not identify
    const ModuleSummary &second = modules[1];
    EXPECT_EQ(second.firmware, QStringLiteral("2.10"));
    EXPECT_FALSE(second.lastWrite);
    ASSERT_TRUE(second.configuration);
    EXPECT_EQ(second.configuration->id, 4);   // the failed read knew nothing of the settings
    EXPECT_TRUE(second.settings.contains({QStringLiteral("System Address"), QStringLiteral("42")}));
}

TEST(CommissioningReport, TheNetworkSettingsOfAModuleAreNamed)
{
    const ModuleSummary m = summarizeModules(fixture()).front();
    QStringList captions;
    for (const auto &[caption, value] : m.settings)
        captions << caption;
    for (const char *caption : {"Operating Mode", "System Address", "Group Address 1", "Data Rate",
                                "CRC Error Checking", "Baud Rate", "Data Bits", "Parity", "Stop Bits", "Flow Control"})
        EXPECT_TRUE(captions.contains(QLatin1String(caption))) << caption;
    EXPECT_TRUE(m.settings.contains({QStringLiteral("Operating Mode"), QStringLiteral("Transparent Mode")}));
    EXPECT_TRUE(m.settings.contains({QStringLiteral("Baud Rate"), QStringLiteral("19200")}));
}

TEST(CommissioningReport, ThePageTellsWhatWasWrittenVerifiedAndMeasured)
{
    ReportInput input;
    input.entries = fixture();
    input.journalPath = QStringLiteral("/shared/journal.sqlite");
    const QString html = commissioningReportHtml(input);
    const QString text = textOf(html);
    EXPECT_TRUE(text.contains(QStringLiteral("/shared/journal.sqlite")));
    EXPECT_TRUE(text.contains(QStringLiteral("Identification 740R-B V1.90")));
    EXPECT_TRUE(text.contains(QStringLiteral("Firmware 2.10")));
    EXPECT_TRUE(text.contains(QStringLiteral("Last write done, 2026-03-01 08:00 UTC")));
    EXPECT_TRUE(text.contains(QStringLiteral("Last verify differences, 2026-03-01 08:01 UTC")));
    EXPECT_TRUE(text.contains(QStringLiteral("Packet Size (bytes) 530 276")));
    EXPECT_TRUE(text.contains(QStringLiteral("average -71.5 dBm (-75 to -68 dBm)"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("20 reports")));
    EXPECT_TRUE(text.contains(QStringLiteral("System Address 42")));
    EXPECT_TRUE(text.contains(QStringLiteral("Last BER none recorded")));
    // Self-contained: nothing fetched from elsewhere.
    EXPECT_FALSE(html.contains(QStringLiteral("src=")));
    EXPECT_FALSE(html.contains(QStringLiteral("href=")));
    EXPECT_FALSE(html.contains(QStringLiteral("<script")));
}

TEST(CommissioningReport, MembersSelectAndNameModulesAndTheDrawingIsEmbedded)
{
    ReportInput input;
    input.entries = fixture();
    input.members = {{QStringLiteral("Pump <North>"), QStringLiteral("COM2")},
                     {QStringLiteral("Spare"), QStringLiteral("COM7")}};
    input.svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\"><circle r=\"3\"/></svg>");
    const QString html = commissioningReportHtml(input);
    EXPECT_TRUE(html.contains(input.svg));
    EXPECT_TRUE(html.contains(QStringLiteral("Pump &lt;North&gt;")));   // names are escaped
    const QString text = textOf(html);
    EXPECT_FALSE(text.contains(QStringLiteral("COM1")));
    EXPECT_TRUE(text.contains(QStringLiteral("Spare Port COM7 Identification unknown")));
    EXPECT_TRUE(text.contains(QStringLiteral("No configuration recorded")));
    EXPECT_LT(html.indexOf(QStringLiteral("Pump")), html.indexOf(QStringLiteral("Spare")));
}

}  // namespace
