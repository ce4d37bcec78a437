// The mouse state: button edges per tick, movement, and its single instance.
#include "app/fw_MouseState.h"

#include <gtest/gtest.h>

TEST(MouseState, EdgesFollowTheHeldFlagAcrossTicks) {
  fw_MouseState m;
  m.left.held = true;
  m.update();
  EXPECT_TRUE(m.left.pressed);
  EXPECT_FALSE(m.left.heldOn);
  EXPECT_FALSE(m.left.released);
  m.update();  // still held
  EXPECT_FALSE(m.left.pressed);
  EXPECT_TRUE(m.left.heldOn);
  m.left.held = false;
  m.update();
  EXPECT_TRUE(m.left.released);
  EXPECT_FALSE(m.left.heldOn);
  m.update();
  EXPECT_FALSE(m.left.released);
  EXPECT_FALSE(m.right.pressed);
  EXPECT_FALSE(m.middle.pressed);
}

TEST(MouseState, APressAndReleaseBetweenTicksIsNotSeen) {
  fw_MouseState m;
  m.right.held = true;
  m.right.held = false;
  m.update();
  EXPECT_FALSE(m.right.pressed);
  EXPECT_FALSE(m.right.released);
}

TEST(MouseState, MovementIsTheChangeSinceThePreviousTick) {
  fw_MouseState m;
  m.x = 10, m.y = -5;
  m.update();
  EXPECT_EQ(m.dx, 10);
  EXPECT_EQ(m.dy, -5);
  m.update();
  EXPECT_EQ(m.dx, 0);
  m.x = 4;
  m.update();
  EXPECT_EQ(m.dx, -6);
  EXPECT_EQ(m.previousX, 4);
}

TEST(MouseState, ASecondInstanceIsAnAssertionWithAMessage) {
  ASSERT_NE(fw_CreateMouseState(), nullptr);
  EXPECT_EQ(fw_GetMouseState()->x, 0);
  EXPECT_DEATH(fw_CreateMouseState(), "single instance");
  fw_DestroyMouseState();
  EXPECT_EQ(fw_GetMouseState(), nullptr);
}
