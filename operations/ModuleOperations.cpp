#include "operations/ModuleOperations.h"

#include "operations/OperationSteps.h"

OperationResult configureModule(const ConfigureRequest &request, ModuleSession &session, OperationObserver &observer,
                                std::stop_token stop)
{
    OperationRun run(session, observer, std::move(stop));
    run.setProductName(request.variant.modelName);
    return run.frame([&] { configureSteps(run, request); });
}

OperationResult readModule(const ReadRequest &request, ModuleSession &session, OperationObserver &observer,
                           std::stop_token stop)
{
    OperationRun run(session, observer, std::move(stop));
    run.setProductName(request.variant.modelName);
    return run.frame([&] { readSteps(run, request); });
}

OperationResult restoreDefaults(const ReadRequest &request, ModuleSession &session, OperationObserver &observer,
                                std::stop_token stop)
{
    OperationRun run(session, observer, std::move(stop));
    run.setProductName(request.variant.modelName);
    return run.frame([&] {
        const LineSettings start = session.lineSettings();
        // The module talks 9600 8-N-1 once its factory defaults are active; the PC follows on the same port.
        LineSettings line;
        line.port = start.port;

        ModuleChanges changes;
        std::exception_ptr failure;
        try {
            restoreSteps(run, changes);
        } catch (const ExchangeCancelled &) {
        } catch (...) {
            failure = std::current_exception();
        }
        const bool unfinished = failure || run.stopped() || !run.result().succeeded();
        if (changes.sent && unfinished) {
            // The module is at its factory line once "AT&F" took effect, else where it was.
            const bool stored = changes.store != ModuleChanges::Store::NotSent;
            changes.reset = run.resetModule(stored ? QList<LineSettings>{line, start} : QList<LineSettings>{start, line})
                                ? ModuleChanges::Reset::Done
                                : ModuleChanges::Reset::Failed;
            session.setLineSettings(stored ? line : start);
        }
        run.result().changes = changes;
        if (failure)
            std::rethrow_exception(failure);
        if (unfinished)
            return;
        run.reopen(line);
        readSteps(run, request);
    });
}
