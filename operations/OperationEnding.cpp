#include "operations/OperationEnding.h"

#include "operations/ModuleOperations.h"

QString changesSentence(const ModuleChanges &changes, StoredThing what)
{
    if (!changes.sent)
        return {};
    const bool defaults = what == StoredThing::FactoryDefaults;
    const QString thing = defaults ? QStringLiteral("the factory defaults") : QStringLiteral("the configuration");
    QString stored;
    switch (changes.store) {
    case ModuleChanges::Store::NotSent: stored = QStringLiteral("nothing was stored"); break;
    case ModuleChanges::Store::Unanswered: stored = thing + QStringLiteral(" may have been stored"); break;
    case ModuleChanges::Store::Acknowledged:
        stored = thing + (defaults ? QStringLiteral(" were stored") : QStringLiteral(" was stored"));
        break;
    }
    switch (changes.reset) {
    case ModuleChanges::Reset::Done: return stored + QStringLiteral(", the module was reset");
    case ModuleChanges::Reset::Failed: return stored + QStringLiteral(", the module could not be reset");
    case ModuleChanges::Reset::NotNeeded: break;
    }
    return stored;
}

QString endingText(const OperationResult &result, StoredThing what)
{
    if (result.succeeded())
        return {};
    const QString sentence = changesSentence(result.changes, what);
    if (result.outcome == OperationResult::Outcome::Cancelled)
        return sentence.isEmpty() ? QStringLiteral("Interrupted.") : QStringLiteral("Interrupted: ") + sentence + '.';
    if (sentence.isEmpty())
        return result.error;
    QString first = sentence;
    first[0] = first[0].toUpper();
    return result.error + (result.error.isEmpty() ? QString() : QStringLiteral("\n")) + first + '.';
}
