// Section map reading and lookup.
#include "sync/sync_Sections.h"

#include "sync/sync_Text.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace sync {

namespace {

bool ParseRow(const std::string& text, uint32_t& row) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
  if (*end || errno == ERANGE || value > 0xFFFFFFFFull) return false;
  row = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

std::vector<Section> parseSections(const std::string& text, const std::string& fileName,
                                   std::vector<std::string>& errors) {
  std::vector<Section> sections;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    const size_t hash = line.find('#');
    if (hash != std::string::npos) line.resize(hash);
    std::istringstream fields(line);
    std::string name, first, last, extra;
    if (!(fields >> name)) continue;  // blank or comment
    Section section{name};
    const std::string where = fileName + ":" + std::to_string(number) + ": ";
    if (!(fields >> first >> last) || (fields >> extra) || !ParseRow(first, section.firstRow) ||
        !ParseRow(last, section.lastRow) || section.lastRow < section.firstRow ||
        (!sections.empty() && section.firstRow <= sections.back().lastRow)) {
      errors.push_back(where + "a section is \"name first_row last_row\", after the one before it; line skipped");
      continue;
    }
    if (!isUtf8(section.name)) {
      section.name = withUtf8Replaced(section.name);
      errors.push_back(where + "the section's name is not UTF-8; it is shown as \"" + section.name + "\"");
    }
    sections.push_back(section);
  }
  return sections;
}

std::vector<Section> loadSections(const std::string& path, std::vector<std::string>& errors) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    errors.push_back(path + ": cannot be read");
    return {};
  }
  std::ostringstream text;
  text << in.rdbuf();
  return parseSections(text.str(), path, errors);
}

bool rowInSection(const Section& section, float row) {
  // In double: the end of a section that runs to the last row there is is past every float step.
  return row >= static_cast<float>(section.firstRow) &&
         static_cast<double>(row) < static_cast<double>(section.lastRow) + 1.0;
}

const Section* sectionAt(const std::vector<Section>& sections, float row) {
  for (const Section& section : sections)
    if (rowInSection(section, row)) return &section;
  return nullptr;
}

}  // namespace sync
