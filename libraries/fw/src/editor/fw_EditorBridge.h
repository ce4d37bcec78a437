// Between the frame and the editor's server thread: the show's state the frame publishes once a
// frame (row, pause, loop, every track's value), and the transport commands the server queues for
// the frame. The frame only ever try_locks: when the server holds the lock, the frame skips this
// frame's publish or drain and does it in the next, so it never waits. The server holds the lock
// only to copy.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct fw_EditorLoop {
  int first = 0, last = 0;  // rows, both inside
};

struct fw_EditorShowState {
  uint64_t frame = 0;  // counts publishes; 0 before the first
  float row = 0.0f;
  bool paused = false;
  std::optional<fw_EditorLoop> loop;
  std::vector<std::pair<std::string, float>> values;  // every track's value at the row
};

struct fw_EditorCommand {
  enum class Kind { Seek, Pause, Loop };
  Kind kind = Kind::Seek;
  float row = 0.0f;                   // Seek
  bool paused = false;                // Pause
  std::optional<fw_EditorLoop> loop;  // Loop: the span, or none to stop looping
};

class fw_EditorBridge {
public:
  // Commands past this many wait for no frame: a show that stopped drawing does not grow the queue.
  static constexpr size_t kMaxCommands = 1024;

  // The frame: false when the server held the lock (the state is published next frame).
  bool tryPublish(fw_EditorShowState state);
  // The frame: the commands queued since the last drain, oldest first; none when the lock is held.
  std::vector<fw_EditorCommand> tryDrain();

  // The server.
  fw_EditorShowState latest();
  // False when the queue is full.
  bool queue(const fw_EditorCommand& command);

private:
  std::mutex mMutex;
  fw_EditorShowState mState;
  std::deque<fw_EditorCommand> mCommands;
};
