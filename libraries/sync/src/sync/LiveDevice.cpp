// The live sync device: reloading track files and compiling saved track sources in place.
#include "sync/LiveDevice.h"

#include "sync/sync_TrackSource.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// A track file is replaced by a rename, so a program that starts meanwhile reads the old file or
// the new one, never half of one.
bool ReplaceTrackFile(const std::string& path, const sync::Track& track) {
  const std::string temporary = path + ".new";
  if (!sync::writeTrackFile(temporary, track)) {
    std::remove(temporary.c_str());
    return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
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

bool LiveDevice::applySource(const std::string& text, const std::string& fileName) {
  std::vector<std::string> errors;
  std::vector<sync::SourceTrack> tracks = sync::parseSource(text, fileName, errors);
  if (!errors.empty()) {
    for (const std::string& error : errors) warn(error + " (the tracks keep their keys)");
    return false;
  }
  std::set<std::string> defined;
  for (const sync::SourceTrack& source : tracks) {
    const std::string path = sync::trackFileName(basePath(), source.name);
    if (!ReplaceTrackFile(path, source.track)) warn("Track file " + path + " could not be written.");
    sync::Track& track = getTrack(source.name);
    track.clear();
    for (const auto& [row, key] : source.track.keys()) track.setKey(row, key);
    defined.insert(source.name);
  }
  std::set<std::string>& before = mSourceTracks[fileName];
  for (const std::string& name : before) {
    if (!defined.count(name) && !definedByAnotherSource(name, fileName)) removeTrack(name, fileName);
  }
  before = std::move(defined);
  if (mNotice) mNotice(fileName + ": " + std::to_string(tracks.size()) + " tracks compiled.");
  return true;
}

void LiveDevice::learnSource(const std::string& text, const std::string& fileName) {
  std::vector<std::string> errors;
  std::set<std::string>& defined = mSourceTracks[fileName];
  for (const sync::SourceTrack& source : sync::parseSource(text, fileName, errors)) defined.insert(source.name);
}

bool LiveDevice::definedByAnotherSource(const std::string& name, const std::string& fileName) const {
  for (const auto& [source, names] : mSourceTracks) {
    if (source != fileName && names.count(name)) return true;
  }
  return false;
}

void LiveDevice::removeTrack(const std::string& name, const std::string& fileName) {
  if (sync::Track* track = find(name)) track->clear();
  const std::string path = sync::trackFileName(basePath(), name);
  const bool deleted = std::remove(path.c_str()) == 0;
  if (!deleted && errno != ENOENT) {
    warn("Track file " + path + " of track " + name + ", which no source defines now, could not be deleted: " +
         std::strerror(errno) + ".");
    return;
  }
  if (mNotice)
    mNotice("Track " + name + " removed: " + fileName + " no longer defines it" +
            (deleted ? "; " + path + " deleted." : "."));
}
