// Compiling track sources together, the one way the track tool and live mode both take: every
// source is parsed, a track is defined once across all of them, and a caller writes nothing
// unless all of it is right. Also which files of a folder are sources.
#pragma once

#include "sync/sync_TrackSource.h"

#include <string>
#include <vector>

namespace sync {

struct SourceText {
  std::string fileName;  // as messages name it: "tracks/camera.txt"
  std::string text;
};

// Whether a source's name (its file name without ".txt") is taken: UTF-8 without control
// characters or '/', not starting with '.', at most 200 bytes. Spaces and letters of any script
// are fine. Every tool that lists, compiles or edits sources keeps this rule.
bool isSourceName(const std::string& name);

// The sources in a folder: NAME.txt, a regular file or a link to one, NAME a source name; by
// name, in byte order.
std::vector<std::string> listSources(const std::string& folder);

// Reads every source of the folder; each is named shownAs + "/" + NAME.txt in messages. One that
// cannot be read adds an error.
std::vector<SourceText> readSources(const std::string& folder, const std::string& shownAs,
                                    std::vector<std::string>& errors);

// Parses the sources in order. Each problem is appended to errors as "file:line: message",
// among them every track defined a second time ("... track cam_Yaw is already defined at
// camera.txt:71"); the tracks are returned in source order, the first definition of each.
std::vector<SourceTrack> compileSources(const std::vector<SourceText>& sources, std::vector<std::string>& errors);

}  // namespace sync
