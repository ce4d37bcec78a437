// The hidden names a capture writes under before a file is whole. A file system takes names of
// up to 255 bytes, so a legal name with a prefix and suffix added could pass that; such a name is
// shortened, with a hash of the whole name keeping two long names that share a start apart.
#pragma once

#include <cstddef>
#include <string>

inline constexpr size_t fw_kCaptureNameMax = 255;

// "folder/.name<suffix>" for path "folder/name", its last part cut (at a whole UTF-8 character)
// and marked with a hash of the name where it would pass nameMax bytes.
std::string fw_CaptureHiddenName(const std::string& path, const std::string& suffix,
                                 size_t nameMax = fw_kCaptureNameMax);

// The hidden name a video is written under until it is whole: "folder/.name.<pid>.part". The
// process id keeps two captures of one name (a second run, another machine on a shared folder)
// each in a file of its own, so neither renames the other's half-written one.
std::string fw_CapturePartName(const std::string& path);

// Gives the whole part its own name. False with the system's reason, the part removed.
bool fw_PublishCapturePart(const std::string& part, const std::string& path, std::string* reason);
