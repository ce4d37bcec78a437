// The editor's memory of the texts it replaced.
#include "editor/fw_EditorTextMemory.h"

#include "editor/fw_EditorTracks.h"
#include "editor/fw_TrackWriteBack.h"

void fw_EditorTextMemory::remember(const std::string& path, const std::string& written, const std::string& before) {
  if (written == before) return;
  std::lock_guard<std::mutex> lock(mMutex);
  mEntries.push_back(Entry{path, fw_EditorVersion(written), before});
  if (mEntries.size() > kEntries) mEntries.pop_front();
}

std::string fw_EditorTextMemory::recall(const std::string& path, const std::string& current,
                                        const std::string& made) const {
  const std::string version = fw_EditorVersion(current);
  std::lock_guard<std::mutex> lock(mMutex);
  // Newest first: after an undo and a redo the same bytes may have replaced more than one text.
  for (auto it = mEntries.rbegin(); it != mEntries.rend(); ++it) {
    if (it->path == path && it->writtenVersion == version && fw_SameTracks(it->before, made)) return it->before;
  }
  return made;
}

fw_EditorTextMemory& fw_GetEditorTextMemory() {
  static fw_EditorTextMemory memory;
  return memory;
}
