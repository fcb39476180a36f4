// The general error handler. A step started by the user's action runs through
// it: an error ends the step and whatever it had started, its message is
// shown, and the program goes on with the next action.
#pragma once

#include <functional>

namespace kv {

class Dialogs;

// Runs a step through a handler (a view's gestures go through one).
using StepRunner = std::function<void(const std::function<void()>&)>;

// Runs the step; returns false when an error ended it (after showing it).
bool runReportingErrors(Dialogs& dialogs, const std::function<void()>& step);

// A runner that reports through `dialogs`, which must outlive it.
StepRunner errorReportingRunner(Dialogs& dialogs);

}  // namespace kv
