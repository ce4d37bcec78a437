// The track sources the editor shows and edits: the `*.txt` files of one production's tracks/
// folder, each named by its file name without `.txt`, with a version that changes whenever the
// file's bytes do.
#pragma once

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <vector>

// A source's name as the page gives it: sync::isSourceName, the rule live mode and the track
// tool keep (UTF-8, no '/' or control characters, not starting with a dot). Anything else
// ("../x", "/etc/passwd", "a/b") names no file in the folder.
bool fw_IsEditorSourceName(const std::string& name);

// The sources in the folder, by name, in name order.
std::vector<std::string> fw_ListEditorSources(const std::string& tracksDir);

// Reads tracks/NAME.txt whole; false when it is not there or cannot be read.
bool fw_ReadEditorSource(const std::string& tracksDir, const std::string& name, std::string* text);

// An opaque version of a file's bytes (a 64-bit FNV-1a hash, in hex, with the length).
std::string fw_EditorVersion(const std::string& bytes);

// {"name","version","error","tracks":[{"name","keys":[{"row","value","kind"}]}]} for a source's
// text; a text that does not parse has its first error and no tracks.
nlohmann::json fw_EditorFileJson(const std::string& name, const std::string& text);

// A float as the JSON number whose shortest decimal reads back as that float (0.1f as 0.1).
double fw_EditorJsonNumber(float value);
