// Write-back of track edits. Sections: lines · the model the ops change · formatting a key line ·
// rendering · the ops.
#include "editor/fw_TrackWriteBack.h"

#include "sync/sync_TrackSource.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

namespace {

// ---- lines ----

struct Line {
  std::string body;  // without its line ending
  std::string eol;   // "\n", "\r\n", or "" for a last line without one
};

std::vector<Line> SplitLines(const std::string& text) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    Line line;
    if (end == std::string::npos) {
      line.body = text.substr(start);
      start = text.size();
    } else {
      line.body = text.substr(start, end - start);
      line.eol = "\n";
      start = end + 1;
    }
    if (!line.eol.empty() && !line.body.empty() && line.body.back() == '\r') {
      line.body.pop_back();
      line.eol = "\r\n";
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

bool IsBlank(const std::string& body) { return body.find_first_not_of(" \t\r") == std::string::npos; }

// ---- the model the ops change ----

struct Entry {
  float value = 0.0f;
  int32_t kind = 0;
  int line = -1;   // the original line that holds it where it stays, -1 when it needs a new line
  int style = -1;  // the original line whose columns and comment it keeps, -1 for none
  bool dirty = false;
};

struct TrackModel {
  std::string name;
  int header = -1;  // the original `track` line, -1 for a track the ops add
  std::map<uint32_t, Entry> keys;
};

// ---- formatting a key line ----

struct Field {
  size_t start = 0;
  std::string text;
};

struct Layout {
  std::string lead;
  std::vector<Field> fields;  // row, value, kind (the kind may be missing)
  std::vector<std::string> gaps;  // whitespace after each field but the last
  size_t commentColumn = 0;
  std::string comment;  // from '#', empty when none
};

Layout ReadLayout(const std::string& body) {
  Layout layout;
  const size_t hash = body.find('#');
  const std::string code = hash == std::string::npos ? body : body.substr(0, hash);
  if (hash != std::string::npos) {
    layout.comment = body.substr(hash);
    layout.commentColumn = hash;
  }
  size_t i = code.find_first_not_of(" \t\r");
  layout.lead = code.substr(0, i == std::string::npos ? code.size() : i);
  while (i != std::string::npos && i < code.size()) {
    const size_t end = std::min(code.find_first_of(" \t\r", i), code.size());
    layout.fields.push_back(Field{i, code.substr(i, end - i)});
    const size_t next = code.find_first_not_of(" \t\r", end);
    if (next != std::string::npos) layout.gaps.push_back(code.substr(end, next - end));
    i = next;
  }
  return layout;
}

// The layout of a new line when the file has no key line to copy: the track printer's columns.
Layout DefaultLayout() {
  Layout layout;
  layout.fields = {Field{0, "0"}, Field{11, "0"}, Field{28, "step"}};
  layout.gaps = {"  ", "  "};  // columns, not single spaces
  return layout;
}

bool ParseKindWord(const std::string& word, int32_t* kind) {
  std::vector<std::string> errors;
  const auto tracks = sync::parseSource("track t\n0 0 " + word + "\n", "", errors);
  if (!errors.empty() || tracks.empty() || tracks[0].track.keys().empty()) return false;
  *kind = tracks[0].track.keys().begin()->second.interpolation;
  return true;
}

// The key's line in the template's columns. The kind keeps the word the line gave it when the
// kind did not change (an alias or a number stays as written), and a step stays implicit where it
// was. withComment: a key keeps its own comment, never a neighbour's.
std::string FormatKey(const Layout& layout, uint32_t row, const Entry& entry, bool withComment) {
  std::vector<std::string> texts{std::to_string(row), fw_ShortestFloat(entry.value)};
  int32_t oldKind = 0;
  const bool hadKind = layout.fields.size() >= 3;
  const bool sameKind = hadKind ? ParseKindWord(layout.fields[2].text, &oldKind) && oldKind == entry.kind
                                : entry.kind == 0;
  if (hadKind && sameKind) texts.push_back(layout.fields[2].text);
  else if (!sameKind) texts.push_back(sync::kindName(entry.kind));

  std::string out = layout.lead;
  for (size_t i = 0; i < texts.size(); ++i) {
    out += texts[i];
    if (i + 1 == texts.size()) break;
    // Tab-aligned columns stay tab-aligned; words a single space apart are not in columns.
    if (i < layout.gaps.size() && (layout.gaps[i].find('\t') != std::string::npos || layout.gaps[i] == " ")) {
      out += layout.gaps[i];
      continue;
    }
    size_t column = 0;
    if (i + 1 < layout.fields.size()) column = layout.fields[i + 1].start;
    else if (layout.fields.size() >= 2) column = 2 * layout.fields[1].start - layout.fields[0].start;
    out.append(column > out.size() ? column - out.size() : 1, ' ');
  }
  if (withComment && !layout.comment.empty()) {
    out.append(layout.commentColumn > out.size() ? layout.commentColumn - out.size() : 1, ' ');
    out += layout.comment;
  }
  return out;
}

// ---- rendering ----

struct OutLine {
  std::string body;
  std::string eol;
  int track = -1;
  bool key = false;
  bool header = false;
  uint32_t row = 0;
};

std::string Render(const std::vector<Line>& lines, std::vector<TrackModel>& tracks, const std::set<int>& dropped) {
  std::string eol = "\n";
  for (const Line& line : lines) {
    if (!line.eol.empty()) {
      eol = line.eol;
      break;
    }
  }
  std::map<int, std::pair<int, uint32_t>> owner;  // original line -> (track, row) of the key it keeps
  std::map<int, int> headers;                     // original line -> track
  for (size_t t = 0; t < tracks.size(); ++t) {
    if (tracks[t].header >= 0) headers[tracks[t].header] = static_cast<int>(t);
    for (const auto& [row, entry] : tracks[t].keys) {
      if (entry.line >= 0) owner[entry.line] = {static_cast<int>(t), row};
    }
  }

  std::vector<OutLine> out;
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    if (dropped.count(i)) continue;
    OutLine line{lines[i].body, lines[i].eol};
    if (auto it = owner.find(i); it != owner.end()) {
      const Entry& entry = tracks[it->second.first].keys.at(it->second.second);
      if (entry.dirty) line.body = FormatKey(ReadLayout(lines[i].body), it->second.second, entry, true);
      line.track = it->second.first;
      line.key = true;
      line.row = it->second.second;
    } else if (auto header = headers.find(i); header != headers.end()) {
      line.track = header->second;
      line.header = true;
    }
    out.push_back(std::move(line));
  }

  for (size_t t = 0; t < tracks.size(); ++t) {
    if (tracks[t].header >= 0) continue;
    if (!out.empty() && !IsBlank(out.back().body)) out.push_back(OutLine{"", eol});
    out.push_back(OutLine{"track " + tracks[t].name, eol, static_cast<int>(t), false, true});
  }

  // A layout to copy for keys without one of their own: any key line of the file.
  Layout anyKey = DefaultLayout();
  for (const auto& [line, key] : owner) {
    anyKey = ReadLayout(lines[line].body);
    break;
  }
  for (size_t t = 0; t < tracks.size(); ++t) {
    for (const auto& [row, entry] : tracks[t].keys) {
      if (entry.line >= 0) continue;
      // After the key just below it, else before the key just above it, else under the header.
      int below = -1, above = -1, header = -1;
      for (int i = 0; i < static_cast<int>(out.size()); ++i) {
        if (out[i].track != static_cast<int>(t)) continue;
        if (out[i].header) header = i;
        if (!out[i].key) continue;
        if (out[i].row < row && (below < 0 || out[i].row > out[below].row)) below = i;
        if (out[i].row > row && (above < 0 || out[i].row < out[above].row)) above = i;
      }
      const int position = below >= 0 ? below + 1 : above >= 0 ? above : header + 1;
      const int neighbour = below >= 0 ? below : above;
      const Layout layout = entry.style >= 0 ? ReadLayout(lines[entry.style].body)
                            : neighbour >= 0 ? ReadLayout(out[neighbour].body)
                                             : anyKey;
      OutLine line{FormatKey(layout, row, entry, entry.style >= 0), eol, static_cast<int>(t), true, false, row};
      out.insert(out.begin() + position, std::move(line));
    }
  }

  // A file that ended without a line ending still does, whichever line is last now; a last line
  // without one that is no longer last gets one.
  const bool finalNewline = lines.empty() || !lines.back().eol.empty();
  std::string text;
  for (size_t i = 0; i < out.size(); ++i) {
    const std::string& ending = out[i].eol.empty() ? eol : out[i].eol;
    text += out[i].body + (i + 1 < out.size() || finalNewline ? ending : std::string());
  }
  return text;
}

fw_WriteBackResult Fail(fw_WriteBackResult::Status status, std::string message) {
  fw_WriteBackResult result;
  result.status = status;
  result.error = std::move(message);
  return result;
}

// The track the show uses when a name is given twice: the last one read wins.
TrackModel* FindTrack(std::vector<TrackModel>& tracks, const std::string& name) {
  for (auto it = tracks.rbegin(); it != tracks.rend(); ++it) {
    if (it->name == name) return &*it;
  }
  return nullptr;
}

// Whether the text reads back as the model: the edit is written only then.
bool ReadsBackAs(const std::string& text, const std::string& fileName, const std::vector<TrackModel>& tracks) {
  std::vector<std::string> errors;
  const std::vector<sync::SourceTrack> parsed = sync::parseSource(text, fileName, errors);
  if (!errors.empty() || parsed.size() != tracks.size()) return false;
  for (size_t t = 0; t < tracks.size(); ++t) {
    if (parsed[t].name != tracks[t].name || parsed[t].track.keys().size() != tracks[t].keys.size()) return false;
    for (const auto& [row, entry] : tracks[t].keys) {
      auto it = parsed[t].track.keys().find(row);
      if (it == parsed[t].track.keys().end() || it->second.value != entry.value ||
          it->second.interpolation != entry.kind)
        return false;
    }
  }
  return true;
}

}  // namespace

bool fw_SameTracks(const std::string& a, const std::string& b) {
  std::vector<std::string> errors;
  const std::vector<sync::SourceTrack> left = sync::parseSource(a, "", errors);
  const std::vector<sync::SourceTrack> right = sync::parseSource(b, "", errors);
  if (!errors.empty() || left.size() != right.size()) return false;
  for (size_t t = 0; t < left.size(); ++t) {
    const auto& keys = left[t].track.keys();
    const auto& others = right[t].track.keys();
    if (left[t].name != right[t].name || keys.size() != others.size()) return false;
    for (auto it = keys.begin(), other = others.begin(); it != keys.end(); ++it, ++other) {
      // Bit for bit: -0 and 0 are written differently and a changed sign is an edit.
      if (it->first != other->first || it->second.interpolation != other->second.interpolation ||
          std::signbit(it->second.value) != std::signbit(other->second.value) || it->second.value != other->second.value)
        return false;
    }
  }
  return true;
}

std::string fw_ShortestFloat(float value) {
  char text[64];
  // Plain decimals where a person would write them ("90", not "9e+01"), else the exponent form.
  const float size = std::fabs(value);
  if (size == 0.0f || (size >= 1e-4f && size < 1e7f)) {
    for (int decimals = 0; decimals <= 9; ++decimals) {
      std::snprintf(text, sizeof(text), "%.*f", decimals, static_cast<double>(value));
      if (std::strtof(text, nullptr) == value) return text;
    }
  }
  for (int precision = 1; precision <= 9; ++precision) {
    std::snprintf(text, sizeof(text), "%.*g", precision, static_cast<double>(value));
    if (std::strtof(text, nullptr) == value) break;
  }
  return text;
}

// ---- the ops ----

fw_WriteBackResult fw_ApplyTrackEdits(const std::string& text, const std::string& fileName,
                                      const std::vector<fw_TrackEditOp>& ops) {
  using Status = fw_WriteBackResult::Status;
  std::vector<std::string> errors;
  const std::vector<sync::SourceTrack> parsed = sync::parseSource(text, fileName, errors);
  if (!errors.empty()) return Fail(Status::SourceError, errors.front() + " (fix the file before editing it here)");

  std::vector<TrackModel> tracks;
  for (const sync::SourceTrack& source : parsed) {
    TrackModel model{source.name, source.line - 1, {}};
    for (const auto& [row, key] : source.track.keys()) {
      const int line = source.keyLines.at(row) - 1;
      model.keys[row] = Entry{key.value, key.interpolation, line, line, false};
    }
    tracks.push_back(std::move(model));
  }

  std::set<int> dropped;
  auto drop = [&](const Entry& entry) {
    if (entry.line >= 0) dropped.insert(entry.line);
  };
  // A key put where one is: the one there goes, unless it is the same key changed in place.
  auto put = [&](TrackModel& track, const fw_TrackKeyValue& key, Entry entry) {
    if (auto there = track.keys.find(key.row); there != track.keys.end() && there->second.line != entry.line)
      drop(there->second);
    entry.dirty = entry.dirty || entry.value != key.value || entry.kind != key.kind;
    entry.value = key.value;
    entry.kind = key.kind;
    track.keys[key.row] = entry;
  };

  for (const fw_TrackEditOp& op : ops) {
    if (op.kind == fw_TrackEditOp::Kind::AddTrack) {
      if (!sync::isValidTrackName(op.track))
        return Fail(Status::BadEdit, "\"" + op.track + "\" is no track name (letters, digits, '_', '-' and '.' only)");
      if (FindTrack(tracks, op.track)) return Fail(Status::BadEdit, fileName + " already has a track " + op.track);
      tracks.push_back(TrackModel{op.track, -1, {}});
      continue;
    }
    TrackModel* track = FindTrack(tracks, op.track);
    if (!track) return Fail(Status::BadEdit, fileName + " has no track \"" + op.track + "\"");
    if (op.kind == fw_TrackEditOp::Kind::Add) {
      Entry entry;
      entry.dirty = true;
      if (auto there = track->keys.find(op.key.row); there != track->keys.end()) {
        entry = there->second;
      }
      put(*track, op.key, entry);
      continue;
    }
    auto it = track->keys.find(op.row);
    if (it == track->keys.end())
      return Fail(Status::BadEdit, "track " + op.track + " has no key at row " + std::to_string(op.row));
    Entry entry = it->second;
    if (op.kind == fw_TrackEditOp::Kind::Delete) {
      drop(entry);
      track->keys.erase(it);
    } else if (op.key.row == op.row) {
      put(*track, op.key, entry);
    } else {
      // Moved: its line leaves its place and is written again at the new row's place.
      drop(entry);
      track->keys.erase(it);
      entry.line = -1;
      entry.dirty = true;
      put(*track, op.key, entry);
    }
  }

  fw_WriteBackResult result;
  result.text = Render(SplitLines(text), tracks, dropped);
  if (!ReadsBackAs(result.text, fileName, tracks))
    return Fail(Status::Internal, "the edit of " + fileName + " would not read back as made; nothing was written");
  return result;
}
