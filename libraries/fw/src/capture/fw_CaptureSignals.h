// The signals that ask a capture to stop (SIGINT from a terminal, SIGTERM from a job runner,
// SIGHUP when the terminal goes). The handler only notes the signal; the capture acts on it at
// the next frame, or in the middle of a wait for an encoder, where it is safe to clean up.
#pragma once

// Installs the handlers; call once a capture is set up.
void fw_CaptureCatchStopSignals();
// The signal that asked to stop, or 0.
int fw_CaptureStopSignal();
// Its name ("SIGTERM"), for the log.
const char* fw_CaptureSignalName(int signal);
// The exit code of a capture a signal stopped: 128 + the signal's number, as a shell reports it.
int fw_CaptureStopExitCode(int signal);
