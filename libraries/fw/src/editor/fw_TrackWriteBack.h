// Edits of a track source written back into its text as a careful person would: only the lines of
// the keys an edit touches change; comments, blank lines, track order and every other line stay
// byte for byte. A changed key keeps its line's columns and comment; a moved key's line goes to
// its new row's place in the track; a new key takes the layout of its neighbours; a new track is
// appended after a blank line. Pure: text in, text out, so it is tested without files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct fw_TrackKeyValue {
  uint32_t row = 0;
  float value = 0.0f;
  int32_t kind = 0;  // sync::Interpolation
};

struct fw_TrackEditOp {
  enum class Kind { Set, Add, Delete, AddTrack };
  Kind kind = Kind::Add;
  std::string track;
  uint32_t row = 0;      // Set, Delete: the row of the key as it is
  fw_TrackKeyValue key;  // Set, Add: the key as it becomes
};

struct fw_WriteBackResult {
  enum class Status {
    Ok,
    BadEdit,      // an op names a missing track or key, or a bad track name: nothing changes
    SourceError,  // the text does not parse: it is not edited
    Internal,     // the written text would not read back as the edit: nothing is written
  };
  Status status = Status::Ok;
  std::string text;   // Ok: the new text
  std::string error;  // otherwise: a message a person can read
};

// Applies the ops in order, all or none. fileName names the source in messages ("camera.txt").
fw_WriteBackResult fw_ApplyTrackEdits(const std::string& text, const std::string& fileName,
                                      const std::vector<fw_TrackEditOp>& ops);

// Whether both texts parse without error to the same tracks, in the same order, with the same
// keys: texts that differ only in comments, blank lines, layout and line endings.
bool fw_SameTracks(const std::string& a, const std::string& b);

// The shortest decimal that reads back as exactly this float ("2.5", "0.1", "-70").
std::string fw_ShortestFloat(float value);
