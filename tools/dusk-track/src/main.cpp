// dusk-track: the track tool.
//   dusk-track compile SOURCE... [-o DIR] [--prefix sync]   text sources -> DIR/<prefix>_<name>.track
//   dusk-track dump FILE [--name NAME]                      a .track as source text
//   dusk-track sample FILE ROW...                           one value per line (%.9g)
//   dusk-track plot FILE OUT.png [--from ROW] [--to ROW] [--size WxH]
#include "track_plot.h"
#include "sync/sync_Compile.h"
#include "sync/sync_TrackSource.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace sync;
using namespace track_tool;

namespace {

int usage() {
  std::fprintf(stderr,
               "usage:\n"
               "  dusk-track compile SOURCE... [-o DIR] [--prefix PREFIX]\n"
               "      writes DIR/PREFIX_NAME.track for every track in the sources (DIR '.', PREFIX 'sync')\n"
               "  dusk-track dump FILE [--name NAME]\n"
               "      prints a .track file as source text\n"
               "  dusk-track sample FILE ROW...\n"
               "      prints the track's value at each row, one per line\n"
               "  dusk-track plot FILE OUT.png [--from ROW] [--to ROW] [--size WxH]\n"
               "      draws the track's curve\n");
  return 2;
}

bool readText(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return true;
}

bool parseNumber(const char* text, double& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtod(text, &end);
  return *text && !*end && errno == 0 && std::isfinite(value);
}

// A track's name from its file name: "sync_cam_Yaw.track" -> "cam_Yaw".
std::string nameFromPath(const std::string& path) {
  std::string stem = fs::path(path).filename().string();
  if (stem.size() > 6 && stem.compare(stem.size() - 6, 6, ".track") == 0) stem.resize(stem.size() - 6);
  const auto underscore = stem.find('_');
  return underscore == std::string::npos || underscore + 1 == stem.size() ? stem : stem.substr(underscore + 1);
}

bool loadTrack(const std::string& path, sync::Track& track) {
  if (!track.load(path)) {
    std::fprintf(stderr, "dusk-track: cannot open %s\n", path.c_str());
    return false;
  }
  return true;
}

int compile(int argc, char** argv) {
  std::vector<std::string> sources;
  std::string outDir = ".", prefix = "sync";
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "-o" || arg == "--prefix") && i + 1 < argc) {
      (arg == "-o" ? outDir : prefix) = argv[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      return usage();
    } else {
      sources.push_back(arg);
    }
  }
  if (sources.empty()) return usage();
  if (prefix.empty() || prefix.find('/') != std::string::npos) {
    std::fprintf(stderr, "dusk-track: bad prefix '%s'\n", prefix.c_str());
    return 1;
  }

  // Everything is checked before anything is written.
  std::vector<std::string> errors;
  std::vector<SourceText> texts;
  for (const std::string& source : sources) {
    const fs::path path(source);
    if (path.extension() == ".txt" && !isSourceName(path.stem().string())) {
      // Live mode and the timeline page would not take it either.
      errors.push_back(source + ": a source's name must be UTF-8 without control characters, not starting with '.'");
      continue;
    }
    std::string text;
    if (!readText(source, text)) {
      errors.push_back(source + ": cannot read");
      continue;
    }
    texts.push_back(SourceText{source, std::move(text)});
  }
  const std::vector<SourceTrack> tracks = compileSources(texts, errors);
  for (const std::string& e : errors) std::fprintf(stderr, "%s\n", e.c_str());
  if (!errors.empty()) {
    std::fprintf(stderr, "dusk-track: %zu error%s, nothing written\n", errors.size(), errors.size() == 1 ? "" : "s");
    return 1;
  }

  std::error_code ec;
  fs::create_directories(outDir, ec);
  for (const SourceTrack& t : tracks) {
    const std::string path = (fs::path(outDir) / (prefix + "_" + t.name + ".track")).string();
    if (!writeTrackFile(path, t.track)) {
      std::fprintf(stderr, "dusk-track: cannot write %s\n", path.c_str());
      return 1;
    }
    if (t.track.isEmpty()) std::fprintf(stderr, "%s: warning: track %s has no keys\n", t.where.c_str(), t.name.c_str());
  }
  std::printf("dusk-track: wrote %zu track%s to %s\n", tracks.size(), tracks.size() == 1 ? "" : "s", outDir.c_str());
  return 0;
}

int dump(int argc, char** argv) {
  std::string path, name;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--name" && i + 1 < argc) name = argv[++i];
    else if (path.empty() && (arg.empty() || arg[0] != '-')) path = arg;
    else return usage();
  }
  if (path.empty()) return usage();
  // What the file itself says, beside what the program makes of it: the program's own loader
  // reports what it met.
  sync::Track track;
  sync::Track::FileReport report;
  if (!track.load(path, &report)) {
    std::fprintf(stderr, "dusk-track: cannot open %s\n", path.c_str());
    return 1;
  }
  std::printf("# %s: %zu key%s\n", path.c_str(), track.keyCount(), track.keyCount() == 1 ? "" : "s");
  if (!report.hasCount)
    std::printf("# warning: no count (the file has %zu bytes); the track is empty\n", report.extraBytes);
  else if (report.records < report.count)
    std::printf("# warning: the count says %u records but the file holds %zu\n", report.count, report.records);
  else if (report.extraBytes > 0)
    std::printf("# note: %zu bytes after the %u records are ignored\n", report.extraBytes, report.count);
  if (report.records > track.keyCount())
    std::printf("# note: %zu records repeat a row; the last record for a row wins\n", report.records - track.keyCount());
  std::fputs(formatTrack(name.empty() ? nameFromPath(path) : name, track).c_str(), stdout);
  return 0;
}

int sample(int argc, char** argv) {
  if (argc < 2) return usage();
  sync::Track track;
  if (!loadTrack(argv[0], track)) return 1;
  for (int i = 1; i < argc; ++i) {
    char* end = nullptr;
    errno = 0;
    const float row = std::strtof(argv[i], &end);
    if (!*argv[i] || *end || errno == ERANGE) {
      std::fprintf(stderr, "dusk-track: bad row '%s'\n", argv[i]);
      return 1;
    }
    std::printf("%.9g\n", static_cast<double>(track.getValue(row)));
  }
  return 0;
}

int plot(int argc, char** argv) {
  if (argc < 2) return usage();
  PlotOptions options;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return usage();
    const char* v = argv[++i];
    if (arg == "--from" || arg == "--to") {
      double row;
      if (!parseNumber(v, row)) {
        std::fprintf(stderr, "dusk-track: bad row '%s'\n", v);
        return 1;
      }
      (arg == "--from" ? options.fromRow : options.toRow) = row;
    } else if (arg == "--size") {
      if (std::sscanf(v, "%dx%d", &options.width, &options.height) != 2 || options.width < 16 || options.height < 16 ||
          options.width > 8192 || options.height > 8192) {
        std::fprintf(stderr, "dusk-track: bad size '%s' (WxH, 16 to 8192)\n", v);
        return 1;
      }
    } else {
      return usage();
    }
  }
  if (options.toRow < options.fromRow || (options.toRow == options.fromRow && options.fromRow != 0.0)) {
    std::fprintf(stderr, "dusk-track: --to must lie after --from\n");
    return 1;
  }
  sync::Track track;
  if (!loadTrack(argv[0], track)) return 1;
  const PlotResult r = plotTrack(track, options, argv[1]);
  if (!r.ok) {
    std::fprintf(stderr, "dusk-track: cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("dusk-track: rows %g to %g, values %.9g to %.9g -> %s\n", r.fromRow, r.toRow, static_cast<double>(r.minValue),
              static_cast<double>(r.maxValue), argv[1]);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string command = argv[1];
  if (command == "compile") return compile(argc - 2, argv + 2);
  if (command == "dump") return dump(argc - 2, argv + 2);
  if (command == "sample") return sample(argc - 2, argv + 2);
  if (command == "plot") return plot(argc - 2, argv + 2);
  return usage();
}
