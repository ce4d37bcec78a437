// Section map reading and lookup.
#include "sync/sync_Sections.h"

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
    if (!(fields >> first >> last) || (fields >> extra) || !ParseRow(first, section.firstRow) ||
        !ParseRow(last, section.lastRow) || section.lastRow < section.firstRow) {
      errors.push_back(fileName + ":" + std::to_string(number) + ": expected \"name first_row last_row\"");
      continue;
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

const Section* sectionAt(const std::vector<Section>& sections, float row) {
  if (!(row >= 0.0f)) return nullptr;
  for (const Section& section : sections)
    if (row >= static_cast<float>(section.firstRow) && row < static_cast<float>(section.lastRow) + 1.0f) return &section;
  return nullptr;
}

}  // namespace sync
