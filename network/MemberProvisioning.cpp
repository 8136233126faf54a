#include "network/MemberProvisioning.h"

#include "comm/Exception.h"
#include "comm/PortName.h"
#include "operations/ModuleFinder.h"
#include "operations/ModuleSession.h"
#include "settings/CommandBuilder.h"

namespace {

using Outcome = OperationResult::Outcome;

MemberOutcome failed(const QString &text, MemberOutcome::Result result = MemberOutcome::Result::Failed)
{
    MemberOutcome o;
    o.result = result;
    o.text = text;
    return o;
}

MemberOutcome fromFailure(const OperationResult &r, const QString &what)
{
    if (r.outcome == Outcome::Cancelled)
        return failed(QStringLiteral("Stopped."), MemberOutcome::Result::Cancelled);
    return failed(what + r.error);
}

}  // namespace

LineSettings memberLineSettings(const NetworkMember &member, bool *searchFirst)
{
    const auto fail = [&](const QString &why) { throw Exception(member.name + QStringLiteral(": ") + why); };
    LineSettings line;
    const QString port = member.port.trimmed();
    if (port.isEmpty())
        fail(QStringLiteral("no port is given."));
    QString why;
    const std::optional<QString> opened = portFromName(port, &why);
    if (!opened)
        fail(QStringLiteral("the port %1: %2.").arg(port, why));
    line.port = *opened;
    const bool search = member.baud.compare(QStringLiteral("auto"), Qt::CaseInsensitive) == 0;
    if (searchFirst)
        *searchFirst = search;
    if (!member.baud.isEmpty() && !search) {
        bool ok = false;
        const int rate = member.baud.toInt(&ok);
        if (!ok || baudRateIndex(rate) < 0)
            fail(QStringLiteral("the rate %1 is not one the PC side can be set to.").arg(member.baud));
        line.baudRate = rate;
    }
    if (!member.format.isEmpty()) {
        const QString f = member.format.toUpper();
        const QStringList formats{QStringLiteral("N-8-1"), QStringLiteral("E-7-1"), QStringLiteral("O-7-1"),
                                  QStringLiteral("E-7-2"), QStringLiteral("O-7-2")};
        if (!formats.contains(f) || search)
            fail(QStringLiteral("the format %1 is not one of %2 (and goes without a rate of auto).")
                     .arg(member.format, formats.join(QStringLiteral(", "))));
        line.parity = f[0] == QLatin1Char('E') ? Parity::Even : f[0] == QLatin1Char('O') ? Parity::Odd : Parity::None;
        line.dataBits = f[2].digitValue();
        line.stopBits = f[4].digitValue();
    }
    return line;
}

MemberOutcome provisionMember(const NetworkMember &member, OperationObserver &observer, std::stop_token stop)
{
    bool search = false;
    LineSettings line;
    try {
        line = memberLineSettings(member, &search);
    } catch (const Exception &e) {
        return failed(e.message());
    }
    if (search) {
        observer.status(QStringLiteral("Searching..."));
        const ModuleFinder::Result found = ModuleFinder().find(line, stop);
        switch (found.outcome) {
        case ModuleFinder::Result::Outcome::Found: line = found.settings; line.port = member.port; break;
        case ModuleFinder::Result::Outcome::Cancelled:
            return failed(QStringLiteral("Stopped."), MemberOutcome::Result::Cancelled);
        case ModuleFinder::Result::Outcome::PortError: return failed(found.error);
        case ModuleFinder::Result::Outcome::NotFound:
            return failed(QStringLiteral("No module answered at any rate or format."));
        }
    }
    ModuleSession session(line);
    const ConfigureRequest request{member.variant, member.settings, buildCommandList(member.settings)};
    const OperationResult written = configureModule(request, session, observer, stop);
    if (!written.succeeded())
        return fromFailure(written, QString());
    if (!written.configured)
        return failed(QStringLiteral("The module did not store the configuration."));
    // The PC side follows the module to its new rate and format.
    session.setLineSettings(written.line);
    session.setEscapeCharacter(written.escapeCharacter);
    const OperationResult read = readModule(ReadRequest{member.variant, 0}, session, observer, stop);
    if (!read.succeeded() || !read.listing)
        return fromFailure(read, QStringLiteral("Written, but the read-back failed: "));
    MemberOutcome outcome;
    outcome.identification = read.identification;
    outcome.differences =
        compareSettings(member.settings, settingsFromListing(*read.listing, member.variant), member.variant.radioClass);
    outcome.result = outcome.differences.empty() ? MemberOutcome::Result::Verified : MemberOutcome::Result::Differences;
    outcome.text = outcome.differences.empty()
                       ? QStringLiteral("Written and verified.")
                       : QStringLiteral("Written, but the module differs in %1 setting(s).").arg(outcome.differences.size());
    return outcome;
}
