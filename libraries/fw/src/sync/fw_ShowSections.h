// The show's section map beside its soundtrack ("music.mp3" → "music.sections"), as the frame
// statistics, live mode and the timeline page read it.
#pragma once

#include "sync/sync_Sections.h"

#include <string>
#include <vector>

// The map's path for the music path (relative to the project root unless it is a full path).
std::string fw_ShowSectionsPath(const std::string& musicPath);

// The section map as the sync library reads it, with what it skipped or mended logged as warnings
// (file and line); a missing file gives no sections and no warning.
std::vector<sync::Section> fw_ReadSectionMap(const std::string& path);
