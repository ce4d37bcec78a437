// The soundtrack's section map (a ".sections" file beside the music): one section a line, as
// "name first_row last_row"; '#' starts a comment. Capture, live mode and the timeline page name
// the part of the show a row belongs to with it, and step by its beats and bars.
#pragma once

#include "sync/sync_Namespace.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sync {

// The show's grid: 8 rows a beat, 32 a bar.
constexpr uint32_t kRowsPerBeat = 8;
constexpr uint32_t kRowsPerBar = 32;

struct Section {
  std::string name;
  uint32_t firstRow = 0, lastRow = 0;  // both inclusive
};

// Sections in file order, which is row order: a row belongs to one section at most, so a section
// that starts at or before the last row of the one before it is skipped, as is a malformed line,
// each reported in errors as "file:line: message". A name that is not UTF-8 is kept with its
// stray bytes replaced (titles and the page's JSON take UTF-8 only), and reported too.
std::vector<Section> parseSections(const std::string& text, const std::string& fileName,
                                   std::vector<std::string>& errors);
// The same from a file; an unreadable file gives no sections and one error.
std::vector<Section> loadSections(const std::string& path, std::vector<std::string>& errors);
// Whether the row lies in the section: from its first row to the end of its last.
bool rowInSection(const Section& section, float row);
// The section that holds the row, or null.
const Section* sectionAt(const std::vector<Section>& sections, float row);

}  // namespace sync
