#include "journal/CommissioningReport.h"

#include "journal/ModuleConfiguration.h"

#include "comm/LineSettings.h"

#include <QJsonArray>
#include <QSysInfo>

#include <map>

namespace {

bool belongsTo(const JournalEntry &e, const ReportMember &m)
{
    return e.port == m.port || e.device == m.port || devicePathOf(e.port) == devicePathOf(m.port);
}

ModuleSummary summarize(const QString &name, const QString &port, const std::vector<const JournalEntry *> &records)
{
    ModuleSummary s;
    s.name = name;
    s.port = port;
    for (const JournalEntry *e : records) {   // oldest first: later records win
        s.device = e->device;
        if (!e->product.isEmpty())   // the console's diagnostics know no product
            s.product = e->product;
        if (!e->identification.isEmpty()) {
            s.identification = e->identification;
            s.firmware = e->firmware;
        }
        if (!e->lineAfter.isEmpty())
            s.configuration = *e;
        if (e->operation == QLatin1String("write"))
            s.lastWrite = *e;
        if (e->compared)
            s.lastVerify = *e;
        if (e->operation == QLatin1String("rssi") && !e->figures.isEmpty())
            s.lastRssi = *e;
        if (e->operation.startsWith(QLatin1String("ber")) && !e->figures.isEmpty())
            s.lastBer = *e;
    }
    if (s.configuration) {
        const std::optional<ProductVariant> variant = productVariantOf(s.configuration->product);
        if (const auto settings = settingsOfLine(s.configuration->lineAfter, s.configuration->product))
            s.settings = networkSettings(*settings, variant ? variant->radioClass : RadioClass::Class740);
    }
    return s;
}

QString esc(const QString &text) { return text.toHtmlEscaped(); }

QString timeText(const QDateTime &time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm")) + QStringLiteral(" UTC");
}

QString statisticsText(const QJsonObject &s, const QString &unit)
{
    return QStringLiteral("average %1%3 (%2 to %4%3)")
        .arg(s.value(QStringLiteral("average")).toDouble())
        .arg(s.value(QStringLiteral("minimum")).toDouble())
        .arg(unit)
        .arg(s.value(QStringLiteral("maximum")).toDouble());
}

QString row(const QStringList &cells, const char *tag = "td")
{
    QString html = QStringLiteral("<tr>");
    for (const QString &c : cells)
        html += QStringLiteral("<%1>%2</%1>").arg(QLatin1String(tag), c);
    return html + QStringLiteral("</tr>\n");
}

const char kStyle[] =
    "body{font-family:sans-serif;margin:2em;color:#222}"
    "table{border-collapse:collapse;margin:0.5em 0 1.5em}"
    "th,td{border:1px solid #999;padding:0.25em 0.6em;text-align:left;vertical-align:top}"
    "th{background:#eee}.bad{color:#a00;font-weight:bold}.drawing{margin:1em 0}";

QString moduleSection(const ModuleSummary &m)
{
    QString html = QStringLiteral("<h2>%1</h2>\n<table>\n").arg(esc(m.name));
    const auto line = [&](const QString &caption, const QString &value) {
        html += row({esc(caption), value}, "td");
    };
    line(QStringLiteral("Port"), esc(m.port));
    if (!m.device.isEmpty() && m.device != m.port)
        line(QStringLiteral("Device"), esc(m.device));
    if (!m.product.isEmpty())
        line(QStringLiteral("Product"), esc(m.product));
    line(QStringLiteral("Identification"), esc(m.identification.isEmpty() ? QStringLiteral("unknown") : m.identification));
    line(QStringLiteral("Firmware"), esc(m.firmware.isEmpty() ? QStringLiteral("unknown") : m.firmware));
    const auto outcome = [](const std::optional<JournalEntry> &e) {
        const QString text = esc(outcomeText(e));
        return e && !e->succeeded() ? QStringLiteral("<span class=\"bad\">%1</span>").arg(text) : text;
    };
    line(QStringLiteral("Last write"), outcome(m.lastWrite));
    line(QStringLiteral("Last verify"), outcome(m.lastVerify));
    line(QStringLiteral("Last RSSI"), esc(m.lastRssi ? figuresText(*m.lastRssi) : QStringLiteral("none recorded")));
    line(QStringLiteral("Last BER"), esc(m.lastBer ? figuresText(*m.lastBer) : QStringLiteral("none recorded")));
    html += QStringLiteral("</table>\n");
    if (m.lastVerify && !m.lastVerify->differences.isEmpty()) {
        html += QStringLiteral("<p class=\"bad\">Differences found by the last verify:</p>\n<table>\n");
        html += row({QStringLiteral("Setting"), QStringLiteral("Expected"), QStringLiteral("Module")}, "th");
        for (const QJsonValue &v : m.lastVerify->differences) {
            const QJsonObject d = v.toObject();
            html += row({esc(d.value(QStringLiteral("setting")).toString()),
                         esc(d.value(QStringLiteral("expected")).toString()),
                         esc(d.value(QStringLiteral("module")).toString())});
        }
        html += QStringLiteral("</table>\n");
    }
    if (m.settings.isEmpty()) {
        html += QStringLiteral("<p>No configuration recorded.</p>\n");
        return html;
    }
    html += QStringLiteral("<h3>Settings (%1 of %2)</h3>\n<table>\n")
                .arg(esc(m.configuration->operation), esc(timeText(m.configuration->time)));
    for (const auto &[caption, value] : m.settings)
        html += row({esc(caption), esc(value)});
    return html + QStringLiteral("</table>\n");
}

}  // namespace

std::vector<ModuleSummary> summarizeModules(const JournalEntries &entries, const QList<ReportMember> &members)
{
    std::vector<ModuleSummary> list;
    if (!members.isEmpty()) {
        for (const ReportMember &m : members) {
            std::vector<const JournalEntry *> records;
            for (const JournalEntry &e : entries)
                if (belongsTo(e, m))
                    records.push_back(&e);
            list.push_back(summarize(m.name, m.port, records));
        }
        return list;
    }
    // Every device in the order it first appears, under the port it was last used on.
    std::vector<QString> order;
    std::map<QString, std::vector<const JournalEntry *>> byDevice;
    for (const JournalEntry &e : entries) {
        const QString key = e.device.isEmpty() ? e.port : e.device;
        auto &records = byDevice[key];
        if (records.empty())
            order.push_back(key);
        records.push_back(&e);
    }
    for (const QString &key : order) {
        const auto &records = byDevice[key];
        list.push_back(summarize(records.back()->port, records.back()->port, records));
    }
    return list;
}

QString figuresText(const JournalEntry &e)
{
    QStringList parts;
    const QJsonObject level = e.figures.value(QStringLiteral("level")).toObject();
    if (!level.isEmpty())
        parts << QStringLiteral("level ") + statisticsText(level, QStringLiteral(" dBm"));
    const QJsonObject errors = e.figures.value(QStringLiteral("errors")).toObject();
    if (!errors.isEmpty())
        parts << QStringLiteral("%1 errors in all").arg(errors.value(QStringLiteral("total")).toDouble());
    parts << QStringLiteral("%1 reports").arg(e.figures.value(QStringLiteral("reports")).toInt());
    return QStringLiteral("%1: %2, %3").arg(e.operation, parts.join(QStringLiteral(", ")), timeText(e.time));
}

QString outcomeText(const std::optional<JournalEntry> &e)
{
    if (!e)
        return QStringLiteral("none recorded");
    QString text = e->outcome;
    if (!e->message.isEmpty())
        text += QStringLiteral(" (") + e->message + QLatin1Char(')');
    return text + QStringLiteral(", ") + timeText(e->time);
}

QString commissioningReportHtml(const ReportInput &input)
{
    const std::vector<ModuleSummary> modules = summarizeModules(input.entries, input.members);
    QString html = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                                  "<title>Commissioning Report</title>\n<style>%1</style>\n</head>\n<body>\n")
                       .arg(QLatin1String(kStyle));
    html += QStringLiteral("<h1>Commissioning Report</h1>\n<p>Produced %1 on %2 from the journal %3")
                .arg(esc(timeText(QDateTime::currentDateTimeUtc())), esc(QSysInfo::machineHostName()),
                     esc(input.journalPath));
    if (input.since.isValid())
        html += QStringLiteral(", records since %1").arg(esc(timeText(input.since)));
    html += QStringLiteral(".</p>\n");
    if (!input.svg.isEmpty())
        html += QStringLiteral("<div class=\"drawing\">\n") + input.svg + QStringLiteral("\n</div>\n");
    if (modules.empty()) {
        html += QStringLiteral("<p>No modules recorded.</p>\n");
    } else {
        html += QStringLiteral("<table>\n") +
                row({QStringLiteral("Module"), QStringLiteral("Port"), QStringLiteral("Identification"),
                     QStringLiteral("Firmware"), QStringLiteral("Last write"), QStringLiteral("Last verify")},
                    "th");
        for (const ModuleSummary &m : modules)
            html += row({esc(m.name), esc(m.port), esc(m.identification), esc(m.firmware),
                         esc(m.lastWrite ? m.lastWrite->outcome : QStringLiteral("none")),
                         esc(m.lastVerify ? m.lastVerify->outcome : QStringLiteral("none"))});
        html += QStringLiteral("</table>\n");
    }
    for (const ModuleSummary &m : modules)
        html += moduleSection(m);
    return html + QStringLiteral("</body>\n</html>\n");
}
