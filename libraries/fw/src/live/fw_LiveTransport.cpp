// Transport targets and the status line.
#include "live/fw_LiveTransport.h"

#include <platform/win32.h>

#include <cmath>
#include <cstdio>

namespace {
constexpr int kRowsPerBeat = static_cast<int>(sync::kRowsPerBeat);
constexpr int kRowsPerBar = static_cast<int>(sync::kRowsPerBar);
}  // namespace

fw_LiveKeyAction fw_LiveKeyActionOf(int key, bool repeat) {
  switch (key) {
    case VK_SPACE: return repeat ? fw_LiveKeyAction::None : fw_LiveKeyAction::TogglePause;
    case 'L': return repeat ? fw_LiveKeyAction::None : fw_LiveKeyAction::ToggleLoop;
    case VK_F12: return repeat ? fw_LiveKeyAction::None : fw_LiveKeyAction::Screenshot;
    case VK_LEFT: case VK_RIGHT: case VK_PRIOR: case VK_NEXT: case VK_HOME: return fw_LiveKeyAction::Seek;
    default: return fw_LiveKeyAction::None;
  }
}

float fw_LiveSeekTarget(int key, bool shift, float row, const std::vector<sync::Section>& sections) {
  // Steps are taken from the nearest whole row, so repeated presses land on the beat grid.
  const float whole = std::floor(row + 0.5f);
  const float step = shift ? static_cast<float>(kRowsPerBar) : static_cast<float>(kRowsPerBeat);
  float target = -1.0f;
  switch (key) {
    case VK_LEFT: target = whole - step; break;
    case VK_RIGHT: target = whole + step; break;
    case VK_HOME: target = 0.0f; break;
    case VK_PRIOR:
      // Within the first beat of a section goes to the one before, so a second press moves on.
      target = 0.0f;
      for (const sync::Section& section : sections) {
        if (static_cast<float>(section.firstRow) < row - kRowsPerBeat) target = static_cast<float>(section.firstRow);
      }
      break;
    case VK_NEXT:
      target = row;  // past the last section: stay
      for (auto it = sections.rbegin(); it != sections.rend(); ++it) {
        if (static_cast<float>(it->firstRow) > whole) target = static_cast<float>(it->firstRow);
      }
      break;
    default: return -1.0f;
  }
  return target < 0.0f ? 0.0f : target;
}

std::string fw_LiveStatusLine(const std::string& title, float row, const std::vector<sync::Section>& sections,
                              float fps, const fw_QualityPair& quality, bool paused) {
  const int whole = row > 0.0f ? static_cast<int>(std::floor(row)) : 0;
  char text[256];
  std::snprintf(text, sizeof(text), " \u00b7 row %d \u00b7 bar %d.%d", whole, whole / kRowsPerBar + 1,
                whole % kRowsPerBar / kRowsPerBeat + 1);
  std::string line = title + text;
  if (const sync::Section* section = sync::sectionAt(sections, row)) line += " \u00b7 " + section->name;
  std::snprintf(text, sizeof(text), " \u00b7 %.0f fps \u00b7 %.2f \u00d7 %d", fps, static_cast<double>(quality.scale),
                quality.subFrames);
  line += text;
  if (paused) line += " \u00b7 paused";
  return line;
}
