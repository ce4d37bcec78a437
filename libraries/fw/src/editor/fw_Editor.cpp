// The editor's start and the frame's side of the bridge.
#include "editor/fw_Editor.h"

#include "diag/fw_Log.h"
#include "editor/fw_EditorBridge.h"
#include "editor/fw_EditorJson.h"
#include "editor/fw_EditorServer.h"
#include "editor/fw_EditorTracks.h"
#include "live/fw_Live.h"
#include "live/fw_LiveTransport.h"
#include "res/fw_Paths.h"
#include "sync/fw_Sync.h"
#include "sync/sync_TrackSource.h"

#include <boost/filesystem.hpp>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <memory>

namespace {

struct EditorState {
  fw_EditorBridge bridge;
  std::unique_ptr<fw_EditorServer> server;  // last, so it stops before the bridge goes
};

std::unique_ptr<EditorState> gEditor;

// A name saved in another encoding than UTF-8 still reaches the page (as U+FFFD); the warning
// says where, so it can be saved again as UTF-8.
void WarnIfNotUtf8(const std::string& what, const std::string& text) {
  const size_t at = fw_FirstNonUtf8(text);
  if (at == std::string::npos) return;
  fw_Log(fw_LogWarning, "Timeline editor: %s is not UTF-8 (byte 0x%02X at %zu); the page shows it with U+FFFD.",
         what.c_str(), static_cast<unsigned>(static_cast<unsigned char>(text[at])), at + 1);
}

// GET /api/show: the show's grid and sections; it ends at the last key of any track (the
// soundtrack's own length is not known here).
std::string ShowJson(const std::string& title, const LiveDevice& device) {
  uint32_t endRow = 0;
  device.forEachTrack([&](const sync::Track& track) {
    if (!track.isEmpty()) endRow = std::max(endRow, track.keys().rbegin()->first);
  });
  WarnIfNotUtf8("the show's title", title);
  nlohmann::json sections = nlohmann::json::array();
  // Section names come mended from the map's reader, which warned about them.
  for (const sync::Section& section : fw_LiveSections())
    sections.push_back({{"name", section.name}, {"first", section.firstRow}, {"last", section.lastRow}});
  return fw_EditorDump(nlohmann::json{{"title", title},
                                      {"rowsPerBeat", sync::kRowsPerBeat},
                                      {"rowsPerBar", sync::kRowsPerBar},
                                      {"endRow", endRow},
                                      {"rowsPerSecond", fw_EditorJsonNumber(sync::kRowRate)},
                                      {"sections", std::move(sections)}});
}

// Every track a source defines is requested from the device, so its value is published even
// where the show itself does not read it.
void RequestSourceTracks(const std::string& tracksDir, LiveDevice& device) {
  for (const std::string& name : fw_ListEditorSources(tracksDir)) {
    std::string text;
    std::vector<std::string> errors;
    if (!fw_ReadEditorSource(tracksDir, name, &text)) continue;
    for (const sync::SourceTrack& source : sync::parseSource(text, name + ".txt", errors)) device.getTrack(source.name);
  }
}

bool StartEditor(int port, const std::string& title) {
  LiveDevice* device = fw_GetLiveSyncDevice();
  if (!device) return false;
  auto editor = std::make_unique<EditorState>();
  fw_EditorSite site;
  site.token = fw_MakeEditorToken();
  site.port = port;
  site.tracksDir = fw_GetProjectRoot() + "/tracks";
  site.pageDir = fw_GetFrameworkRoot() + "/editor";
  site.bridge = &editor->bridge;
  RequestSourceTracks(site.tracksDir, *device);
  site.showJson = ShowJson(title, *device);
  boost::system::error_code ignored;
  if (!boost::filesystem::is_regular_file(site.pageDir + "/index.html", ignored))
    fw_Log(fw_LogWarning, "Timeline editor: the page is not in <%s>; only its calls are served.", site.pageDir.c_str());

  std::string error;
  editor->server = fw_EditorServer::start(std::move(site), &error);
  if (!editor->server) {
    fw_Log(fw_LogWarning, "Timeline editor: %s; live mode goes on without the editor.", error.c_str());
    return false;
  }
  // One line on standard output whether or not the log echoes there.
  const std::string line = "Timeline editor: " + editor->server->url();
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  const bool echo = fw_SetLogEcho(false);
  fw_Log(fw_LogPlain, "%s", line.c_str());
  fw_SetLogEcho(echo);
  gEditor = std::move(editor);
  return true;
}

}  // namespace

bool fw_EditorStart(int port, const std::string& title) {
  // The editor is a helper of the show: whatever stops it from starting, the show goes on.
  try {
    return StartEditor(port, title);
  } catch (const std::exception& error) {
    fw_Log(fw_LogWarning, "Timeline editor: cannot start (%s); live mode goes on without the editor.", error.what());
  }
  return false;
}

void fw_EditorStop() { gEditor.reset(); }


void fw_EditorBeginFrame() {
  if (!gEditor) return;
  for (const fw_EditorCommand& command : gEditor->bridge.tryDrain()) {
    switch (command.kind) {
      case fw_EditorCommand::Kind::Seek: fw_LiveSeek(command.row); break;
      case fw_EditorCommand::Kind::Pause: fw_LiveSetPaused(command.paused); break;
      case fw_EditorCommand::Kind::Loop:
        fw_LiveSetLoop(command.loop ? std::make_optional(std::make_pair(command.loop->first, command.loop->last))
                                    : std::nullopt);
        break;
    }
  }
}

void fw_EditorEndFrame() {
  if (!gEditor) return;
  fw_EditorShowState state;
  state.row = fw_GetSyncRow();
  state.paused = fw_LivePaused();
  if (auto loop = fw_LiveLoop()) state.loop = fw_EditorLoop{loop->first, loop->second};
  if (LiveDevice* device = fw_GetLiveSyncDevice()) {
    device->forEachTrack([&](const sync::Track& track) {
      if (!track.isEmpty()) state.values.emplace_back(track.name(), track.getValue(state.row));
    });
  }
  gEditor->bridge.tryPublish(std::move(state));
}
