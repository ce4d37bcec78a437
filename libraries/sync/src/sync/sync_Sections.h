// The soundtrack's section map (a ".sections" file beside the music): one section a line, as
// "name first_row last_row"; '#' starts a comment. Tools and the framework name the part of the
// show a row belongs to with it.
#pragma once

#include "sync/sync_Namespace.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sync {

struct Section {
  std::string name;
  uint32_t firstRow = 0, lastRow = 0;  // both inclusive
};

// Sections in file order. Malformed lines are skipped, each reported in errors as
// "file:line: message".
std::vector<Section> parseSections(const std::string& text, const std::string& fileName,
                                   std::vector<std::string>& errors);
// The same from a file; an unreadable file gives no sections and one error.
std::vector<Section> loadSections(const std::string& path, std::vector<std::string>& errors);
// The section that holds the row, or null.
const Section* sectionAt(const std::vector<Section>& sections, float row);

}  // namespace sync
