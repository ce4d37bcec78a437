// Saving an edited track source over the version the edit was made from, and over nothing else:
// a text editor that saves the same file meanwhile keeps its save. The check and the replace are
// one step: the new text is written beside the file and swapped with it atomically, and what came
// out is compared with the version the edit was made from; when it differs, the two are swapped
// back. The file keeps its mode and (where the process may) its owner; a read-only file is not
// replaced; a link is followed and its target written in the target's folder. POSIX, Linux's
// renameat2 for the swap, with a plain rename where the file system cannot swap.
#pragma once

#include <string>

struct fw_SourceSave {
  enum class Status {
    Saved,     // the file holds the new text
    Changed,   // the file was not the version the edit was made from; current holds it
    ReadOnly,  // the file may not be written; nothing changed
    Gone,      // there is no file (any more)
    Failed,    // the new text could not be written; nothing changed
  };
  Status status = Status::Failed;
  std::string current;  // Changed: the file's bytes as they are now
  std::string reason;   // ReadOnly, Failed: why, for a person
};

// Replaces the file at path, which the edit read as `base`, with `text`. `exchange` false takes
// the plain rename a file system without the swap gets (for tests).
fw_SourceSave fw_SaveEditorSource(const std::string& path, const std::string& base, const std::string& text,
                                  bool exchange = true);
