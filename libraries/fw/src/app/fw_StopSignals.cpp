// Stop signals for a playing show: a flag set in the handler, nothing more (async-signal-safe).
#include "app/fw_StopSignals.h"

#include <csignal>

namespace {
volatile std::sig_atomic_t gStopSignal = 0;

void NoteStop(int signal) {
  if (gStopSignal == 0) gStopSignal = signal;
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
