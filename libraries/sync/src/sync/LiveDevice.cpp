// The live sync device: reloading track files and compiling saved track sources in place.
#include "sync/LiveDevice.h"

#include "sync/sync_TrackSource.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream text;
  text << file.rdbuf();
  bytes = text.str();
  return !file.bad();
}

// A track file is replaced by a rename, so a program that starts meanwhile reads the old file or
// the new one, never half of one. One that holds the bytes already is left alone: a save of one
// source must not touch every track file (and the watch would report each). Returns false when
// writing failed; *written says whether the file changed.
bool ReplaceTrackFile(const std::string& path, const sync::Track& track, bool* written) {
  const std::string bytes = sync::trackFileBytes(track);
  std::string old;
  *written = false;
  if (ReadFile(path, old) && old == bytes) return true;
  const std::string temporary = path + ".new";
  std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  *written = true;
  return true;
}

}  // namespace

sync::Track* LiveDevice::find(std::string_view name) {
  for (const auto& track : mTracks) {
    if (track->name() == name) return track.get();
  }
  return nullptr;
}

sync::Track& LiveDevice::getTrack(std::string_view name) {
  if (sync::Track* track = find(name)) return *track;
  auto track = std::make_unique<sync::Track>(std::string(name));
  const std::string path = sync::trackFileName(basePath(), track->name());
  sync::Track::FileReport report;
  if (track->load(path, &report) && report.hasCount && report.records < report.count)
    warn("Track file " + path + " holds fewer keys than its count: the track keeps those.");
  mTracks.push_back(std::move(track));
  return *mTracks.back();
}

void LiveDevice::onPauseToggled() {
  if (mTimer.isPlaying())
    mTimer.pause();
  else
    mTimer.play();
}

bool LiveDevice::reloadTrackFile(const std::string& path) {
  for (const auto& track : mTracks) {
    if (sync::trackFileName(basePath(), track->name()) != path) continue;
    // Read into a fresh track first: a file that vanished between the save and now keeps the
    // keys in use instead of emptying the track.
    sync::Track fresh(track->name());
    sync::Track::FileReport report;
    if (!fresh.load(path, &report)) {
      warn("Track file " + path + " could not be read: the track keeps its keys.");
      return true;
    }
    if (!report.hasCount || report.records < report.count) {
      // Most often a save caught half way; the next close or rename brings the whole file.
      warn("Track file " + path + " holds fewer keys than its count: the track keeps its keys.");
      return true;
    }
    track->clear();
    for (const auto& [row, key] : fresh.keys()) track->setKey(row, key);
    if (mNotice) mNotice("Track " + track->name() + " reloaded from " + path + ".");
    return true;
  }
  return false;
}

bool LiveDevice::applySources(const std::vector<sync::SourceText>& sources, const std::string& saved,
                              std::string* refusal) {
  std::vector<std::string> errors;
  const std::vector<sync::SourceTrack> tracks = sync::compileSources(sources, errors);
  if (!errors.empty()) {
    for (const std::string& error : errors) warn(error + " (nothing written; the tracks keep their keys)");
    if (refusal) *refusal = errors.front() + " (nothing written)";
    return false;
  }
  std::set<std::string> defined;
  size_t written = 0;
  for (const sync::SourceTrack& source : tracks) {
    const std::string path = sync::trackFileName(basePath(), source.name);
    bool changed = false;
    if (!ReplaceTrackFile(path, source.track, &changed)) warn("Track file " + path + " could not be written.");
    written += changed ? 1 : 0;
    sync::Track& track = getTrack(source.name);
    track.clear();
    for (const auto& [row, key] : source.track.keys()) track.setKey(row, key);
    defined.insert(source.name);
  }
  for (const std::string& name : mDefined) {
    if (!defined.count(name)) removeTrack(name);
  }
  mDefined = std::move(defined);
  if (mNotice)
    mNotice(saved + ": " + std::to_string(tracks.size()) + " tracks compiled, " + std::to_string(written) +
            " track file" + (written == 1 ? "" : "s") + " written.");
  return true;
}

void LiveDevice::learnSources(const std::vector<sync::SourceText>& sources) {
  std::vector<std::string> errors;
  for (const sync::SourceTrack& source : sync::compileSources(sources, errors)) mDefined.insert(source.name);
}

void LiveDevice::removeTrack(const std::string& name) {
  if (sync::Track* track = find(name)) track->clear();
  const std::string path = sync::trackFileName(basePath(), name);
  const bool deleted = std::remove(path.c_str()) == 0;
  if (!deleted && errno != ENOENT) {
    warn("Track file " + path + " of track " + name + ", which no source defines now, could not be deleted: " +
         std::strerror(errno) + ".");
    return;
  }
  if (mNotice) mNotice("Track " + name + " removed: no source defines it now" + (deleted ? "; " + path + " deleted." : "."));
}
