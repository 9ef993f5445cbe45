// Input that reaches a busy window. Commands run on the one thread without returning to the event
// loop, so the keys and clicks a user gives meanwhile wait in the queue; delivered afterwards they
// would run whatever they hit (an About that replaces a long log, an Exit, another PROCESS). They
// are dropped instead, as the window system hands them over, while paints and other events go on.
#pragma once

class QEvent;

namespace cartovex {

/// Keys, clicks, wheel turns and the window manager's close request: what a user gives.
bool IsUserInput(const QEvent& event);

/// Delivers everything the window system and Qt have queued, except user input, which is dropped.
/// Timers wait for the event loop.
void DropQueuedInput();

}  // namespace cartovex
