// The JSON calls. Sections: reading JSON · tracks · edit · transport.
#include "editor/fw_EditorApi.h"

#include "diag/fw_Log.h"
#include "editor/fw_EditorBridge.h"
#include "editor/fw_EditorJson.h"
#include "editor/fw_EditorLog.h"
#include "editor/fw_EditorSave.h"
#include "editor/fw_EditorTextMemory.h"
#include "editor/fw_EditorTracks.h"
#include "editor/fw_TrackWriteBack.h"
#include "sync/sync_TrackSource.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <optional>

namespace {

using nlohmann::json;

// ---- reading JSON ----

// Thrown for a body of the wrong shape; becomes a 400 with its message.
struct BadShape {
  std::string message;
};

const json& Member(const json& object, const char* name, const std::string& where) {
  auto it = object.find(name);
  if (it == object.end()) throw BadShape{where + " needs \"" + name + "\""};
  return *it;
}

std::string String(const json& object, const char* name, const std::string& where) {
  const json& value = Member(object, name, where);
  if (!value.is_string()) throw BadShape{where + ": \"" + name + "\" must be a string"};
  return value.get<std::string>();
}

uint32_t Row(const json& object, const char* name, const std::string& where) {
  const json& value = Member(object, name, where);
  if (!value.is_number_integer() || value.get<int64_t>() < 0 || value.get<int64_t>() > 0xFFFFFFFFll)
    throw BadShape{where + ": \"" + name + "\" must be a whole row from 0 to 4294967295"};
  return static_cast<uint32_t>(value.get<int64_t>());
}

float Value(const json& object, const char* name, const std::string& where) {
  const json& value = Member(object, name, where);
  const float number = value.is_number() ? static_cast<float>(value.get<double>()) : NAN;
  if (!std::isfinite(number)) throw BadShape{where + ": \"" + name + "\" must be a finite number"};
  return number;
}

int32_t Kind(const json& object, const std::string& where) {
  static const char* const kKinds[] = {"step", "linear", "smooth", "ramp", "catmull"};
  const std::string word = String(object, "kind", where);
  for (int32_t i = 0; i < 5; ++i) {
    if (word == kKinds[i]) return i;
  }
  // The number a key of another kind is listed by.
  if (!word.empty() && word.size() <= 3 && word.find_first_not_of("0123456789") == std::string::npos &&
      std::stoi(word) <= 255)
    return std::stoi(word);
  throw BadShape{where + ": \"kind\" must be step, linear, smooth, ramp or catmull, not \"" + word + "\""};
}

// A key's value, by the rule the source parser keeps: what the file would refuse is refused here.
float KeyValue(const json& object, const std::string& where) {
  const json& value = Member(object, "value", where);
  if (!value.is_number()) throw BadShape{where + ": \"value\" must be a number"};
  float number = 0.0f;
  if (std::string why; !sync::trackValue(value.get<double>(), number, &why))
    throw BadShape{where + ": \"value\" " + value.dump() + " is " + why};
  return number;
}

fw_TrackKeyValue Key(const json& op, const std::string& where) {
  const json& key = Member(op, "key", where);
  if (!key.is_object()) throw BadShape{where + ": \"key\" must be an object"};
  return fw_TrackKeyValue{Row(key, "row", where + " key"), KeyValue(key, where + " key"), Kind(key, where + " key")};
}

fw_TrackEditOp Op(const json& op, size_t index) {
  const std::string where = "op " + std::to_string(index + 1);
  if (!op.is_object()) throw BadShape{where + " must be an object"};
  const std::string name = String(op, "op", where);
  fw_TrackEditOp edit;
  edit.track = String(op, "track", where);
  if (name == "set") {
    edit.kind = fw_TrackEditOp::Kind::Set;
    edit.row = Row(op, "row", where);
    edit.key = Key(op, where);
  } else if (name == "add") {
    edit.kind = fw_TrackEditOp::Kind::Add;
    edit.key = Key(op, where);
  } else if (name == "delete") {
    edit.kind = fw_TrackEditOp::Kind::Delete;
    edit.row = Row(op, "row", where);
  } else if (name == "addTrack") {
    edit.kind = fw_TrackEditOp::Kind::AddTrack;
  } else {
    throw BadShape{where + ": \"op\" must be set, add, delete or addTrack, not \"" + name + "\""};
  }
  return edit;
}

std::optional<json> ParseBody(const std::string& body) {
  json parsed = json::parse(body, nullptr, false);
  if (parsed.is_discarded() || !parsed.is_object()) return std::nullopt;
  return parsed;
}

fw_EditorResponse Answer(int status, const json& body) {
  fw_EditorResponse response;
  response.status = status;
  response.body = fw_EditorDump(body);
  return response;
}

// The file changed since the page read it: the edit is not made, and the page gets the file as it is.
fw_EditorResponse Changed(const std::string& name, const std::string& text) {
  return Answer(409, json{{"error", name + ".txt changed on disk; reloaded"}, {"file", fw_EditorFileJson(name, text)}});
}

// Where another source defines the track ("camera.txt:71"), or "": a track is defined once across
// all sources, as the track tool compiles them.
std::string DefinedElsewhere(const std::string& tracksDir, const std::string& name, const std::string& track) {
  for (const std::string& other : fw_ListEditorSources(tracksDir)) {
    std::string text;
    if (other == name || !fw_ReadEditorSource(tracksDir, other, &text)) continue;
    std::vector<std::string> errors;
    for (const sync::SourceTrack& source : sync::parseSource(text, other + ".txt", errors)) {
      if (source.name == track) return source.where;
    }
  }
  return "";
}

}  // namespace

// ---- tracks ----

fw_EditorResponse fw_EditorGetTracks(const fw_EditorSite& site) {
  json files = json::array();
  for (const std::string& name : fw_ListEditorSources(site.tracksDir)) {
    std::string text;
    // A file removed between the listing and the read is simply not listed.
    if (fw_ReadEditorSource(site.tracksDir, name, &text)) files.push_back(fw_EditorFileJson(name, text));
  }
  return Answer(200, json{{"files", std::move(files)}});
}

// ---- edit ----

fw_EditorResponse fw_EditorPostEdit(const std::string& body, const fw_EditorSite& site) {
  const std::optional<json> request = ParseBody(body);
  if (!request) return fw_EditorError(400, "the body must be a JSON object");
  std::string name, version;
  std::vector<fw_TrackEditOp> ops;
  try {
    name = String(*request, "file", "the edit");
    version = String(*request, "version", "the edit");
    const json& list = Member(*request, "ops", "the edit");
    if (!list.is_array() || list.empty()) throw BadShape{"the edit: \"ops\" must be a list of at least one op"};
    for (size_t i = 0; i < list.size(); ++i) ops.push_back(Op(list[i], i));
  } catch (const BadShape& bad) {
    return fw_EditorError(400, bad.message);
  }
  if (!fw_IsEditorSourceName(name)) return fw_EditorError(400, "\"" + name + "\" is not a track source in tracks/");
  const std::string fileName = name + ".txt";
  const std::string path = site.tracksDir + "/" + fileName;
  std::string text;
  if (!fw_ReadEditorSource(site.tracksDir, name, &text)) return fw_EditorError(404, "there is no tracks/" + fileName);

  if (version != fw_EditorVersion(text)) return Changed(name, text);
  for (const fw_TrackEditOp& op : ops) {
    if (op.kind != fw_TrackEditOp::Kind::AddTrack) continue;
    const std::string elsewhere = DefinedElsewhere(site.tracksDir, name, op.track);
    if (!elsewhere.empty())
      return fw_EditorError(400, "track " + op.track + " is already defined at " + elsewhere + "; nothing was written");
  }
  const fw_WriteBackResult result = fw_ApplyTrackEdits(text, fileName, ops);
  switch (result.status) {
    case fw_WriteBackResult::Status::Ok: break;
    case fw_WriteBackResult::Status::BadEdit: return fw_EditorError(400, result.error);
    case fw_WriteBackResult::Status::SourceError:
      return Answer(409, json{{"error", result.error}, {"file", fw_EditorFileJson(name, text)}});
    case fw_WriteBackResult::Status::Internal:
      fw_EditorLog(fw_LogError, "Timeline editor: %s", result.error.c_str());
      return fw_EditorError(500, result.error);
  }
  // An edit that takes the file back to a text this editor replaced writes that text's bytes.
  fw_EditorTextMemory& memory = fw_GetEditorTextMemory();
  const std::string bytes = memory.recall(path, text, result.text);
  const fw_SourceSave save = fw_SaveEditorSource(path, text, bytes);
  switch (save.status) {
    case fw_SourceSave::Status::Saved: break;
    case fw_SourceSave::Status::Changed: return Changed(name, save.current);
    case fw_SourceSave::Status::ReadOnly:
      return fw_EditorError(403, "tracks/" + fileName + " is not edited here: " + save.reason + "; nothing was written");
    case fw_SourceSave::Status::Gone: return fw_EditorError(404, "there is no tracks/" + fileName);
    case fw_SourceSave::Status::Failed:
      fw_EditorLog(fw_LogError, "Timeline editor: tracks/%s could not be written: %s.", fileName.c_str(), save.reason.c_str());
      return fw_EditorError(500, "tracks/" + fileName + " could not be written: " + save.reason);
  }
  memory.remember(path, bytes, text);
  fw_Log(fw_LogPlain, "Timeline editor: tracks/%s written (%zu edits).", fileName.c_str(), ops.size());
  return Answer(200, json{{"file", fw_EditorFileJson(name, bytes)}});
}

// ---- transport ----

fw_EditorResponse fw_EditorPostTransport(const std::string& body, const fw_EditorSite& site) {
  const std::optional<json> request = ParseBody(body);
  const char* const shapes = "the transport takes {\"seek\":ROW}, {\"pause\":true|false} or {\"loop\":{\"first\":A,\"last\":B}|null}";
  if (!request || request->size() != 1) return fw_EditorError(400, shapes);
  fw_EditorCommand command;
  try {
    if (auto seek = request->find("seek"); seek != request->end()) {
      command.kind = fw_EditorCommand::Kind::Seek;
      command.row = Value(*request, "seek", "the transport");
      if (command.row < 0.0f) throw BadShape{"the transport: \"seek\" must be a row of 0 or more"};
    } else if (auto pause = request->find("pause"); pause != request->end()) {
      if (!pause->is_boolean()) throw BadShape{"the transport: \"pause\" must be true or false"};
      command.kind = fw_EditorCommand::Kind::Pause;
      command.paused = pause->get<bool>();
    } else if (auto loop = request->find("loop"); loop != request->end()) {
      command.kind = fw_EditorCommand::Kind::Loop;
      if (!loop->is_null()) {
        if (!loop->is_object()) throw BadShape{"the transport: \"loop\" must be {\"first\":A,\"last\":B} or null"};
        const uint32_t first = Row(*loop, "first", "the loop"), last = Row(*loop, "last", "the loop");
        if (first > last || last > 0x7FFFFFFFu) throw BadShape{"the loop: \"first\" must not be past \"last\", and both below 2147483648"};
        command.loop = fw_EditorLoop{static_cast<int>(first), static_cast<int>(last)};
      }
    } else {
      throw BadShape{shapes};
    }
  } catch (const BadShape& bad) {
    return fw_EditorError(400, bad.message);
  }
  if (!site.bridge || !site.bridge->queue(command))
    return fw_EditorError(503, "the show is not taking transport commands now");
  return Answer(200, json{{"ok", true}});
}
