// Live mode's reading of the show: where a transport key moves the row in the section map, and the status line the window title shows.
// Pure functions on values, so they are tested without a window or a clock.
#pragma once

#include "device/fw_Quality.h"
#include "sync/sync_Sections.h"

#include <string>
#include <vector>

// What a key does in live mode. Pause, loop and screenshot act once a press: a held key's
// auto-repeats leave them alone, or a held Space would flip the pause on every repeat. Seeks
// repeat, so a held arrow steps on.
enum class fw_LiveKeyAction { None, TogglePause, ToggleLoop, Screenshot, Seek };
fw_LiveKeyAction fw_LiveKeyActionOf(int key, bool repeat);

// The row a transport key asks for (←/→ 8 rows, with shift 32; Page Up/Down the previous/next
// section's start; Home row 0), never below 0; -1 when the key is no seek.
float fw_LiveSeekTarget(int key, bool shift, float row, const std::vector<sync::Section>& sections);

// "title · row 1412 · bar 45.1 · breakdown · 12 fps · 0.55 × 4 · paused" (bars of 32 rows, beats
// of 8, both counted from 1; then the render scale and the motion-blur sub-frames a frame is drawn
// at; the section and "paused" only when there are).
std::string fw_LiveStatusLine(const std::string& title, float row, const std::vector<sync::Section>& sections,
                              float fps, const fw_QualityPair& quality, bool paused);
