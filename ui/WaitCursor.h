#pragma once

// Shows the hourglass (wait) cursor over the whole application for its lifetime,
// also when the command it guards ends with an exception.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};
