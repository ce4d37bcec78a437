// Section map, transport targets and the status line.
#include "live/fw_LiveTransport.h"

#include "diag/fw_Log.h"
#include "sync/sync_Text.h"

#include <platform/win32.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {
constexpr int kRowsPerBeat = 8;
constexpr int kRowsPerBar = 32;
}  // namespace

std::vector<fw_LiveSection> fw_ReadSectionMap(const std::string& path) {
  std::vector<fw_LiveSection> sections;
  std::ifstream file(path);
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    fw_LiveSection section;
    std::string extra;
    if (!(words >> section.name)) continue;  // blank or comment
    if (!(words >> section.first >> section.last) || (words >> extra) || section.first < 0 ||
        section.last < section.first || (!sections.empty() && section.first <= sections.back().last)) {
      fw_Log(fw_LogWarning, "%s:%d: a section is \"name first_row last_row\", after the one before it; line skipped.",
             path.c_str(), number);
      continue;
    }
    // The name goes to the title and to the timeline page's JSON, which take UTF-8 only.
    if (!sync::isUtf8(section.name)) {
      section.name = sync::withUtf8Replaced(section.name);
      fw_Log(fw_LogWarning, "%s:%d: the section's name is not UTF-8; it is shown as \"%s\".", path.c_str(), number,
             section.name.c_str());
    }
    sections.push_back(section);
  }
  return sections;
}

bool fw_RowInSection(const fw_LiveSection& section, float row) {
  // In double: last + 1 overflows an int for a section that runs to the last row there is.
  return row >= static_cast<float>(section.first) && static_cast<double>(row) < static_cast<double>(section.last) + 1.0;
}

const fw_LiveSection* fw_SectionAt(const std::vector<fw_LiveSection>& sections, float row) {
  for (const fw_LiveSection& section : sections) {
    if (fw_RowInSection(section, row)) return &section;
  }
  return nullptr;
}

fw_LiveKeyAction fw_LiveKeyActionOf(int key, bool repeat) {
  switch (key) {
    case VK_SPACE: return repeat ? fw_LiveKeyAction::None : fw_LiveKeyAction::TogglePause;
    case 'L': return repeat ? fw_LiveKeyAction::None : fw_LiveKeyAction::ToggleLoop;
    case VK_F12: return repeat ? fw_LiveKeyAction::None : fw_LiveKeyAction::Screenshot;
    case VK_LEFT: case VK_RIGHT: case VK_PRIOR: case VK_NEXT: case VK_HOME: return fw_LiveKeyAction::Seek;
    default: return fw_LiveKeyAction::None;
  }
}

float fw_LiveSeekTarget(int key, bool shift, float row, const std::vector<fw_LiveSection>& sections) {
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
      for (const fw_LiveSection& section : sections) {
        if (static_cast<float>(section.first) < row - kRowsPerBeat) target = static_cast<float>(section.first);
      }
      break;
    case VK_NEXT:
      target = row;  // past the last section: stay
      for (auto it = sections.rbegin(); it != sections.rend(); ++it) {
        if (static_cast<float>(it->first) > whole) target = static_cast<float>(it->first);
      }
      break;
    default: return -1.0f;
  }
  return target < 0.0f ? 0.0f : target;
}

std::string fw_LiveStatusLine(const std::string& title, float row, const std::vector<fw_LiveSection>& sections,
                              float fps, bool paused) {
  const int whole = row > 0.0f ? static_cast<int>(std::floor(row)) : 0;
  char text[256];
  std::snprintf(text, sizeof(text), " \u00b7 row %d \u00b7 bar %d.%d", whole, whole / kRowsPerBar + 1,
                whole % kRowsPerBar / kRowsPerBeat + 1);
  std::string line = title + text;
  if (const fw_LiveSection* section = fw_SectionAt(sections, row)) line += " \u00b7 " + section->name;
  std::snprintf(text, sizeof(text), " \u00b7 %.0f fps", fps);
  line += text;
  if (paused) line += " \u00b7 paused";
  return line;
}
