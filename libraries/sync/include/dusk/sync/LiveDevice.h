// The sync device for making a show: tracks are made and filled from their files as in the
// player, and are filled again when their file or a track source is saved. A saved source is
// compiled with all the others, as the track tool compiles them: an error anywhere (a track
// defined twice among them) changes nothing. A track taken out of the sources is emptied and its
// file deleted, as the compile script deletes the files of tracks no source defines. Track
// objects are never replaced, only their keys, so references callers hold stay good. The sync
// timer's pause is toggled through it. Needs a sync::Timer that outlives it.
#pragma once

#include "sync/sync_Compile.h"
#include "sync/sync_Device.h"

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class LiveDevice : public sync::Device {
public:
  LiveDevice(std::string basePath, sync::Timer& timer) : sync::Device(std::move(basePath)), mTimer(timer) {}

  // As in the player: the first request reads the track's file (a missing file leaves it empty).
  sync::Track& getTrack(std::string_view name) override;
  bool update(float row) override { return true; }
  // Pauses a playing timer and plays a paused one.
  void onPauseToggled() override;

  // A saved track file: when it is the file of a track already requested, that track's keys are
  // replaced by the file's. Returns whether it was one of this device's track files.
  bool reloadTrackFile(const std::string& path);
  // Every track source after one of them was saved (saved names it in the notice): compiled
  // together with sync::compileSources. With no error every track gets its source's keys and
  // each track file whose bytes differ is written (so the next start sees the same); with an
  // error nothing changes, no file is written, and each problem goes to the warning sink as
  // "file:line: message" (the first also to *refusal when given). Returns whether they were
  // applied.
  bool applySources(const std::vector<sync::SourceText>& sources, const std::string& saved,
                    std::string* refusal = nullptr);
  // The track sources as they are when the show starts: nothing is applied, but the tracks they
  // define are remembered (those read before an error too), so that one later taken out goes.
  void learnSources(const std::vector<sync::SourceText>& sources);

  // Every track requested or compiled so far, in the order they came.
  void forEachTrack(const std::function<void(const sync::Track&)>& visit) const {
    for (const auto& track : mTracks) visit(*track);
  }

  // Receives what is wrong with a file the device read or compiled.
  void setWarningSink(std::function<void(const std::string&)> warn) { mWarn = std::move(warn); }
  // Receives a line for each track that changed.
  void setNoticeSink(std::function<void(const std::string&)> notice) { mNotice = std::move(notice); }

private:
  sync::Track* find(std::string_view name);
  // Empties the track (it then samples as a missing one does) and deletes its file.
  void removeTrack(const std::string& name);
  void warn(const std::string& message) const {
    if (mWarn) mWarn(message);
  }

  std::vector<std::unique_ptr<sync::Track>> mTracks;
  std::set<std::string> mDefined;  // the tracks the sources defined when last compiled or learned
  sync::Timer& mTimer;
  std::function<void(const std::string&)> mWarn, mNotice;
};
