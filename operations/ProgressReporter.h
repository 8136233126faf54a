#pragma once

#include <QString>

// What an operation reports while it runs: a status text and a progress bar. Called
// on the GUI thread only; the worker hands each call over and waits for it.
class ProgressReporter {
public:
    virtual ~ProgressReporter() = default;

    virtual void setStatus(const QString &text) = 0;
    virtual void setProgress(int n) = 0;
    virtual void setProgressMax(int n) = 0;
    virtual void stepProgress() = 0;
    virtual void progressToMax() = 0;
    // Draws the report at once, before the next blocking exchange.
    virtual void repaintNow() = 0;
};
