// Text checks the track tools and live mode share: whether bytes are UTF-8, and the same bytes
// with what is not UTF-8 replaced, so a name read from a file can be shown and sent as JSON.
#pragma once

#include "sync/sync_Namespace.h"

#include <string>
#include <string_view>

namespace sync {

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool isUtf8(std::string_view text);

// The text with each byte that does not belong to a well-formed UTF-8 sequence replaced by U+FFFD.
std::string withUtf8Replaced(std::string_view text);

}  // namespace sync
