// Hidden temporary names that fit the file system's limit.
#include "capture/fw_CaptureNames.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
// FNV-1a: stable from run to run, so a later run finds (and replaces) the same name.
uint32_t NameHash(const std::string& text) {
  uint32_t hash = 2166136261u;
  for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
  return hash;
}

// The longest start of text of at most bytes bytes that does not end inside a character.
std::string WholeCharacters(const std::string& text, size_t bytes) {
  if (text.size() <= bytes) return text;
  size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}
}  // namespace

std::string fw_CaptureHiddenName(const std::string& path, const std::string& suffix, size_t nameMax) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string hidden = "." + name + suffix;
  if (hidden.size() <= nameMax) return folder + hidden;
  char mark[16];
  std::snprintf(mark, sizeof(mark), "~%08x", NameHash(name));
  const size_t fixed = 1 + std::string(mark).size() + suffix.size();
  const std::string start = nameMax > fixed ? WholeCharacters(name, nameMax - fixed) : std::string();
  return folder + "." + start + mark + suffix;
}

std::string fw_CapturePartName(const std::string& path) {
  return fw_CaptureHiddenName(path, "." + std::to_string(static_cast<long>(getpid())) + ".part");
}

bool fw_PublishCapturePart(const std::string& part, const std::string& path, std::string* reason) {
  if (std::rename(part.c_str(), path.c_str()) == 0) return true;
  *reason = std::strerror(errno);
  std::remove(part.c_str());
  return false;
}
