#include "operations/ModuleOperations.h"

#include "operations/OperationSteps.h"
#include "settings/SerialParams.h"

OperationResult configureModule(const ConfigureRequest &request, ModuleSession &session, OperationObserver &observer,
                                std::stop_token stop)
{
    OperationRun run(session, observer, std::move(stop));
    return run.frame([&] { configureSteps(run, request); });
}

OperationResult readModule(const ReadRequest &request, ModuleSession &session, OperationObserver &observer,
                           std::stop_token stop)
{
    OperationRun run(session, observer, std::move(stop));
    return run.frame([&] { readSteps(run, request); });
}

OperationResult restoreDefaults(const ReadRequest &request, ModuleSession &session, OperationObserver &observer,
                                std::stop_token stop)
{
    OperationRun run(session, observer, std::move(stop));
    return run.frame([&] {
        try {
            restoreSteps(run);
        } catch (const ExchangeCancelled &) {
            // the PC side follows the module's reset all the same
        }
        // The module talks 9600 8-N-1 after its factory reset; the PC follows on the same port.
        PortSettings factory = portSettingsFor(session.lineSettings());
        resetPortSettings(factory, false);
        LineSettings line = lineSettingsFor(factory);
        line.port = session.lineSettings().port;
        run.reopen(line);
        readSteps(run, request);
    });
}
