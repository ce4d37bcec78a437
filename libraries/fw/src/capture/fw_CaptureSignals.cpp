// Stop signals during a capture: a flag set in the handler, nothing more (async-signal-safe).
#include "capture/fw_CaptureSignals.h"

#include <csignal>
#include <initializer_list>

namespace {
volatile std::sig_atomic_t gStopSignal = 0;

void NoteStop(int signal) {
  // The first signal names the stop; a later one changes nothing.
  if (gStopSignal == 0) gStopSignal = signal;
}
}  // namespace

void fw_CaptureCatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = NoteStop;
  sigemptyset(&action.sa_mask);
  // Restarted calls keep the rest of the program unaware; the waits that must notice (an
  // encoder's pipe, the muxer's end) ask fw_CaptureStopSignal at least every tenth of a second.
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

int fw_CaptureStopSignal() { return gStopSignal; }

const char* fw_CaptureSignalName(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
  }
}

int fw_CaptureStopExitCode(int signal) { return 128 + signal; }
