// What the timeline editor wrote over, so that an edit which takes a source back to what it was
// (an undo, a redo, a key moved back) writes the bytes the file had, comments, blank lines and
// final newline as they were, instead of lines made again from the keys. Only a text the editor
// itself replaced, in the file it replaced it in, comes back, and only over the very bytes it
// wrote: a change made meanwhile by anyone else is never undone with it.
#pragma once

#include <deque>
#include <mutex>
#include <string>

class fw_EditorTextMemory {
public:
  // After the editor replaced `before` with `written` in the file at path.
  void remember(const std::string& path, const std::string& written, const std::string& before);
  // The bytes to write for an edit of the file at path that turned `current` into `made`: a text
  // `current` replaced when it holds the same tracks and keys as `made`, else `made` itself.
  std::string recall(const std::string& path, const std::string& current, const std::string& made) const;

private:
  struct Entry {
    std::string path, writtenVersion, before;
  };
  static constexpr size_t kEntries = 64;  // undo steps over all files; older ones fall back to the keys
  mutable std::mutex mMutex;
  std::deque<Entry> mEntries;  // oldest first
};

// The one memory the editor's calls share for the process's life.
fw_EditorTextMemory& fw_GetEditorTextMemory();
