// The frame's side never blocks; the server's side copies under the lock.
#include "editor/fw_EditorBridge.h"

bool fw_EditorBridge::tryPublish(fw_EditorShowState state) {
  std::unique_lock<std::mutex> lock(mMutex, std::try_to_lock);
  if (!lock.owns_lock()) return false;
  state.frame = mState.frame + 1;
  mState = std::move(state);
  return true;
}

std::vector<fw_EditorCommand> fw_EditorBridge::tryDrain() {
  std::unique_lock<std::mutex> lock(mMutex, std::try_to_lock);
  if (!lock.owns_lock() || mCommands.empty()) return {};
  std::vector<fw_EditorCommand> commands(mCommands.begin(), mCommands.end());
  mCommands.clear();
  return commands;
}

fw_EditorShowState fw_EditorBridge::latest() {
  std::lock_guard<std::mutex> lock(mMutex);
  return mState;
}

bool fw_EditorBridge::queue(const fw_EditorCommand& command) {
  std::lock_guard<std::mutex> lock(mMutex);
  if (mCommands.size() >= kMaxCommands) return false;
  mCommands.push_back(command);
  return true;
}
