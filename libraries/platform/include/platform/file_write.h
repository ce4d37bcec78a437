// Whole-file writes that never leave a partial file under the file's own name: the bytes go to a
// hidden temporary file in the same folder, which is renamed (or linked) to the file's name only
// when every step succeeded. A reader of the folder (a video muxer, a resumed render) therefore
// sees either the complete file or none.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Writes size bytes as path, replacing what was there. Every write, the close and the rename are
// checked; on the first failure the temporary file is removed, path is left as it was, and
// *reason (when given) receives the system's reason, such as "No space left on device".
bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string* reason);

// Writes size bytes as directory/stem.ext, or else stem_2.ext, stem_3.ext, … whichever name is
// free first; an existing file is never replaced, even by another writer racing for the same
// name. The bytes reach the disk before the name appears. Returns the path written, or "" with
// *reason (when given) set to the system's reason and nothing left behind.
std::string WriteNewFile(const std::string& directory, const std::string& stem, const std::string& extension,
                         const void* data, size_t size, std::string* reason);

}  // namespace platform
