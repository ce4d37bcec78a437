// SIGINT and SIGTERM end a playing show the way Esc does: the main loop notices, the run releases
// everything in order and the process exits 0, with the frame times in the log. A capture puts
// handlers of its own in their place (capture/fw_CaptureSignals.h).
#pragma once

// Installs the handlers. The first signal is kept for the loop; a second one ends the process at
// once, as the signal does by default, so a run that no longer reaches its loop can still be stopped.
void fw_CatchStopSignals();
// The signal that asked the run to end, or 0.
int fw_StopSignal();
