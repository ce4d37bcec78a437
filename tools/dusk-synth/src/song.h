// The song description: a readable text file of tempo, key, chord lists, step patterns,
// melodies and sections, parsed into a Song and turned into timed notes. Needs only the
// standard library. Offers parseSong/loadSong, the notes of a song and its section map.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace synth {

enum class Instrument { Kick, Clap, Snare, Hat, OpenHat, Crash, Riser, Bass, Pad, Arp, Lead, Bell, Count };

// Description name of an instrument ("kick", "pad", ...); parseInstrument returns Count when unknown.
const char* instrumentName(Instrument i);
Instrument parseInstrument(const std::string& name);

struct Chord {
    std::string name;        // as written, "Fmaj7"
    int root = 0;            // pitch class, C = 0
    std::vector<int> tones;  // semitones above the root, ascending
};

// Parses "Am", "F#m7", "Bbmaj7", "Gsus4", "Cadd9"; returns false for anything else.
bool parseChord(const std::string& text, Chord& out);

// MIDI note of a name such as "A4", "C#5", "Bb3"; -1 when it is not a note name.
int parseNoteName(const std::string& text);

// One step of a pattern at 16 steps per bar: a rest, a tie that holds the previous
// hit, or a hit with its code (drum velocity letter, bass degree, arp index, 'n' for a
// melody note with its MIDI pitch).
struct Step {
    enum Kind { Rest, Tie, Hit } kind = Rest;
    char code = 0;
    int pitch = -1;
};

struct Pattern {
    std::string name;
    std::vector<Step> steps;  // a whole number of bars
};

struct TrackUse {
    Instrument instrument = Instrument::Count;
    std::vector<std::string> patterns;  // played one after the other, cycling
    int fromBar = 0, toBar = -1;        // within the section; -1 = to its end
    float gain = 1.f;
    float filterFrom = 1.f, filterTo = 1.f;  // brightness ramp over the track's bars
    int transpose = 0;                       // semitones
};

struct Section {
    std::string name;
    int bars = 0;
    int firstBar = 0;
    std::vector<Chord> chords;  // one per bar, cycling
    std::vector<TrackUse> tracks;
};

struct Song {
    std::string title;
    std::string key;
    double tempo = 130.0;
    int rowsPerBeat = 8;
    double rowsPerSecond = 17.333334;
    int sampleRate = 44100;
    double fadeSeconds = 1.5;
    std::map<std::string, Pattern> patterns;
    std::vector<Section> sections;

    static constexpr int kStepsPerBar = 16;
    int rowsPerBar() const { return rowsPerBeat * 4; }
    int totalBars() const;
    int totalRows() const { return totalBars() * rowsPerBar(); }
    // Song time of a row: rows run at rowsPerSecond, as the player's clock counts them.
    double rowSeconds(double row) const { return row / rowsPerSecond; }
    double stepSeconds() const { return rowSeconds(rowsPerBar() / double(kStepsPerBar)); }
    double lengthSeconds() const { return rowSeconds(totalRows()); }
    long long lengthSamples() const;
};

struct Note {
    Instrument instrument;
    double start = 0;      // seconds
    double length = 0;     // seconds the gate is held
    double pitch = 0;      // MIDI note (fractional allowed)
    float velocity = 1.f;
    float filter = 1.f;    // brightness 0..1 from the section's ramp
    unsigned seed = 0;     // per-note noise seed
};

// Parses a description; on error returns false and puts "line N: reason" in `error`.
bool parseSong(const std::string& text, Song& song, std::string& error);
bool loadSong(const std::string& path, Song& song, std::string& error);

// Every note of the song, sorted by start time.
std::vector<Note> songNotes(const Song& song);

// The section map: one line per section, "name first_row last_row".
std::string sectionMap(const Song& song);

} // namespace synth

namespace synth {

// The song cut after its first `bars` bars (the last section kept is shortened); used to
// render short excerpts. A count of 0 or beyond the song's length returns it whole.
Song firstBars(const Song& song, int bars);

} // namespace synth
