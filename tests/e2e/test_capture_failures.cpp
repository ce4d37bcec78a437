// The real program's captures where things go wrong around them: an encoder that stops taking
// frames, paths that cannot be written (found before the first frame), long and .mp4 names, the
// PNG capture's video muxer failing or being interrupted, and SIGINT, SIGTERM and SIGHUP in the
// middle of a capture. Nothing may hang, and nothing half-written may be left under any name.
#include "core_prod.h"
#include "capture/fw_Capture.h"
#include "process_runner.h"
#include "small_tmpfs.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

namespace fs = core_test::fs;
using core_test::kQuietArgs;
using core_test::WaitFor;
using core_test::With;

namespace {
std::vector<std::string> FolderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (fs::directory_iterator it(folder), end; it != end; ++it) names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool Gone(int pid) { return pid > 0 && kill(pid, 0) != 0 && errno == ESRCH; }

// A folder of stand-in ffmpeg programs, first on PATH while it lives. Each writes its process id
// to <name>.pid beside it (exec keeps the id), then does what its script says.
class FakeEncoders {
 public:
  FakeEncoders() {
    fs::create_directories(mFolder);
    mRealFfmpeg = RunCommand("command -v ffmpeg");
    while (!mRealFfmpeg.empty() && mRealFfmpeg.back() == '\n') mRealFfmpeg.pop_back();
  }
  ~FakeEncoders() { fs::remove_all(mFolder); }

  // body runs after the id is written; REAL in it is the installed ffmpeg.
  void Use(const std::string& body) {
    std::string script = body;
    for (size_t at; (at = script.find("REAL")) != std::string::npos;) script.replace(at, 4, "'" + mRealFfmpeg + "'");
    const fs::path bin = mFolder / "bin";
    fs::create_directories(bin);
    std::ofstream((bin / "ffmpeg").string()) << "#!/bin/sh\necho $$ > '" << PidFile().string() << "'\n" << script << "\n";
    fs::permissions(bin / "ffmpeg", fs::owner_all);
    fs::remove(PidFile());
  }
  std::string Path() const {
    const char* path = std::getenv("PATH");
    return (mFolder / "bin").string() + ":" + (path ? path : "/usr/bin:/bin");
  }
  fs::path PidFile() const { return mFolder / "ffmpeg.pid"; }
  int Pid() const {
    std::ifstream in(PidFile().string());
    int pid = 0;
    in >> pid;
    return pid;
  }
  bool haveRealFfmpeg() const { return !mRealFfmpeg.empty(); }

 private:
  fs::path mFolder = fs::temp_directory_path() / fs::unique_path("dusk-fake-encoders-%%%%%%");
  std::string mRealFfmpeg;
};

// Runs the program with PATH and more variables set for it alone.
core_test::RunResult RunWith(const core_test::TestProduction& prod, const std::vector<std::string>& args,
                             const std::vector<std::pair<std::string, std::string>>& env, int seconds = 120) {
  std::vector<std::pair<std::string, std::string>> saved;
  for (const auto& [name, value] : env) {
    const char* old = std::getenv(name.c_str());
    saved.emplace_back(name, old ? old : "\x01");
    setenv(name.c_str(), value.c_str(), 1);
  }
  core_test::RunResult run = prod.Run(args, seconds);
  for (const auto& [name, value] : saved) {
    if (value == "\x01")
      unsetenv(name.c_str());
    else
      setenv(name.c_str(), value.c_str(), 1);
  }
  return run;
}
}  // namespace

// An encoder stopped (SIGSTOP) before it takes the first frame, or after the last one: the
// capture gives it the stall limit (2 s here, 30 s by default) and then ends it and fails with
// exit code 3 and the reason, leaving neither the video nor its temporary, nor a stopped ffmpeg.
// Before, the capture waited in the pipe's write, or for the encoder's end, for ever.
TEST(CaptureFailures, AStoppedEncoderEndsTheCaptureWithExitCode3) {
  FakeEncoders fakes;
  struct Case {
    const char* what;
    const char* script;
    const char* reason;
  };
  for (const Case& c : {Case{"stopped at once", "kill -STOP $$\nexec REAL \"$@\"",
                             "the encoder did not take the whole frame: the program took nothing for 2 s; it was ended."},
                        Case{"stopped after its input", "cat > /dev/null\nkill -STOP $$",
                             "the encoder failed: the program did not end within 2 s of its input's end; it was ended."}}) {
    SCOPED_TRACE(c.what);
    fakes.Use(c.script);
    core_test::TestProduction prod;
    prod.RemoveTrack("GotoRow");
    const std::string video = (prod.root / "out/v.mkv").string();
    const core_test::RunResult run =
        RunWith(prod, With(kQuietArgs, {"--capture-video", video, "--fps", "30", "--frames", "6"}),
                {{"PATH", fakes.Path()}, {"DUSK_CAPTURE_STALL_SECONDS", "2"}}, 90);
    ASSERT_FALSE(run.timedOut) << "the capture hung on its encoder\n" << run.output;
    EXPECT_EQ(run.exitCode, fw_kCaptureWriteFailedExitCode) << run.output;
    EXPECT_NE(run.output.find("Capture: could not write <" + video + ">: " + c.reason), std::string::npos) << run.output;
    EXPECT_EQ(FolderEntries(prod.root / "out"), std::vector<std::string>{}) << "a video or its temporary was left";
    EXPECT_TRUE(Gone(fakes.Pid())) << "the stopped encoder " << fakes.Pid() << " outlived the capture";
  }
}

// A folder as the video, a read-only file system (the folder there, or one to make in it): exit
// code 3 with the path and the reason before anything is loaded or drawn. Before, the folder as
// the video was found after the whole span had been rendered, and a folder on a read-only mount
// ended with exit code 20 and no reason. A video name whose container the capture does not write
// is a bad option (exit code 2).
TEST(CaptureFailures, PathsThatCannotBeWrittenFailBeforeTheFirstFrame) {
  core_test::TestProduction prod;
  prod.RemoveTrack("GotoRow");
  const fs::path readOnly = prod.root / "read-only";
  fs::create_directories(readOnly);
  const bool mounted = mount("tmpfs", readOnly.c_str(), "tmpfs", MS_RDONLY | MS_NOSUID | MS_NODEV, "size=1m") == 0;
  const std::string notMounted = mounted ? "" : std::string("cannot mount a read-only tmpfs: ") + std::strerror(errno);
  fs::create_directories(prod.root / "taken.mkv");
  struct Case {
    std::vector<std::string> capture;
    std::string path, reason;
    int exitCode;
    bool needsMount;
  };
  const std::string inside = (readOnly / "frames").string();
  for (const Case& c :
       {Case{{"--capture-video", (prod.root / "taken.mkv").string()}, (prod.root / "taken.mkv").string(),
             "it is a folder, not a file", fw_kCaptureWriteFailedExitCode, false},
        Case{{"--capture", inside}, inside, "Read-only file system", fw_kCaptureWriteFailedExitCode, true},
        Case{{"--capture", readOnly.string()}, readOnly.string(), "Read-only file system", fw_kCaptureWriteFailedExitCode, true},
        Case{{"--capture-video", (readOnly / "v.mkv").string()}, (readOnly / "v.mkv").string(), "Read-only file system",
             fw_kCaptureWriteFailedExitCode, true}}) {
    SCOPED_TRACE(c.capture[1]);
    if (c.needsMount && !mounted) {
      std::printf("skipped (%s): %s\n", c.capture[1].c_str(), notMounted.c_str());
      continue;
    }
    std::vector<std::string> args = With(kQuietArgs, {"--fps", "30", "--frames", "200"});
    args.insert(args.end(), c.capture.begin(), c.capture.end());
    const core_test::RunResult run = prod.Run(args, 90);
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
    EXPECT_NE(run.output.find("Capture: could not write <" + c.path + ">: " + c.reason + "."), std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("Start loading resources."), std::string::npos) << "it rendered first:\n" << run.output;
  }
  if (mounted) umount(readOnly.c_str());

  const core_test::RunResult avi = prod.Run(With(kQuietArgs, {"--capture-video", (prod.root / "v.avi").string()}), 90);
  EXPECT_EQ(avi.exitCode, 2) << avi.output;
  EXPECT_NE(avi.output.find("--capture-video writes .mkv (Matroska), .mp4 or .mov files"), std::string::npos)
      << avi.output;
  EXPECT_FALSE(fs::exists(prod.root / "v.avi"));
}

// A 250-byte name is legal, and its hidden temporary must be too (it used to pass 255 bytes and
// fail); x.mp4 is an MP4 file (it used to be Matroska under that name).
TEST(CaptureFailures, ALongNameAndAnMp4NameAreWrittenAsNamed) {
  core_test::TestProduction prod;
  prod.RemoveTrack("GotoRow");
  const std::string longName = std::string(246, 'n') + ".mkv";
  for (const std::string& name : {longName, std::string("x.mp4")}) {
    SCOPED_TRACE(name.substr(0, 12));
    const fs::path folder = prod.root / ("out-" + name.substr(name.size() - 3));
    const core_test::RunResult run =
        prod.Run(With(kQuietArgs, {"--capture-video", (folder / name).string(), "--fps", "30", "--frames", "3"}), 90);
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{name});
    const std::string head = core_test::ReadWholeFile(folder / name).substr(0, 12);
    if (name == "x.mp4")
      EXPECT_EQ(head.substr(4, 4), "ftyp") << "not an MP4 file";
    else
      EXPECT_EQ(head.substr(0, 4), std::string("\x1a\x45\xdf\xa3", 4)) << "not a Matroska file";
  }
}

// The PNG capture's video is muxed under a hidden name: a muxer that fails, stops making progress
// (it is ended after the stall limit) or is interrupted (SIGTERM to the capture) after writing part
// of it leaves no capture.mp4 and no temporary; the frames and the soundtrack, each whole, stay.
// Before, a 48-byte capture.mp4 was left as if whole, and a stuck muxer held the capture for ever.
TEST(CaptureFailures, AMuxThatFailsOrIsInterruptedLeavesNoCaptureMp4) {
  FakeEncoders fakes;
  // Forty-eight bytes into the output (the last argument, maybe with "file:"), then the end.
  const std::string partial = "for a; do out=$a; done\nprintf '%048d' 0 > \"${out#file:}\"\n";
  struct Case {
    const char* what;
    std::string script;
    bool interrupt;
  };
  for (const Case& c : {Case{"failing muxer", partial + "exit 1", false},
                        Case{"stuck muxer", partial + "exec sleep 600", false},
                        Case{"interrupted muxer", partial + "exec sleep 600", true}}) {
    SCOPED_TRACE(c.what);
    fakes.Use(c.script);
    core_test::TestProduction prod;
    prod.RemoveTrack("GotoRow");
    const fs::path dir = prod.root / "frames";
    const std::vector<std::string> args = With(kQuietArgs, {"--capture", dir.string(), "--fps", "30", "--frames", "3"});
    int exitCode = -1;
    std::string output;
    if (!c.interrupt) {
      const core_test::RunResult run =
          RunWith(prod, args, {{"PATH", fakes.Path()}, {"DUSK_CAPTURE_STALL_SECONDS", "2"}}, 90);
      ASSERT_FALSE(run.timedOut) << run.output;
      exitCode = run.exitCode;
      output = run.output;
      const bool stuck = c.script.find("sleep") != std::string::npos;
      EXPECT_NE(output.find(stuck ? "Capture: ffmpeg failed (the program made no progress for 2 s; it was ended)"
                                  : "Capture: ffmpeg failed (ffmpeg's exit code 1)"),
                std::string::npos)
          << output;
      EXPECT_TRUE(Gone(fakes.Pid())) << "the muxer outlived the capture";
    } else {
      RunningProcess dusk(DuskBinary(), args, prod.root.string(), {"PATH=" + fakes.Path()});
      ASSERT_TRUE(WaitFor([&] { return fakes.Pid() > 0 && !FolderEntries(dir).empty() && dusk.running(); }))
          << dusk.output();
      // The muxer has started and written its first bytes.
      ASSERT_TRUE(WaitFor([&] {
        for (const std::string& name : FolderEntries(dir))
          if (name.find("capture.mp4") != std::string::npos && fs::file_size(dir / name) == 48) return true;
        return false;
      })) << dusk.output();
      kill(dusk.pid(), SIGTERM);
      const ProcessResult result = dusk.wait(60);
      exitCode = result.exitCode;
      output = result.output;
      EXPECT_NE(output.find("Ending the process with exit code 143"), std::string::npos) << output;
      EXPECT_TRUE(Gone(fakes.Pid())) << "the muxer outlived the capture";
    }
    EXPECT_EQ(exitCode, c.interrupt ? 128 + SIGTERM : 0) << output;
    EXPECT_EQ(FolderEntries(dir), (std::vector<std::string>{"frame_000000.png", "frame_000001.png",
                                                             "frame_000002.png", "soundtrack.wav"}));
  }
}

// SIGINT (to the capture and the encoder, as a terminal's Ctrl+C), SIGTERM and SIGHUP (to the
// capture alone) in the middle of a video capture: the encoder is ended at once, the hidden
// video is removed, and the program ends with 128 + the signal's number. Before, the .part file
// stayed, and after SIGTERM the encoder ran on alone.
TEST(CaptureFailures, StopSignalsEndTheEncoderAndLeaveNoTemporaryFile) {
  FakeEncoders fakes;
  if (!fakes.haveRealFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  fakes.Use("exec REAL \"$@\"");
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal));
    core_test::TestProduction prod;
    prod.RemoveTrack("GotoRow");
    const fs::path dir = prod.root / "out";
    const std::string video = (dir / "v.mkv").string();
    fs::remove(fakes.PidFile());
    RunningProcess dusk(DuskBinary(), With(kQuietArgs, {"--capture-video", video, "--fps", "30", "--frames", "100000"}),
                        prod.root.string(), {"PATH=" + fakes.Path()});
    // The encoder runs and has made its hidden file: the capture is under way.
    ASSERT_TRUE(WaitFor([&] { return fakes.Pid() > 0 && fs::exists(dir / (".v.mkv." + std::to_string(dusk.pid()) + ".part")); })) << dusk.output();
    const int encoder = fakes.Pid();
    if (signal == SIGINT) kill(encoder, SIGINT);
    kill(dusk.pid(), signal);
    const ProcessResult result = dusk.wait(60);
    EXPECT_TRUE(Gone(encoder)) << "the encoder outlived the capture";
    EXPECT_EQ(result.exitCode, 128 + signal) << result.output;
    EXPECT_NE(result.output.find("Ending the process with exit code " + std::to_string(128 + signal)),
              std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find(std::string("Capture: stopped by ") +
                                 (signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "SIGHUP")),
              std::string::npos)
        << result.output;
    EXPECT_EQ(FolderEntries(dir), std::vector<std::string>{}) << "a video or its temporary was left";
  }
}
