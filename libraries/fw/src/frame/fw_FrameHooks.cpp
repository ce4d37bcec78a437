// The hook sets, kept in the order they were added.
#include "frame/fw_FrameHooks.h"

#include <vector>

namespace {
std::vector<fw_FrameHooks>& Sets() {
  static std::vector<fw_FrameHooks> sets;
  return sets;
}
}  // namespace

void fw_AddFrameHooks(const fw_FrameHooks& hooks) { Sets().push_back(hooks); }

void fw_FrameHooksSetUp() {
  for (const fw_FrameHooks& set : Sets())
    if (set.setUp) set.setUp();
}

void fw_FrameHooksStart() {
  for (const fw_FrameHooks& set : Sets())
    if (set.start) set.start();
}

void fw_FrameHooksStop() {
  for (const fw_FrameHooks& set : Sets())
    if (set.stop) set.stop();
}

bool fw_FrameHooksBeginFrame() {
  for (const fw_FrameHooks& set : Sets())
    if (set.beginFrame && !set.beginFrame()) return false;
  return true;
}

bool fw_FrameHooksHoldAtEnd() {
  for (const fw_FrameHooks& set : Sets())
    if (set.holdAtEnd && set.holdAtEnd()) return true;
  return false;
}

void fw_FrameHooksEndFrame() {
  for (const fw_FrameHooks& set : Sets())
    if (set.endFrame) set.endFrame();
}

bool fw_FrameHooksPresent() {
  bool atOnce = false;
  for (const fw_FrameHooks& set : Sets())
    if (set.present && set.present()) atOnce = true;
  return atOnce;
}

void fw_FrameHooksKeyDown(int key, bool shift, bool repeat) {
  for (const fw_FrameHooks& set : Sets())
    if (set.keyDown) set.keyDown(key, shift, repeat);
}
