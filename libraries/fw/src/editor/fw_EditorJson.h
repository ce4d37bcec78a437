// The editor's JSON as text. Track sources, section maps and titles are files a person saves in
// whatever encoding their text editor uses, and a request's path is whatever a client sends: any
// of them may hold bytes that are not UTF-8. JSON must be UTF-8, so such bytes are written as
// U+FFFD; the text never fails to be written.
#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <string>

std::string fw_EditorDump(const nlohmann::json& value);

// Where the first byte that does not belong to well-formed UTF-8 is; npos when there is none.
size_t fw_FirstNonUtf8(const std::string& text);
