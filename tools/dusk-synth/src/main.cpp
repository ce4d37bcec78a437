// dusk-synth: renders a song description to a WAV file, and on request an MP3 (through
// the lame encoder) and the section map. Prints the render time, loudness and peak.
//
//   dusk-synth render SONG --wav OUT.wav [--mp3 OUT.mp3] [--map OUT.sections]
//                          [--bars N] [--lufs -14] [--ceiling -1] [--kbps 192]
//   dusk-synth map SONG          prints the section map
//   dusk-synth measure FILE.wav  prints loudness (LUFS), sample peak (dBFS) and length
#include "master.h"
#include "render.h"
#include "song.h"
#include "wav.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: dusk-synth render SONG --wav OUT.wav [--mp3 OUT.mp3] [--map OUT.sections]\n"
                 "                         [--bars N] [--lufs TARGET] [--ceiling DBFS] [--kbps RATE]\n"
                 "       dusk-synth map SONG\n"
                 "       dusk-synth measure FILE.wav\n");
    return 2;
}

bool encodeMp3(const std::string& wav, const std::string& mp3, int kbps)
{
    const std::string rate = std::to_string(kbps);
    std::vector<std::string> args = { "lame", "--quiet", "--cbr", "-b", rate, "-q", "2", wav, mp3 };
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "lame", nullptr, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "dusk-synth: cannot run the 'lame' encoder (is it installed?)\n");
        return false;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "dusk-synth: lame failed encoding %s\n", mp3.c_str());
        return false;
    }
    return true;
}

bool writeText(const std::string& path, const std::string& text)
{
    std::ofstream f(path, std::ios::binary);
    f << text;
    return bool(f);
}

double db(double linear) { return 20.0 * std::log10(std::max(linear, 1e-9)); }

int render(int argc, char** argv)
{
    std::string songPath = argv[2], wav, mp3, map;
    int bars = 0, kbps = 192;
    double lufs = -14.0, ceiling = -1.0;
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) return usage();
        const char* v = argv[++i];
        if (a == "--wav") wav = v;
        else if (a == "--mp3") mp3 = v;
        else if (a == "--map") map = v;
        else if (a == "--bars") bars = std::atoi(v);
        else if (a == "--lufs") lufs = std::atof(v);
        else if (a == "--ceiling") ceiling = std::atof(v);
        else if (a == "--kbps") kbps = std::atoi(v);
        else return usage();
    }
    if (wav.empty()) return usage();
    if (kbps < 160 || kbps > 320) {
        std::fprintf(stderr, "dusk-synth: --kbps must be between 160 and 320\n");
        return 2;
    }

    synth::Song song;
    std::string error;
    if (!synth::loadSong(songPath, song, error)) {
        std::fprintf(stderr, "dusk-synth: %s\n", error.c_str());
        return 1;
    }
    song = synth::firstBars(song, bars);

    const auto t0 = std::chrono::steady_clock::now();
    synth::Stereo mix = synth::renderMix(song);
    const float rawPeak = synth::samplePeak(mix);
    const synth::MasterReport report = synth::master(mix, song.sampleRate, lufs, ceiling, song.fadeSeconds);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

    if (!synth::writeWav(wav, mix, song.sampleRate)) {
        std::fprintf(stderr, "dusk-synth: cannot write %s\n", wav.c_str());
        return 1;
    }
    if (!map.empty() && !writeText(map, synth::sectionMap(song))) {
        std::fprintf(stderr, "dusk-synth: cannot write %s\n", map.c_str());
        return 1;
    }
    if (!mp3.empty() && !encodeMp3(wav, mp3, kbps)) return 1;

    std::printf("%s: %d bars, %d rows, %.3f s (%lld samples at %d Hz)\n", songPath.c_str(), song.totalBars(),
                song.totalRows(), song.lengthSeconds(), song.lengthSamples(), song.sampleRate);
    std::printf("render time %.2f s; mix peak %.1f dBFS; make-up gain %+.1f dB\n", seconds, db(rawPeak), report.gainDb);
    std::printf("loudness %.2f LUFS; sample peak %.2f dBFS\n", report.loudness, db(report.peak));
    std::printf("%s", synth::sectionMap(song).c_str());
    return 0;
}

int measure(const char* path)
{
    synth::Stereo s;
    int rate = 0;
    std::string error;
    if (!synth::readWav(path, s, rate, error)) {
        std::fprintf(stderr, "dusk-synth: %s\n", error.c_str());
        return 1;
    }
    std::printf("loudness %.2f LUFS\npeak %.2f dBFS\nlength %.6f s (%zu samples at %d Hz)\n",
                synth::integratedLoudness(s, rate), db(synth::samplePeak(s)), double(s.size()) / rate, s.size(), rate);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return usage();
    const std::string cmd = argv[1];
    if (cmd == "render") return render(argc, argv);
    if (cmd == "measure") return measure(argv[2]);
    if (cmd == "map") {
        synth::Song song;
        std::string error;
        if (!synth::loadSong(argv[2], song, error)) {
            std::fprintf(stderr, "dusk-synth: %s\n", error.c_str());
            return 1;
        }
        std::printf("%s", synth::sectionMap(song).c_str());
        return 0;
    }
    return usage();
}
