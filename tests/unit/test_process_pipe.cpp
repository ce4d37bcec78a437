// The pipe into a helper program: a reader that stops taking bytes fails the write after the
// stall limit (and is ended), a slow reader that keeps taking them is never cut off, a program
// that does not end after its input does is ended at the limit, and the stop check cuts any wait
// short. Real programs (sh, head), no fake clock: each limit is far from what the reader does.
#include <platform/process_pipe.h>

#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

const std::vector<uint8_t> kMegabyte(1 << 20, 7);
}  // namespace

TEST(PipedProcess, AReaderThatTakesNothingFailsTheWriteAtTheLimitAndIsEnded) {
  // A program that stops itself before reading, as an encoder stopped with SIGSTOP.
  platform::PipedProcess stopped;
  stopped.setStallLimit(300);
  std::string reason;
  ASSERT_TRUE(stopped.start({"sh", "-c", "kill -STOP $$; cat > /dev/null"}, &reason)) << reason;
  const auto start = Clock::now();
  EXPECT_FALSE(stopped.write(kMegabyte.data(), kMegabyte.size(), &reason));
  EXPECT_EQ(reason, "the program took nothing for 0.3 s");
  // poll() counts whole milliseconds on a clock of its own: allow it one early.
  EXPECT_GE(SecondsSince(start), 0.298);
  EXPECT_FALSE(stopped.running()) << "a stopped reader is left behind";
  EXPECT_EQ(stopped.finish(), -1);
}

TEST(PipedProcess, ASlowReaderThatKeepsTakingIsNeverCutOff) {
  // 64 KiB every tenth of a second: the megabyte takes about 1.6 s, past the 1 s limit, which
  // counts from the last byte taken and so never runs out.
  platform::PipedProcess slow;
  slow.setStallLimit(1000);
  std::string reason;
  ASSERT_TRUE(slow.start({"sh", "-c", "while [ \"$(head -c 65536 | wc -c)\" -gt 0 ]; do sleep 0.1; done"}, &reason))
      << reason;
  const auto start = Clock::now();
  EXPECT_TRUE(slow.write(kMegabyte.data(), kMegabyte.size(), &reason)) << reason;
  EXPECT_GT(SecondsSince(start), 1.0) << "the reader was faster than the test assumes";
  EXPECT_EQ(slow.finish(&reason), 0) << reason;
}

TEST(PipedProcess, AProgramThatDoesNotEndAfterItsInputIsEndedAtTheLimit) {
  platform::PipedProcess stuck;
  stuck.setStallLimit(300);
  std::string reason;
  ASSERT_TRUE(stuck.start({"sh", "-c", "cat > /dev/null; kill -STOP $$"}, &reason)) << reason;
  ASSERT_TRUE(stuck.write("frame", 5, &reason)) << reason;
  EXPECT_EQ(stuck.finish(&reason), -1);
  EXPECT_EQ(reason, "the program did not end within 0.3 s of its input's end");
  EXPECT_FALSE(stuck.running());

  // Without a limit the exit code is the program's, as before.
  platform::PipedProcess plain;
  ASSERT_TRUE(plain.start({"sh", "-c", "cat > /dev/null; exit 4"}, &reason)) << reason;
  EXPECT_EQ(plain.finish(), 4);
}

TEST(PipedProcess, TheStopCheckCutsAWriteAndAWaitShort) {
  std::atomic<bool> stop{false};
  platform::PipedProcess deaf;
  deaf.setStopCheck([&] { return stop.load(); });
  std::string reason;
  ASSERT_TRUE(deaf.start({"sh", "-c", "kill -STOP $$"}, &reason)) << reason;
  stop = true;  // no limit is set: only the check ends this write
  EXPECT_FALSE(deaf.write(kMegabyte.data(), kMegabyte.size(), &reason));
  EXPECT_EQ(reason, "stopped before the program took it");
  EXPECT_FALSE(deaf.running());

  stop = false;
  platform::PipedProcess waiting;
  waiting.setStopCheck([&] { return stop.load(); });
  ASSERT_TRUE(waiting.start({"sh", "-c", "exec sleep 600"}, &reason)) << reason;
  stop = true;
  const auto start = Clock::now();
  EXPECT_EQ(waiting.finish(&reason), -1);
  EXPECT_EQ(reason, "stopped before the program ended");
  EXPECT_LT(SecondsSince(start), 60.0);
}
