// Stop signals for a playing show: a flag set in the handler, nothing more (async-signal-safe).
#include "app/fw_StopSignals.h"

#include <csignal>

namespace {
volatile std::sig_atomic_t gStopSignal = 0;

// The first signal asks the loop to end; a second one, when the loop does not (a present that
// never returns, a hung driver), ends the process the way the signal always would.
void NoteStop(int signal) {
  if (gStopSignal == 0) {
    gStopSignal = signal;
    return;
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}
}  // namespace

void fw_CatchStopSignals() {
  gStopSignal = 0;
  struct sigaction action {};
  action.sa_handler = NoteStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

int fw_StopSignal() { return gStopSignal; }
