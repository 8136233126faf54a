#pragma once

#include "operations/ModuleOperations.h"
#include "operations/OperationRun.h"

// The bodies of the module operations, run inside an OperationRun's frame with the
// line open. Internal to the operations.
void configureSteps(OperationRun &run, const ConfigureRequest &request);
void readSteps(OperationRun &run, const ReadRequest &request);
// "AT&F&W" after a wake, noting in `changes` how far it got; the read that follows
// is the caller's.
void restoreSteps(OperationRun &run, ModuleChanges &changes);
