#include "NetworkApply.h"

#include "Configuration.h"
#include "LineOptions.h"
#include "ModuleJobs.h"
#include "ProgressLine.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

// The line a member is written on; nothing (and `error` set) when the plan's port,
// rate or format is unusable.
std::optional<ModuleJob> jobFor(const NetworkMember &member, std::stop_token stop, QString *error)
{
    if (member.port.isEmpty()) {
        *error = QStringLiteral("%1 has no \"port\" in the plan.").arg(member.name);
        return std::nullopt;
    }
    const bool searchFirst = member.baud.compare(QStringLiteral("auto"), Qt::CaseInsensitive) == 0;
    if (searchFirst && !member.format.isEmpty()) {
        *error = QStringLiteral("%1: \"baud\" auto finds the format too: leave out \"format\".").arg(member.name);
        return std::nullopt;
    }
    QString why;
    const std::optional<LineSettings> line =
        lineSettingsFromOptions(member.port, searchFirst ? QString() : member.baud, member.format, &why);
    if (!line) {
        *error = member.name + QStringLiteral(": ") + why;
        return std::nullopt;
    }
    return ModuleJob{*line, searchFirst, member.variant, stop};
}

}  // namespace

NetworkApplyResult applyNetworkPlan(const NetworkPlan &plan, bool json, QTextStream &out, QTextStream &err,
                                    std::stop_token stop)
{
    const std::vector<NetworkMember> &members = plan.network.members;
    std::vector<ModuleJob> jobs;
    QStringList labels;
    for (const NetworkMember &member : members) {
        QString error;
        const std::optional<ModuleJob> job = jobFor(member, stop, &error);
        if (!job) {
            err << "modemcfg network apply: " << plan.path << ": " << error << " Nothing was written." << Qt::endl;
            return {ExitStatus::BadFile, {}};
        }
        for (std::size_t i = 0; i < jobs.size(); ++i)
            if (devicePathOf(jobs[i].line.port) == devicePathOf(job->line.port)) {
                err << "modemcfg network apply: " << plan.path << ": " << members[i].name << " and " << member.name
                    << " are on the same port " << member.port << ". Nothing was written." << Qt::endl;
                return {ExitStatus::BadFile, {}};
            }
        jobs.push_back(*job);
        labels << member.name;
    }

    ProgressLine progress(labels);
    std::vector<ModuleReport> reports = runSideBySide(int(members.size()), [&](int slot) {
        ConsoleObserver observer(progress, slot);
        const std::size_t i = std::size_t(slot);
        return writeJob(jobs[i], configurationFrom(members[i].settings), true, observer);
    });
    progress.clear();

    NetworkApplyResult result;
    QJsonArray list;
    QStringList failed;
    QStringList failedText;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        ModuleReport &r = reports[i];
        const NetworkMember &member = members[i];
        result.status = worse(result.status, r.status);
        if (r.status != ExitStatus::Done) {
            failed << member.name;
            failedText << QStringLiteral("%1 (%2)").arg(member.name, resultName(r.status));
        }
        if (json) {
            QJsonObject o = QJsonDocument::fromJson(reportJson(r, QStringLiteral("write"))).object();
            o[QStringLiteral("member")] = member.name;
            list.append(o);
            continue;
        }
        for (const QString &notice : r.notices)
            err << member.name << ": " << QString(notice).replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified()
                << Qt::endl;
        r.port = QStringLiteral("%1 (%2)").arg(member.name, r.port);
        out << reportText(r);
    }
    const int written = int(reports.size()) - int(failed.size());
    if (json) {
        result.json[QStringLiteral("members")] = list;
        result.json[QStringLiteral("failed")] = QJsonArray::fromStringList(failed);
        return result;
    }
    out << QStringLiteral("%1 of %2 members written and verified").arg(written).arg(reports.size());
    if (!failed.isEmpty())
        out << QStringLiteral("; failed: ") << failedText.join(QStringLiteral(", "));
    out << '.' << Qt::endl;
    return result;
}
