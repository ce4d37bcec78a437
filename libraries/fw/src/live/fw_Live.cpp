// Live mode: the watch, what each saved file does, the transport keys, the status title.
// Sections: state · reloading files · frame hooks · keys.
#include "live/fw_Live.h"

#include "diag/fw_Log.h"
#include "live/fw_LiveReload.h"
#include "live/fw_LiveTransport.h"
#include "live/fw_Screenshot.h"
#include "res/fw_Paths.h"
#include "res/fw_WriteFolders.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"
#include "device/fw_DeviceState.h"
#include "sync/fw_ShowSections.h"
#include "sync/fw_Sync.h"
#include "sync/sync_Compile.h"
#include "sync/sync_Text.h"

#include <platform/d3dx10tex.h>
#include <platform/file_watch.h>

#include <boost/filesystem.hpp>

#include <algorithm>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

// ---- state ----

constexpr ULONGLONG kTitleInterval = 250;  // ms: a few titles a second are readable, more flicker
constexpr ULONGLONG kErrorShown = 6000;    // ms an effect error stays in the title

struct LiveState {
  std::unique_ptr<platform::DirectoryWatch> watch;
  HWND window = nullptr;
  std::string title;
  std::string sectionsPath;
  std::vector<sync::Section> sections;
  // The looped section ([first, last + 1) in rows) and the row of the frame before.
  bool looping = false;
  sync::Section loop;
  float previousRow = 0.0f;
  bool screenshotWanted = false;
  // Status title.
  ULONGLONG titleTime = 0;
  unsigned framesSinceTitle = 0;
  float fps = 0.0f;
  std::string error;
  ULONGLONG errorTime = 0;
  std::string sourceError;  // the track sources' first error, until they compile again
};

std::unique_ptr<LiveState> gLive;

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string Extension(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool SameFile(const std::string& a, const std::string& b) {
  boost::system::error_code error;
  return boost::filesystem::equivalent(a, b, error) && !error;
}

float Row() { return fw_GetSyncRow(); }

bool IsTrackSource(const std::string& path) {
  return Extension(path) == ".txt" && EndsWith(boost::filesystem::path(path).parent_path().string(), "tracks");
}

bool Paused() {
  fw_SyncTimer* timer = fw_GetSyncTimer();
  return timer && !timer->isPlaying();
}

// ---- reloading files ----

// What the track sources define when the show starts, so that a track later taken out of them
// is removed from the show.
void LearnSources(const std::string& directory) {
  LiveDevice* device = fw_GetLiveSyncDevice();
  std::vector<std::string> errors;
  if (device) device->learnSources(sync::readSources(directory, "tracks", errors));
}

// A saved source is compiled with every other one, as the track tool does, so live mode writes
// what tracks/compile would and refuses what it refuses. A refusal stays in the title until a
// save compiles.
void ReloadSources(const std::string& path) {
  LiveDevice* device = fw_GetLiveSyncDevice();
  if (!device) return;
  const std::string name = boost::filesystem::path(path).stem().string();
  const std::string shown = "tracks/" + boost::filesystem::path(path).filename().string();
  if (!sync::isSourceName(name)) {
    if (!name.empty() && name[0] == '.') return;  // hidden: a program's temporary file
    fw_Log(fw_LogWarning, "%s is not taken: a source's name must be UTF-8 without control characters.",
           sync::withUtf8Replaced(shown).c_str());
    return;
  }
  std::vector<std::string> errors;
  const std::string folder = boost::filesystem::path(path).parent_path().string();
  const std::vector<sync::SourceText> sources = sync::readSources(folder, "tracks", errors);
  for (const std::string& error : errors) fw_Log(fw_LogWarning, "%s (nothing written)", error.c_str());
  std::string first = errors.empty() ? "" : errors.front() + " (nothing written)";
  const bool applied = errors.empty() && device->applySources(sources, shown, &first);
  gLive->sourceError = applied ? "" : sync::withUtf8Replaced(first);
}

// ---- keys ----

void Seek(float row) {
  fw_SeekToRow(row, true);
  gLive->previousRow = row;
}

}  // namespace

void fw_LiveFileSaved(const std::string& path) {
  if (!gLive) return;
  const std::string ext = Extension(path);
  if (ext == ".track") {
    if (LiveDevice* device = fw_GetLiveSyncDevice()) device->reloadTrackFile(path);
  } else if (IsTrackSource(path)) {
    ReloadSources(path);
  } else if (ext == ".fx" || ext == ".fxi") {
    // A build error stays in the title for a while.
    const std::string error = fw_LiveReloadEffects(path);
    if (!error.empty()) {
      gLive->error = error;
      gLive->errorTime = GetTickCount64();
    }
  } else if (ext == ".sections") {
    if (SameFile(path, gLive->sectionsPath)) gLive->sections = fw_ReadSectionMap(gLive->sectionsPath);
  } else if (ext == ".png" || ext == ".jpg" || ext == ".jpeg" || ext == ".tga" || ext == ".bmp" || ext == ".dds") {
    fw_LiveReloadImage(path);
  }
}

bool fw_LiveStart(HWND window, const std::string& title, const std::string& musicPath) {
  gLive = std::make_unique<LiveState>();
  gLive->window = window;
  gLive->title = title;
  const std::string project = fw_GetProjectRoot();
  gLive->sectionsPath = fw_ShowSectionsPath(musicPath);
  gLive->sections = fw_ReadSectionMap(gLive->sectionsPath);

  LearnSources(project + "/tracks");

  gLive->watch = std::make_unique<platform::DirectoryWatch>();
  if (!gLive->watch->valid()) {
    fw_Log(fw_LogWarning, "Live mode: files cannot be watched on this system; nothing will reload.");
    return false;
  }
  // The track files are named relative to the working directory, as the device reads them.
  const std::string trackDirectory = boost::filesystem::path(kFwSyncBasePath).parent_path().string();
  std::vector<std::string> directories{trackDirectory, project + "/tracks", project + "/src/shaders",
                                       fw_GetFrameworkRoot() + "/src/shaders", project + "/data"};
  // Images live in data/ and one level of folders below it.
  boost::system::error_code error;
  for (boost::filesystem::directory_iterator it(project + "/data", error), end; !error && it != end;
       it.increment(error)) {
    if (boost::filesystem::is_directory(it->path(), error) && it->path().filename() != "temp" &&
        it->path().filename() != "screenshots" && it->path().filename() != "sync")
      directories.push_back(it->path().string());
  }
  for (const std::string& directory : directories) {
    if (!gLive->watch->add(directory)) fw_Log(fw_LogPlain, "Live mode: <%s> is not watched.", directory.c_str());
  }
  fw_Log(fw_LogPlain, "Live mode: watching %zu folders; %zu sections in <%s>.", directories.size(),
         gLive->sections.size(), gLive->sectionsPath.c_str());
  return true;
}

void fw_LiveStop() { gLive.reset(); }

bool fw_LiveActive() { return gLive != nullptr; }

// ---- frame hooks ----

void fw_LiveBeginFrame() {
  if (!gLive) return;
  if (gLive->watch) {
    // Every source is compiled on a save, so sources saved together are compiled once.
    std::string source;
    for (const std::string& path : gLive->watch->poll()) {
      if (IsTrackSource(path) && sync::isSourceName(boost::filesystem::path(path).stem().string())) source = path;
      else fw_LiveFileSaved(path);
    }
    if (!source.empty()) fw_LiveFileSaved(source);
  }
  const float row = Row();
  if (gLive->looping) {
    // Only a row that ran past the end from inside comes round: a seek elsewhere is left alone.
    const bool pastEnd = row >= static_cast<float>(gLive->loop.firstRow) && !sync::rowInSection(gLive->loop, row);
    if (pastEnd && sync::rowInSection(gLive->loop, gLive->previousRow)) {
      Seek(static_cast<float>(gLive->loop.firstRow));
      return;
    }
  }
  gLive->previousRow = row;
}

void fw_LiveEndFrame() {
  if (!gLive) return;
  if (gLive->screenshotWanted) {
    gLive->screenshotWanted = false;
    fw_Texture* backbuffer = fw_FindTexture("backbuffer");
    fw_SaveScreenshot(backbuffer ? backbuffer->mTexture2D : nullptr, fw_GetWriteFolders().screenshots,
                      static_cast<int>(std::floor(Row())));
  }

  ++gLive->framesSinceTitle;
  const ULONGLONG now = GetTickCount64();
  if (gLive->titleTime != 0 && now - gLive->titleTime < kTitleInterval) return;
  if (gLive->titleTime != 0) gLive->fps = 1000.0f * gLive->framesSinceTitle / static_cast<float>(now - gLive->titleTime);
  gLive->titleTime = now;
  gLive->framesSinceTitle = 0;
  std::string line = fw_LiveStatusLine(gLive->title, Row(), gLive->sections, gLive->fps, fw_GetQuality(), Paused());
  if (gLive->looping) line += " \u00b7 loop " + gLive->loop.name;
  if (!gLive->error.empty() && now - gLive->errorTime < kErrorShown) line += " \u00b7 " + gLive->error;
  if (!gLive->sourceError.empty()) line += " \u00b7 " + gLive->sourceError;
  if (gLive->window) SetWindowTextA(gLive->window, line.c_str());
}

// ---- transport for the editor ----

void fw_LiveSeek(float row) {
  if (gLive) Seek(row < 0.0f ? 0.0f : row);
}

void fw_LiveSetPaused(bool paused) {
  if (!gLive || Paused() == paused) return;
  if (sync::Device* device = fw_GetSyncDevice()) device->onPauseToggled();
}

void fw_LiveSetLoop(std::optional<std::pair<int, int>> loop) {
  if (!gLive) return;
  gLive->looping = loop.has_value();
  if (!loop) return;
  // The page sends rows from 0 to 2^31 - 1, first not past last.
  gLive->loop = sync::Section{"rows " + std::to_string(loop->first) + "-" + std::to_string(loop->second),
                              static_cast<uint32_t>(std::max(loop->first, 0)),
                              static_cast<uint32_t>(std::max(loop->second, loop->first))};
  // Looping a span somewhere else means wanting to hear it: the playhead goes there.
  const float row = Row();
  if (!sync::rowInSection(gLive->loop, row)) Seek(static_cast<float>(loop->first));
}

bool fw_LivePaused() { return gLive && Paused(); }

std::optional<std::pair<int, int>> fw_LiveLoop() {
  if (!gLive || !gLive->looping) return std::nullopt;
  return std::make_pair(static_cast<int>(gLive->loop.firstRow), static_cast<int>(gLive->loop.lastRow));
}

const std::string& fw_LiveSourceError() {
  static const std::string kNone;
  return gLive ? gLive->sourceError : kNone;
}

const std::vector<sync::Section>& fw_LiveSections() {
  static const std::vector<sync::Section> kNone;
  return gLive ? gLive->sections : kNone;
}

void fw_LiveHoldAtEnd() {
  if (!gLive) return;
  fw_SyncTimer* timer = fw_GetSyncTimer();
  sync::Device* device = fw_GetSyncDevice();
  // Only a show that ran into its end is held; a row someone moved to past it stays where it is.
  if (!timer || !device || !timer->isPlaying()) return;
  timer->pause();
  // Held on the row where "GotoRow" became 0 (the first of its last run of zero keys), not on
  // whichever row the frame happened to land past it.
  const float row = Row();
  const auto& keys = device->getTrack("GotoRow").keys();
  float hold = std::floor(row);
  for (auto it = keys.upper_bound(static_cast<uint32_t>(hold)); it != keys.begin();) {
    --it;
    if (it->second.value != 0.0f) break;
    hold = static_cast<float>(it->first);
  }
  Seek(hold);
  fw_Log(fw_LogPlain, "Live mode: the show's end, held at row %.0f.", hold);
}

void fw_LiveStartAtRow(float row) {
  if (!gLive || !(row > 0.0f)) return;
  Seek(row);
  fw_Log(fw_LogPlain, "Live mode: starting at row %.0f.", row);
}

// ---- keys ----

void fw_LiveKeyDown(int key, bool shift, bool repeat) {
  if (!gLive) return;
  switch (fw_LiveKeyActionOf(key, repeat)) {
    case fw_LiveKeyAction::TogglePause:
      if (sync::Device* device = fw_GetSyncDevice()) device->onPauseToggled();
      return;
    case fw_LiveKeyAction::ToggleLoop: {
      const sync::Section* section = sync::sectionAt(gLive->sections, Row());
      gLive->looping = !gLive->looping && section;
      if (section) gLive->loop = *section;
      fw_Log(fw_LogPlain, "Live mode: %s%s.", gLive->looping ? "looping " : "loop off",
             gLive->looping ? gLive->loop.name.c_str() : "");
      return;
    }
    case fw_LiveKeyAction::Screenshot:
      gLive->screenshotWanted = true;
      return;
    case fw_LiveKeyAction::Seek: {
      const float target = fw_LiveSeekTarget(key, shift, Row(), gLive->sections);
      if (target >= 0.0f) Seek(target);
      return;
    }
    case fw_LiveKeyAction::None:
      return;
  }
}
