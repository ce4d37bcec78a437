// The song description and the soundtrack made from it: parsing and its error messages,
// the section map, the piece's length and form, deterministic rendering of an excerpt,
// and the committed MP3 and section map matching the description.
#include "master.h"
#include "render.h"
#include "song.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

using namespace synth;

namespace {

const std::string kData = std::string(DUSK_SOURCE_DIR) + "/projects/dusk/data/";
const std::string kSong = std::string(DUSK_SOURCE_DIR) + "/tools/dusk-synth/songs/eventide_palekestrel3.song";

std::string readFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

const char* kSmall = R"(tempo 130
rows_per_beat 8
rows_per_second 17.333334
pattern kick X...x...x...x...
pattern bass ..x-..x-..x-..o- # a comment
melody tune 4 A4 - C#5 . | Bb4 - - -
section intro 2
  chords Am Fmaj7
  kick kick
  bass bass filter=0.2..0.8
section drop 2
  chords G
  lead tune gain=0.5
)";

// Total samples of an MP3 written by the lame encoder: frames from its Info/Xing tag,
// less the encoder delay and padding that its LAME tag records (what gapless decoders play).
long long mp3Samples(const std::string& bytes, int& kbps)
{
    size_t i = 0;
    if (bytes.compare(0, 3, "ID3") == 0)
        i = 10 + ((size_t(bytes[6]) << 21) | (size_t(bytes[7]) << 14) | (size_t(bytes[8]) << 7) | size_t(bytes[9]));
    if (i + 4 > bytes.size() || (unsigned char)bytes[i] != 0xFF || ((unsigned char)bytes[i + 1] & 0xE0) != 0xE0) return -1;
    static const int rates[16] = { 0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0 };
    kbps = rates[((unsigned char)bytes[i + 2]) >> 4];
    size_t tag = bytes.find("Info", i);
    if (tag == std::string::npos || tag > i + 64) tag = bytes.find("Xing", i);
    if (tag == std::string::npos || tag > i + 64) return -1;
    auto be32 = [&](size_t p) { return (uint32_t((unsigned char)bytes[p]) << 24) | (uint32_t((unsigned char)bytes[p + 1]) << 16) |
                                       (uint32_t((unsigned char)bytes[p + 2]) << 8) | uint32_t((unsigned char)bytes[p + 3]); };
    if (!(be32(tag + 4) & 1)) return -1;
    const long long frames = be32(tag + 8);
    const size_t lame = bytes.find("LAME", tag);
    if (lame == std::string::npos || lame > tag + 200) return -1;
    const unsigned char* d = reinterpret_cast<const unsigned char*>(bytes.data()) + lame + 21;
    const int delay = (d[0] << 4) | (d[1] >> 4), padding = ((d[1] & 15) << 8) | d[2];
    return frames * 1152 - delay - padding;
}

} // namespace

TEST(SynthSong, ParsesPatternsMelodiesChordsAndSections)
{
    Song song;
    std::string error;
    ASSERT_TRUE(parseSong(kSmall, song, error)) << error;
    ASSERT_EQ(song.sections.size(), 2u);
    EXPECT_EQ(song.totalBars(), 4);
    EXPECT_EQ(song.totalRows(), 128);
    EXPECT_EQ(song.sections[1].firstBar, 2);
    EXPECT_EQ(song.sections[0].chords[1].tones, (std::vector<int>{ 0, 4, 7, 11 }));
    EXPECT_FLOAT_EQ(song.sections[0].tracks[1].filterTo, 0.8f);
    EXPECT_EQ(sectionMap(song).substr(sectionMap(song).find('\n') + 1), "intro 0 63\ndrop 64 127\n");

    const auto notes = songNotes(song);
    // 2 bars × 4 kicks, 2 bars × 4 bass notes, 3 melody notes.
    EXPECT_EQ(notes.size(), 8u + 8u + 3u);
    for (size_t i = 1; i < notes.size(); ++i) EXPECT_LE(notes[i - 1].start, notes[i].start);
    // Beats land on rows 0, 8, 16...: the second kick starts at row 8.
    std::vector<double> kicks, lead;
    for (const Note& n : notes) {
        if (n.instrument == Instrument::Kick) kicks.push_back(n.start);
        if (n.instrument == Instrument::Lead) lead.push_back(n.pitch);
    }
    EXPECT_NEAR(kicks[1], 8 / 17.333334, 1e-9);
    EXPECT_EQ(lead, (std::vector<double>{ 69, 73, 70 }));
    // The bass's '-' holds the note: two steps long.
    for (const Note& n : notes) {
        if (n.instrument == Instrument::Bass) {
            EXPECT_NEAR(n.length, 2 * song.stepSeconds(), 1e-9);
        }
    }
}

TEST(SynthSong, NamesNotesAndChords)
{
    EXPECT_EQ(parseNoteName("A4"), 69);
    EXPECT_EQ(parseNoteName("C4"), 60);
    EXPECT_EQ(parseNoteName("G#4"), 68);
    EXPECT_EQ(parseNoteName("Bb3"), 58);
    EXPECT_EQ(parseNoteName("H4"), -1);
    EXPECT_EQ(parseNoteName("A"), -1);
    EXPECT_EQ(parseNoteName("A44"), -1);
    Chord c;
    EXPECT_TRUE(parseChord("F#m7", c));
    EXPECT_EQ(c.root, 6);
    EXPECT_EQ(c.tones, (std::vector<int>{ 0, 3, 7, 10 }));
    EXPECT_FALSE(parseChord("Xm", c));
    EXPECT_FALSE(parseChord("Cmaj9", c));
}

TEST(SynthSong, ReportsMistakesWithTheirLine)
{
    auto errorOf = [](const std::string& text) {
        Song song;
        std::string error;
        EXPECT_FALSE(parseSong(text, song, error));
        return error;
    };
    const std::string head = "tempo 130\nrows_per_beat 8\nrows_per_second 17.333334\npattern k x...............\n";
    EXPECT_EQ(errorOf(head + "section a 1\n  chords Am\n  kick nothing\n"), "line 7: unknown pattern 'nothing'");
    EXPECT_EQ(errorOf(head + "section a 1\n  chords Am\n  cowbell k\n"), "line 7: unknown instrument or statement 'cowbell'");
    EXPECT_EQ(errorOf(head + "section a 1\n  chords Qm\n"), "line 6: unknown chord 'Qm'");
    EXPECT_EQ(errorOf(head + "pattern short x...\n"), "line 5: pattern 'short' must fill whole bars of 16 steps");
    EXPECT_EQ(errorOf(head + "section a 2\n  chords Am\n  kick k from=2\n"), "line 7: 'kick' plays no bar (from must be below to)");
    EXPECT_EQ(errorOf(head + "section a 1\n  chords Am\n  kick k gain=loud\n"), "line 7: bad gain 'loud'");
    EXPECT_EQ(errorOf(head + "section a 1\n  kick k\n"), "section 'a' has no chords");
    EXPECT_EQ(errorOf(head), "line 4: the song has no section");
    EXPECT_NE(errorOf("tempo 120\nsection a 1\n  chords Am\n").find("tempo and rows_per_second disagree"), std::string::npos);
    Song song;
    std::string error;
    EXPECT_FALSE(loadSong("/nonexistent/x.song", song, error));
    EXPECT_EQ(error, "cannot open /nonexistent/x.song");
}

TEST(Soundtrack, FormLengthAndSectionMap)
{
    Song song;
    std::string error;
    ASSERT_TRUE(loadSong(kSong, song, error)) << error;
    EXPECT_EQ(song.tempo, 130.0);
    EXPECT_EQ(song.rowsPerBeat, 8);
    EXPECT_GE(song.lengthSeconds(), 150.0);
    EXPECT_LE(song.lengthSeconds(), 180.0);
    std::vector<std::string> names;
    for (const auto& s : song.sections) names.push_back(s.name);
    EXPECT_EQ(names, (std::vector<std::string>{ "intro", "build", "drop", "breakdown", "second_drop", "outro" }));
    // Every instrument of the arrangement plays somewhere.
    std::vector<int> used(size_t(Instrument::Count), 0);
    for (const Note& n : songNotes(song)) ++used[size_t(n.instrument)];
    for (size_t i = 0; i < used.size(); ++i) EXPECT_GT(used[i], 0) << instrumentName(Instrument(i));
    // The map committed beside the soundtrack is the one the description gives.
    EXPECT_EQ(readFile(kData + "eventide_palekestrel3.sections"), sectionMap(song));
}

TEST(Soundtrack, CommittedMp3LastsTheSongsRows)
{
    Song song;
    std::string error;
    ASSERT_TRUE(loadSong(kSong, song, error)) << error;
    const std::string mp3 = readFile(kData + "eventide_palekestrel3.mp3");
    ASSERT_GT(mp3.size(), 1000000u);
    int kbps = 0;
    const long long samples = mp3Samples(mp3, kbps);
    ASSERT_GT(samples, 0) << "no encoder tag with frame count and delay";
    EXPECT_GE(kbps, 160);
    // Within one 60 Hz frame of rows ÷ 17.333334 seconds.
    const double seconds = double(samples) / song.sampleRate;
    EXPECT_NEAR(seconds, song.totalRows() / 17.333334, 1.0 / 60);
    EXPECT_EQ(samples, song.lengthSamples());
}

TEST(Soundtrack, ExcerptRendersTheSameSamplesTwiceAndMastersCleanly)
{
    Song song;
    std::string error;
    ASSERT_TRUE(loadSong(kSong, song, error)) << error;
    // Two bars from the start of the drop: kick, bass, pads, arp, lead, crash.
    Song drop = song;
    drop.sections = { song.sections[2] };
    drop.sections[0].firstBar = 0;
    drop = firstBars(drop, 2);
    EXPECT_EQ(drop.totalRows(), 64);
    Stereo a = renderMix(drop), b = renderMix(drop);
    ASSERT_EQ(a.size(), size_t(drop.lengthSamples()));
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
    const MasterReport r = master(a, drop.sampleRate, -14.0, -1.0, 0.5);
    EXPECT_LT(r.peak, 0.9f);
    EXPECT_NEAR(r.loudness, -14.0, 0.2);
    // Both channels carry sound, and they differ (the mix is stereo).
    double diff = 0;
    for (size_t i = 0; i < a.size(); ++i) diff += std::fabs(a.left[i] - a.right[i]);
    EXPECT_GT(diff / double(a.size()), 1e-3);
}
