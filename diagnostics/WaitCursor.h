#pragma once

// Shows the hourglass (wait) cursor over the whole application for its lifetime,
// also when the command it guards ends with an exception.
class TWaitCursor {
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor &) = delete;
    TWaitCursor &operator=(const TWaitCursor &) = delete;
};
