// Whole-file writes that never leave a partial file under the file's own name: the bytes go to a
// hidden temporary file in the same folder, which is renamed over the file only when every step
// succeeded. A reader of the folder (a video muxer, a resumed render) therefore sees either the
// complete file or none.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Writes size bytes as path. Every write, the close and the rename are checked; on the first
// failure the temporary file is removed, path is left as it was, and *reason (when given) receives
// the system's reason, such as "No space left on device".
bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string* reason);

}  // namespace platform
