#pragma once

namespace jaserelle::client {

// SIGTERM and SIGINT (a session logging out, `kill`, Ctrl+C in a terminal) end the event loop
// instead of the process, so that what the client holds outside itself (the router's forward of
// its peer port) is given back on the way out. Call once, after the application object exists.
void quitOnTerminationSignals();

} // namespace jaserelle::client
