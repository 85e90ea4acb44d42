#pragma once

namespace jaserelle::client {

// Start-up measurement: when JASERELLE_EXPOSE_PROBE names a file, the first window that reaches the
// screen writes into it the wall-clock time (nanoseconds since the epoch), the processor time the
// program has used (nanoseconds) and the window's title, one a line, and the program ends on the
// spot. bench/startup compares the client with a bare dialog through this one hook.
void installExposeProbe();

} // namespace jaserelle::client
