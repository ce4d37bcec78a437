// The mouse state: buttons held (set by the window procedure), their edges this tick and the
// cursor's movement since the previous tick. One instance for the program, made by the run loop.
#pragma once

#include <cstdint>

struct fw_MouseButton {
  bool held = false;          // set by the window procedure
  bool heldPrevious = false;  // held in the previous tick
  bool pressed = false;       // held now, not in the previous tick
  bool released = false;      // not held now, held in the previous tick
  bool heldOn = false;        // held now and in the previous tick
};

struct fw_MouseState {
  fw_MouseButton left, middle, right;
  int32_t x = 0, y = 0;  // client pixels, set by the window procedure
  int32_t previousX = 0, previousY = 0;
  int32_t dx = 0, dy = 0;

  // Once per frame tick: the edges of every button, then dx and dy.
  void update();
};

// Creates the one mouse state; a second creation ends the process with exit code -1.
fw_MouseState* fw_CreateMouseState();
void fw_DestroyMouseState();
// Null when there is none.
fw_MouseState* fw_GetMouseState();
