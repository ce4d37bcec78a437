// Song description parser and note generator (see song.h).
//
// Format, one statement per line, '#' starts a comment:
//   title TEXT | key TEXT | tempo BPM | rows_per_beat N | rows_per_second R | sample_rate HZ | fade SECONDS
//   pattern NAME STEPS...        16 steps per bar; '.' rest, '-' tie, spaces and '|' ignored
//   melody NAME RES NOTE...      RES notes per bar (1, 2, 4, 8 or 16); NOTE is A4, C#5, '-' or '.'
//   section NAME BARS            starts a section; the indented lines below belong to it
//     chords CHORD...            one chord per bar, cycling
//     INSTRUMENT PATTERN... [from=BAR] [to=BAR] [gain=G] [filter=A..B] [transpose=N]
#include "song.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace synth {

static const char* const kInstrumentNames[] = {
    "kick", "clap", "snare", "hat", "openhat", "crash", "riser", "bass", "pad", "arp", "lead", "bell"
};

const char* instrumentName(Instrument i)
{
    return i < Instrument::Count ? kInstrumentNames[int(i)] : "?";
}

Instrument parseInstrument(const std::string& name)
{
    for (int i = 0; i < int(Instrument::Count); ++i)
        if (name == kInstrumentNames[i]) return Instrument(i);
    return Instrument::Count;
}

static int pitchClass(const std::string& text, size_t& pos)
{
    static const int letters[] = { 9, 11, 0, 2, 4, 5, 7 };  // A B C D E F G
    if (text.empty() || text[0] < 'A' || text[0] > 'G') return -1;
    int pc = letters[text[0] - 'A'];
    pos = 1;
    if (pos < text.size() && text[pos] == '#') { ++pc; ++pos; }
    else if (pos < text.size() && text[pos] == 'b') { --pc; ++pos; }
    return (pc + 12) % 12;
}

bool parseChord(const std::string& text, Chord& out)
{
    static const std::map<std::string, std::vector<int>> qualities = {
        { "", { 0, 4, 7 } },       { "m", { 0, 3, 7 } },         { "7", { 0, 4, 7, 10 } },
        { "maj7", { 0, 4, 7, 11 } }, { "m7", { 0, 3, 7, 10 } },  { "sus2", { 0, 2, 7 } },
        { "sus4", { 0, 5, 7 } },   { "add9", { 0, 4, 7, 14 } },  { "madd9", { 0, 3, 7, 14 } },
    };
    size_t pos = 0;
    const int pc = pitchClass(text, pos);
    if (pc < 0) return false;
    auto it = qualities.find(text.substr(pos));
    if (it == qualities.end()) return false;
    out.name = text;
    out.root = pc;
    out.tones = it->second;
    return true;
}

int parseNoteName(const std::string& text)
{
    size_t pos = 0;
    const int pc = pitchClass(text, pos);
    if (pc < 0 || pos + 1 != text.size() || text[pos] < '0' || text[pos] > '8') return -1;
    // The written letter fixes the octave, so Cb4 is B3 and B#3 is C4.
    int octave = text[pos] - '0';
    if (text[0] == 'C' && text[1] == 'b') --octave;
    if (text[0] == 'B' && text[1] == '#') ++octave;
    return 12 * (octave + 1) + pc;
}

int Song::totalBars() const
{
    int bars = 0;
    for (const auto& s : sections) bars += s.bars;
    return bars;
}

long long Song::lengthSamples() const
{
    return std::llround(lengthSeconds() * sampleRate);
}

namespace {

struct Parser {
    Song& song;
    std::string& error;
    int line = 0;

    bool fail(const std::string& why)
    {
        error = "line " + std::to_string(line) + ": " + why;
        return false;
    }

    bool number(const std::string& text, double& out, double lo, double hi, const char* what)
    {
        char* end = nullptr;
        out = std::strtod(text.c_str(), &end);
        if (text.empty() || *end || !(out >= lo && out <= hi))
            return fail(std::string("bad ") + what + " '" + text + "'");
        return true;
    }

    bool pattern(std::istringstream& in)
    {
        Pattern p;
        in >> p.name;
        std::string chunk, steps;
        while (in >> chunk) steps += chunk;
        for (char c : steps) {
            if (c == '|') continue;
            Step s;
            if (c == '.') s.kind = Step::Rest;
            else if (c == '-') s.kind = Step::Tie;
            else { s.kind = Step::Hit; s.code = c; }
            p.steps.push_back(s);
        }
        if (p.name.empty() || p.steps.empty() || p.steps.size() % Song::kStepsPerBar)
            return fail("pattern '" + p.name + "' must fill whole bars of 16 steps");
        song.patterns[p.name] = p;
        return true;
    }

    bool melody(std::istringstream& in)
    {
        Pattern p;
        int res = 0;
        in >> p.name >> res;
        if (res != 1 && res != 2 && res != 4 && res != 8 && res != 16)
            return fail("melody '" + p.name + "' needs a resolution of 1, 2, 4, 8 or 16 notes per bar");
        const int stretch = Song::kStepsPerBar / res;
        std::string tok;
        while (in >> tok) {
            if (tok == "|") continue;
            Step s;
            if (tok == ".") s.kind = Step::Rest;
            else if (tok == "-") s.kind = Step::Tie;
            else {
                s.kind = Step::Hit;
                s.code = 'n';
                s.pitch = parseNoteName(tok);
                if (s.pitch < 0) return fail("melody '" + p.name + "': '" + tok + "' is not a note");
            }
            p.steps.push_back(s);
            Step hold;
            hold.kind = s.kind == Step::Rest ? Step::Rest : Step::Tie;
            for (int i = 1; i < stretch; ++i) p.steps.push_back(hold);
        }
        if (p.steps.empty() || p.steps.size() % Song::kStepsPerBar)
            return fail("melody '" + p.name + "' must fill whole bars");
        song.patterns[p.name] = p;
        return true;
    }

    bool track(Section& section, const std::string& word, std::istringstream& in)
    {
        TrackUse use;
        use.instrument = parseInstrument(word);
        if (use.instrument == Instrument::Count) return fail("unknown instrument or statement '" + word + "'");
        std::string tok;
        while (in >> tok) {
            const size_t eq = tok.find('=');
            if (eq == std::string::npos) {
                if (!song.patterns.count(tok)) return fail("unknown pattern '" + tok + "'");
                use.patterns.push_back(tok);
                continue;
            }
            const std::string key = tok.substr(0, eq), value = tok.substr(eq + 1);
            double v = 0;
            if (key == "from" || key == "to") {
                if (!number(value, v, 0, section.bars, "bar")) return false;
                (key == "from" ? use.fromBar : use.toBar) = int(v);
            } else if (key == "gain") {
                if (!number(value, v, 0, 4, "gain")) return false;
                use.gain = float(v);
            } else if (key == "transpose") {
                if (!number(value, v, -36, 36, "transpose")) return false;
                use.transpose = int(v);
            } else if (key == "filter") {
                const size_t dots = value.find("..");
                double a = 0, b = 0;
                if (dots == std::string::npos) {
                    if (!number(value, a, 0, 1, "filter")) return false;
                    b = a;
                } else if (!number(value.substr(0, dots), a, 0, 1, "filter") ||
                           !number(value.substr(dots + 2), b, 0, 1, "filter")) {
                    return false;
                }
                use.filterFrom = float(a);
                use.filterTo = float(b);
            } else {
                return fail("unknown option '" + key + "'");
            }
        }
        if (use.patterns.empty()) return fail("'" + word + "' names no pattern");
        if (use.toBar < 0) use.toBar = section.bars;
        if (use.fromBar >= use.toBar) return fail("'" + word + "' plays no bar (from must be below to)");
        section.tracks.push_back(use);
        return true;
    }

    bool run(const std::string& text)
    {
        std::istringstream lines(text);
        std::string raw;
        Section* section = nullptr;
        while (std::getline(lines, raw)) {
            ++line;
            // A comment starts at a '#' that begins a word, so sharps such as G#4 survive.
            for (size_t h = raw.find('#'); h != std::string::npos; h = raw.find('#', h + 1))
                if (h == 0 || raw[h - 1] == ' ' || raw[h - 1] == '\t') {
                    raw.resize(h);
                    break;
                }
            std::istringstream in(raw);
            std::string word;
            if (!(in >> word)) continue;
            const bool indented = !raw.empty() && (raw[0] == ' ' || raw[0] == '\t');
            if (indented && section) {
                if (word == "chords") {
                    section->chords.clear();
                    std::string c;
                    while (in >> c) {
                        Chord chord;
                        if (!parseChord(c, chord)) return fail("unknown chord '" + c + "'");
                        section->chords.push_back(chord);
                    }
                    if (section->chords.empty()) return fail("'chords' lists no chord");
                } else if (!track(*section, word, in)) {
                    return false;
                }
                continue;
            }
            section = nullptr;
            std::string rest;
            std::getline(in >> std::ws, rest);
            double v = 0;
            if (word == "title") song.title = rest;
            else if (word == "key") song.key = rest;
            else if (word == "tempo") { if (!number(rest, v, 20, 400, "tempo")) return false; song.tempo = v; }
            else if (word == "rows_per_beat") { if (!number(rest, v, 1, 64, "rows_per_beat")) return false; song.rowsPerBeat = int(v); }
            else if (word == "rows_per_second") { if (!number(rest, v, 0.1, 1000, "rows_per_second")) return false; song.rowsPerSecond = v; }
            else if (word == "sample_rate") { if (!number(rest, v, 8000, 192000, "sample_rate")) return false; song.sampleRate = int(v); }
            else if (word == "fade") { if (!number(rest, v, 0, 30, "fade")) return false; song.fadeSeconds = v; }
            else if (word == "pattern") { std::istringstream r(rest); if (!pattern(r)) return false; }
            else if (word == "melody") { std::istringstream r(rest); if (!melody(r)) return false; }
            else if (word == "section") {
                Section s;
                std::istringstream r(rest);
                std::string bars;
                r >> s.name >> bars;
                if (s.name.empty() || !number(bars, v, 1, 1000, "bar count")) return false;
                s.bars = int(v);
                s.firstBar = song.totalBars();
                song.sections.push_back(s);
                section = &song.sections.back();
            } else {
                return fail("unknown statement '" + word + "'");
            }
        }
        if (song.sections.empty()) return fail("the song has no section");
        // A beat is rows_per_beat rows: the tempo and the row rate must agree.
        const double rowsPerSecond = song.tempo / 60.0 * song.rowsPerBeat;
        if (std::fabs(rowsPerSecond - song.rowsPerSecond) > 1e-4)
            return fail("tempo and rows_per_second disagree (" + std::to_string(rowsPerSecond) + " rows/s)");
        for (const auto& s : song.sections)
            if (s.chords.empty()) {
                error = "section '" + s.name + "' has no chords";
                return false;
            }
        return true;
    }
};

// Chord tones of a pad: the root below, the other tones in a close voicing around G3..F#4.
std::vector<int> padVoicing(const Chord& chord)
{
    std::vector<int> notes;
    int root = 48 + chord.root;
    if (root >= 55) root -= 12;
    notes.push_back(root);
    for (int t : chord.tones) {
        int n = 55 + (chord.root + t - 55 % 12 + 24) % 12;
        notes.push_back(n);
    }
    std::sort(notes.begin(), notes.end());
    notes.erase(std::unique(notes.begin(), notes.end()), notes.end());
    return notes;
}

int bassNote(const Chord& chord, char code)
{
    int n = 24 + chord.root;
    if (n < 28) n += 12;  // keep the roots between E1 and D#2
    switch (code) {
    case 'o': return n + 12;
    case '5': return n + 7;
    case '3': return n + (chord.tones.size() > 1 ? chord.tones[1] : 4);
    default: return n;
    }
}

int arpNote(const Chord& chord, int index)
{
    std::vector<int> tones;
    for (int t : chord.tones) tones.push_back(57 + (chord.root + t - 57 % 12 + 24) % 12);
    std::sort(tones.begin(), tones.end());
    const int n = int(tones.size());
    return tones[index % n] + 12 * (index / n);
}

float drumVelocity(char code)
{
    switch (code) {
    case 'X': return 1.0f;
    case 'x': return 0.72f;
    case 'o': return 0.42f;
    default: return 0.72f;
    }
}

} // namespace

bool parseSong(const std::string& text, Song& song, std::string& error)
{
    song = Song();
    Parser p{ song, error };
    return p.run(text);
}

bool loadSong(const std::string& path, Song& song, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!parseSong(text.str(), song, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::vector<Note> songNotes(const Song& song)
{
    std::vector<Note> notes;
    const double step = song.stepSeconds();
    const int spb = Song::kStepsPerBar;
    unsigned seed = 1;
    for (const Section& sec : song.sections) {
        for (const TrackUse& use : sec.tracks) {
            std::vector<Step> seq;
            for (const auto& name : use.patterns) {
                const auto& steps = song.patterns.at(name).steps;
                seq.insert(seq.end(), steps.begin(), steps.end());
            }
            const int first = use.fromBar * spb, last = use.toBar * spb;
            for (int k = first; k < last; ++k) {
                const Step& s = seq[(k - first) % seq.size()];
                if (s.kind != Step::Hit) continue;
                int held = 1;
                while (k + held < last && seq[(k + held - first) % seq.size()].kind == Step::Tie) ++held;
                const Chord& chord = sec.chords[(k / spb) % sec.chords.size()];
                const double span = std::max(1, use.toBar - use.fromBar) * spb;
                const float f = use.filterFrom + (use.filterTo - use.filterFrom) * float((k - first) / span);
                Note n;
                n.instrument = use.instrument;
                n.start = song.rowSeconds((sec.firstBar * spb + k) * double(song.rowsPerBar()) / spb);
                n.length = held * step;
                n.velocity = use.gain;
                n.filter = f;
                auto add = [&](double pitch, float velocity) {
                    n.pitch = pitch + use.transpose;
                    n.velocity = use.gain * velocity;
                    n.seed = seed++;
                    notes.push_back(n);
                };
                switch (use.instrument) {
                case Instrument::Bass: add(bassNote(chord, s.code), s.code == 'X' ? 1.f : 0.85f); break;
                case Instrument::Pad:
                    for (int p : padVoicing(chord)) add(p, 1.f);
                    break;
                case Instrument::Arp:
                    if (s.code >= '0' && s.code <= '9') add(arpNote(chord, s.code - '0'), 1.f);
                    break;
                case Instrument::Lead:
                case Instrument::Bell:
                    if (s.pitch >= 0) add(s.pitch, 1.f);
                    break;
                default: add(0, drumVelocity(s.code)); break;
                }
            }
        }
    }
    std::stable_sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) { return a.start < b.start; });
    return notes;
}

std::string sectionMap(const Song& song)
{
    std::ostringstream out;
    out << "# section first_row last_row (" << song.rowsPerBar() << " rows per bar, "
        << song.rowsPerBeat << " rows per beat, " << song.tempo << " BPM)\n";
    for (const auto& s : song.sections) {
        const int first = s.firstBar * song.rowsPerBar();
        out << s.name << ' ' << first << ' ' << first + s.bars * song.rowsPerBar() - 1 << '\n';
    }
    return out.str();
}

} // namespace synth

namespace synth {

Song firstBars(const Song& song, int bars)
{
    Song cut = song;
    if (bars <= 0 || bars >= song.totalBars()) return cut;
    cut.sections.clear();
    for (Section s : song.sections) {
        if (s.firstBar >= bars) break;
        s.bars = std::min(s.bars, bars - s.firstBar);
        for (auto& t : s.tracks) t.toBar = std::min(t.toBar, s.bars);
        std::erase_if(s.tracks, [](const TrackUse& t) { return t.fromBar >= t.toBar; });
        cut.sections.push_back(s);
    }
    return cut;
}

} // namespace synth
