// SIGTERM, SIGINT and SIGHUP (a desktop ending the session, Ctrl-C in the terminal, the terminal
// closed) as requests to end the program in order, the way closing its window does. The
// handlers only note the signal; the event loops take the request and close their windows. A
// second signal while that orderly end is under way ends the process at once.
#pragma once

namespace EndSignals {

// Installs the handlers for the three signals.
void Install();

// Whether an end was asked for and not yet taken; the next call answers false until another
// signal arrives.
bool TakeRequest();

// Whether an end was asked for and not yet taken, leaving it for TakeRequest.
bool Requested();

} // namespace EndSignals
