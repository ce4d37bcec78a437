// The generator programs from the command line: dusk-synth renders the same excerpt to
// the same bytes, under full scale, and reports a bad description with a message and
// exit code 1; dusk-synth map prints the committed section map; dusk-assets rewrites the
// committed models byte for byte and refuses an unknown command.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace {

const std::string kBin = DUSK_BIN_DIR;
const std::string kSource = DUSK_SOURCE_DIR;
const std::string kSong = kSource + "/tools/dusk-synth/songs/eventide_palekestrel3.song";
const std::string kData = kSource + "/projects/dusk/data/";

struct Result {
    int code;
    std::string out;
};

Result run(const std::string& command)
{
    Result r{ -1, "" };
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string readText(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string quote(const std::string& s) { return "'" + s + "'"; }

class AssetTools : public ::testing::Test {
protected:
    void SetUp() override
    {
        mDir = std::string(DUSK_BINARY_DIR) + "/e2e_assets_tools";
        std::filesystem::remove_all(mDir);
        std::filesystem::create_directories(mDir);
    }
    void TearDown() override { std::filesystem::remove_all(mDir); }
    std::string mDir;
};

} // namespace

TEST_F(AssetTools, SynthRendersAnExcerptIdenticallyUnderFullScale)
{
    const std::string synth = kBin + "/dusk-synth render " + quote(kSong) + " --bars 8 --wav ";
    const Result a = run(synth + quote(mDir + "/a.wav") + " --map " + quote(mDir + "/a.sections"));
    ASSERT_EQ(a.code, 0) << a.out;
    const Result b = run(synth + quote(mDir + "/b.wav"));
    ASSERT_EQ(b.code, 0) << b.out;
    const std::string wa = readText(mDir + "/a.wav"), wb = readText(mDir + "/b.wav");
    EXPECT_TRUE(wa == wb) << "two renders of the same excerpt differ";
    // 8 bars = 256 rows: 256 / 17.333334 s of 16-bit stereo after a 44-byte header.
    EXPECT_EQ(wa.size(), 44u + 4u * size_t(std::llround(256 / 17.333334 * 44100)));
    EXPECT_EQ(readText(mDir + "/a.sections"), "# section first_row last_row (32 rows per bar, 8 rows per beat, 130 BPM)\nintro 0 255\n");
    EXPECT_NE(a.out.find("render time"), std::string::npos);

    const Result m = run(kBin + "/dusk-synth measure " + quote(mDir + "/a.wav"));
    ASSERT_EQ(m.code, 0) << m.out;
    double lufs = 0, peak = 0;
    ASSERT_EQ(std::sscanf(m.out.c_str(), "loudness %lf LUFS\npeak %lf dBFS", &lufs, &peak), 2) << m.out;
    EXPECT_LE(peak, -0.9);
    // Mastered to -14 LUFS; the closing fade takes a little of that away.
    EXPECT_NEAR(lufs, -14.3, 0.4);
}

TEST_F(AssetTools, SynthMapMatchesTheCommittedSectionMap)
{
    const Result r = run(kBin + "/dusk-synth map " + quote(kSong));
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out, readText(kData + "eventide_palekestrel3.sections"));
}

TEST_F(AssetTools, SynthReportsABadDescription)
{
    std::ofstream(mDir + "/bad.song") << "tempo 130\nrows_per_beat 8\nrows_per_second 17.333334\nsection a 1\n  chords Am\n  kick nope\n";
    const Result r = run(kBin + "/dusk-synth render " + quote(mDir + "/bad.song") + " --wav " + quote(mDir + "/x.wav"));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("bad.song: line 6: unknown pattern 'nope'"), std::string::npos) << r.out;
    EXPECT_FALSE(std::filesystem::exists(mDir + "/x.wav"));
    EXPECT_EQ(run(kBin + "/dusk-synth render").code, 2);
}

TEST_F(AssetTools, AssetsRewritesTheCommittedModels)
{
    const Result r = run(kBin + "/dusk-assets models " + quote(mDir) + " " + quote(mDir + "/review"));
    ASSERT_EQ(r.code, 0) << r.out;
    for (const char* name : { "tingen", "hjortenfrahorten", "skallen" }) {
        EXPECT_TRUE(readText(mDir + "/models/" + name + ".obj") == readText(kData + "models/" + name + ".obj")) << name;
        EXPECT_TRUE(std::filesystem::exists(mDir + "/review/" + std::string(name) + "_preview.png")) << name;
    }
    const Result bad = run(kBin + "/dusk-assets frobnicate");
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.out.find("usage: dusk-assets"), std::string::npos);
}
