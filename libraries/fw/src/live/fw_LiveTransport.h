// Live mode's reading of the show: the soundtrack's section map (name, first and last row per
// line), where a transport key moves the row, and the status line the window title shows.
// Pure functions on values, so they are tested without a window or a clock.
#pragma once

#include <string>
#include <vector>

struct fw_LiveSection {
  std::string name;
  int first = 0, last = 0;  // rows, both inside the section
};

// Reads "name first last" lines ('#' starts a comment) in row order. A bad line is warned about,
// naming file and line, and skipped; a name that is not UTF-8 is warned about and kept with its
// stray bytes replaced; a missing file gives no sections and no warning.
std::vector<fw_LiveSection> fw_ReadSectionMap(const std::string& path);

// Whether the row lies in the section: from its first row to the end of its last.
bool fw_RowInSection(const fw_LiveSection& section, float row);

// The section that holds the row, or null.
const fw_LiveSection* fw_SectionAt(const std::vector<fw_LiveSection>& sections, float row);

// What a key does in live mode. Pause, loop and screenshot act once a press: a held key's
// auto-repeats leave them alone, or a held Space would flip the pause on every repeat. Seeks
// repeat, so a held arrow steps on.
enum class fw_LiveKeyAction { None, TogglePause, ToggleLoop, Screenshot, Seek };
fw_LiveKeyAction fw_LiveKeyActionOf(int key, bool repeat);

// The row a transport key asks for (←/→ 8 rows, with shift 32; Page Up/Down the previous/next
// section's start; Home row 0), never below 0; -1 when the key is no seek.
float fw_LiveSeekTarget(int key, bool shift, float row, const std::vector<fw_LiveSection>& sections);

// "title · row 1412 · bar 45.1 · breakdown · 12 fps · paused" (bars of 32 rows, beats of 8,
// both counted from 1; the section and "paused" only when there are).
std::string fw_LiveStatusLine(const std::string& title, float row, const std::vector<fw_LiveSection>& sections,
                              float fps, bool paused);
