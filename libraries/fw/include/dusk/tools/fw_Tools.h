// The development tools of the library dusk::tools: capture to files and video (--capture,
// --capture-video), live mode (--live) and the timeline page (--editor). A program that wants them
// calls fw_UseTools() in main() before fw_Main (app/fw_Main.h); a program that does not call it
// carries none of them, and refuses their options as unknown.
#pragma once

// Adds the tools' options to the command line and their hooks to the run and the frame
// (frame/fw_FrameHooks.h). Calling it again does nothing.
void fw_UseTools();
