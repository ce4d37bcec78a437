// Stop signals for a playing show: the first asks the main loop to end and the process goes on;
// a second, for a run stuck short of its loop, ends the process as the signal always would.
#include "app/fw_StopSignals.h"

#include <gtest/gtest.h>

#include <csignal>

TEST(StopSignalsDeathTest, TheFirstSignalIsKeptForTheLoopASecondEndsTheProcess) {
  EXPECT_EXIT(
      {
        fw_CatchStopSignals();
        std::raise(SIGTERM);
        // Still running, with the signal noted; a later, different one ends it.
        if (fw_StopSignal() != SIGTERM) std::_Exit(3);
        std::raise(SIGINT);
        std::_Exit(4);
      },
      ::testing::KilledBySignal(SIGINT), "");
  // In this process nothing is caught until asked, and a catch starts with no signal noted.
  fw_CatchStopSignals();
  EXPECT_EQ(fw_StopSignal(), 0);
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}
