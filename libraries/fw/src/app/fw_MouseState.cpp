// The mouse state's single instance and its per-tick update.
#include "app/fw_MouseState.h"

#include "diag/fw_Exit.h"

namespace {

fw_MouseState* gMouseState = nullptr;

void updateButton(fw_MouseButton& b) {
  b.pressed = b.held && !b.heldPrevious;
  b.released = !b.held && b.heldPrevious;
  b.heldOn = b.held && b.heldPrevious;
  b.heldPrevious = b.held;
}

}  // namespace

void fw_MouseState::update() {
  updateButton(left);
  updateButton(middle);
  updateButton(right);
  dx = x - previousX;
  dy = y - previousY;
  previousX = x;
  previousY = y;
}

fw_MouseState* fw_CreateMouseState() {
  FW_ASSERT(!gMouseState, "the mouse state is a single instance; it was created twice");
  gMouseState = new fw_MouseState;
  return gMouseState;
}

void fw_DestroyMouseState() {
  delete gMouseState;
  gMouseState = nullptr;
}

fw_MouseState* fw_GetMouseState() { return gMouseState; }
