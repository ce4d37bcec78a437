// Where a library linked into the program joins the run and the frame without the frame knowing
// it: development tools (capture to files, live mode, the timeline page) hang their work here, and
// a program built without them runs the same frames with every hook list empty.
#pragma once

// One set of hooks; any member may be left empty. Sets run in the order they were added.
struct fw_FrameHooks {
  // The run, before the clocks are made: what must be in place before the first clock reads the
  // performance counter.
  void (*setUp)() = nullptr;
  // The run, once the resources are loaded and the clocks and the music have started.
  void (*start)() = nullptr;
  // The run, after the message loop, before the device resources are released.
  void (*stop)() = nullptr;
  // The tick, after the clocks advanced and before the sync device is brought to the row. False
  // ends the frame there: nothing more is drawn or presented in it.
  bool (*beginFrame)() = nullptr;
  // The tick, when "GotoRow" ends the show. True holds the show where it is instead of ending the
  // process.
  bool (*holdAtEnd)() = nullptr;
  // The tick, after the picture is drawn and scaled out to the window, before the present.
  void (*endFrame)() = nullptr;
  // The present, right before the swap chain presents. True presents at once, without waiting for
  // the vertical blank (frames made for files, not for a screen).
  bool (*present)() = nullptr;
  // A key went down in the window (`repeat`: an auto-repeat of a held key), before the scene sees it.
  void (*keyDown)(int key, bool shift, bool repeat) = nullptr;
};

void fw_AddFrameHooks(const fw_FrameHooks& hooks);

// Called by the run, the tick, the present and the window procedure where the members above say.
void fw_FrameHooksSetUp();
void fw_FrameHooksStart();
void fw_FrameHooksStop();
bool fw_FrameHooksBeginFrame();  // false as soon as one set says so (the later ones do not run)
bool fw_FrameHooksHoldAtEnd();   // true as soon as one set holds
void fw_FrameHooksEndFrame();
bool fw_FrameHooksPresent();     // true when any set asks for it (every set runs)
void fw_FrameHooksKeyDown(int key, bool shift, bool repeat);
