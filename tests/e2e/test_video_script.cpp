// scripts/video and scripts/video-chunk as people use them: bad values refused before anything
// runs; relative paths; a rerun that finds chunks made another way, or with a frame gone; a
// capture that ends well without its frames; and chunks rendered on another machine through a
// real SSH server on loopback, joined into the same video as a run on this machine alone.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <boost/filesystem.hpp>
#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "process_runner.h"

namespace fs = boost::filesystem;

namespace {

const std::string kVideo = std::string(DUSK_SOURCE_DIR) + "/scripts/video";
const std::string kVideoChunk = std::string(DUSK_SOURCE_DIR) + "/scripts/video-chunk";

// Frames 40 to 45 at 10 a second, in the intro's first lit stretch, at 320 x 180.
const std::vector<std::string> kSpan = {"--from-row", "69", "--to-row",       "78.5",
                                        "--fps",      "10", "--render-scale", "0.25"};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path.string(), std::ios::binary);
  out << text;
  out.close();
  return out.good();
}

// One word for the shell, whatever it holds.
std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string FrameName(int frame) {
  char name[32];
  std::snprintf(name, sizeof(name), "frame_%06d.png", frame);
  return name;
}

std::string ChunkName(int first) {
  char name[32];
  std::snprintf(name, sizeof(name), "chunk_%06d", first);
  return name;
}

ProcessResult RunScript(const std::string& script, std::vector<std::string> args, const fs::path& cwd,
                        std::vector<std::string> env = {}, double timeoutSeconds = 280.0) {
  env.push_back(std::string("DUSK_BUILD_DIR=") + DUSK_BINARY_DIR);
  RunningProcess process(script, args, cwd.string(), env);
  return process.wait(timeoutSeconds);
}

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

class VideoScript : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(mRoot); }
  void TearDown() override {
    if (!std::getenv("CORE_KEEP_VIDEO")) fs::remove_all(mRoot);  // set it to look at the files
  }
  fs::path mRoot = fs::temp_directory_path() / fs::unique_path("dusk-video-%%%%%%");
};

// Refused values used to loop for ever (--chunk 0) or fail only after the rendering (a size past
// the program's largest scale failed every chunk, a scale too small for the post chain failed the
// join); each is now refused at once, before the work folder exists, the scales by the program.
TEST_F(VideoScript, RefusesBadValuesWithExitCode2BeforeAnythingRuns) {
  const std::vector<std::vector<std::string>> bad = {{"--chunk", "0"},
                                                     {"--chunk", "-3"},
                                                     {"--chunk", "1.5"},
                                                     {"--jobs", "two"},
                                                     {"--jobs", "0"},
                                                     {"--fps", "0"},
                                                     {"--fps", "2.5"},
                                                     {"--fps", "1001"},
                                                     {"--size", "640x0"},
                                                     {"--size", "640x361"},
                                                     {"--size", "640"},
                                                     {"--size", "-640x-360"},
                                                     {"--render-scale", "0"},
                                                     {"--render-scale", "4.5"},
                                                     {"--render-scale", "x"},
                                                     {"--render-scale", "-1"},
                                                     {"--render-scale", "0.0001"},
                                                     {"--size", "6400x3600"},
                                                     {"--size", "64x36"},
                                                     {"--from-row", "-1"},
                                                     {"--to-row", "end"},
                                                     {"--chunk"},
                                                     {"--size", "640x360", "--render-scale", "0.5"}};
  for (const auto& args : bad) {
    const ProcessResult run = RunScript(kVideo, With({"bad.mp4"}, args), mRoot, {}, 30.0);
    EXPECT_EQ(run.exitCode, 2) << args[0] << " " << (args.size() > 1 ? args[1] : "") << "\n" << run.output;
    EXPECT_NE(run.output.find("video: "), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(mRoot / "bad.mp4.chunks")) << args[0];
  }
  // The program's own reasons, passed on.
  ProcessResult run = RunScript(kVideo, {"bad.mp4", "--size", "6400x3600"}, mRoot, {}, 30.0);
  EXPECT_NE(run.output.find("video: --size 6400x3600 is render scale 5: --render-scale takes a number above 0 and at "
                            "most 4"),
            std::string::npos)
      << run.output;
  run = RunScript(kVideo, {"bad.mp4", "--render-scale", "0.0001"}, mRoot, {}, 30.0);
  EXPECT_NE(run.output.find("the post effects need at least 64 pixels a side"), std::string::npos) << run.output;

  // A second run in a work folder that a run holds would render the same chunks and rename
  // each other's folders away.
  fs::create_directories(mRoot / "busy.mp4.chunks");
  const std::string lock = Quote((mRoot / "busy.mp4.chunks/lock").string());
  // The holder is one process (the sleep holds the lock itself), so ending it frees the lock.
  RunningProcess holder(
      "/bin/bash", {"-c", "exec 9>>\"$0\" && flock 9 && exec sleep 120", (mRoot / "busy.mp4.chunks/lock").string()},
      mRoot.string());
  int code = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (code == 0 && holder.running() && std::chrono::steady_clock::now() < deadline)
    RunCommand("flock -n " + lock + " true", &code);
  ASSERT_EQ(code, 1) << "the lock was never taken";
  const ProcessResult second = RunScript(kVideo, With({"busy.mp4"}, kSpan), mRoot, {}, 30.0);
  EXPECT_EQ(second.exitCode, 1) << second.output;
  EXPECT_NE(second.output.find("another scripts/video is working in"), std::string::npos) << second.output;

  // Two runs for one OUT in two work folders would both write OUT.part, and rename it in turn.
  const std::string part = (mRoot / "same.mp4.part").string();
  RunningProcess writer("/bin/bash", {"-c", "exec 8>>\"$0\" && flock 8 && exec sleep 120", part}, mRoot.string());
  code = 0;
  while (code == 0 && writer.running() && std::chrono::steady_clock::now() < deadline + std::chrono::seconds(60))
    RunCommand("flock -n " + Quote(part) + " true", &code);
  ASSERT_EQ(code, 1) << "the lock was never taken";
  const ProcessResult same = RunScript(kVideo, With({"same.mp4", "--work", "elsewhere"}, kSpan), mRoot, {}, 30.0);
  EXPECT_EQ(same.exitCode, 1) << same.output;
  EXPECT_NE(same.output.find("another scripts/video is writing " + (mRoot / "same.mp4").string()), std::string::npos)
      << same.output;
  EXPECT_TRUE(fs::exists(part)) << "the other run's file was removed";
}

// Ctrl-C (SIGINT to the script alone, as a supervisor would send it) ends the chunks under way
// at once and says so, where it used to be reported as a failed chunk; the finished chunks stay,
// and no OUT.part or program is left behind.
TEST_F(VideoScript, AnInterruptEndsTheChunksAtOnceAndIsReportedAsSuch) {
  // The script traps SIGINT only when it did not start with it ignored.
  signal(SIGINT, SIG_DFL);
  const fs::path work = mRoot / "interrupted work";
  RunningProcess video(kVideo,
                       {"cut.mp4", "--work", work.string(), "--from-row", "0", "--to-row", "20", "--fps", "10",
                        "--chunk", "2", "--jobs", "2", "--render-scale", "0.25"},
                       mRoot.string(), {std::string("DUSK_BUILD_DIR=") + DUSK_BINARY_DIR});
  ASSERT_TRUE(video.waitForOutput("chunks already done", 120.0)) << video.output();
  // A chunk under way: its folder holds the log of a running capture.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!fs::exists(work / (ChunkName(0) + ".part/log.txt")) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(fs::exists(work / (ChunkName(0) + ".part/log.txt"))) << video.output();
  const auto sent = std::chrono::steady_clock::now();
  kill(video.pid(), SIGINT);
  const ProcessResult ended = video.wait(120.0);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
  EXPECT_EQ(ended.exitCode, 130) << ended.output;
  EXPECT_NE(ended.output.find("video: interrupted (SIGINT); finished chunks stay in " + work.string()),
            std::string::npos)
      << ended.output;
  EXPECT_EQ(ended.output.find("a chunk failed"), std::string::npos) << ended.output;
  EXPECT_LT(seconds, 30.0) << "the chunks under way were left to finish";
  EXPECT_FALSE(fs::exists(mRoot / "cut.mp4.part"));
  EXPECT_FALSE(fs::exists(mRoot / "cut.mp4"));
  // No capture of this run is still going (the bracket keeps pgrep's own shell out of the match).
  int code = 0;
  const std::string pattern = "[" + work.string().substr(0, 1) + "]" + work.string().substr(1);
  const std::string left = RunCommand("pgrep -af " + Quote(pattern), &code);
  EXPECT_NE(code, 0) << left;
}

// The chunk script alone, with a stand-in for dusk that writes as many of its frames as it is
// told and then ends with 0, as a capture cut short by a full disk once did.
TEST_F(VideoScript, AChunkIsDoneOnlyWhenItsVideoHoldsEveryFrameAndItsRecordMatches) {
  const fs::path fake = mRoot / "fake dusk";
  ASSERT_TRUE(WriteFile(fake,
                        "#!/usr/bin/env bash\n"
                        "while [ $# -gt 0 ]; do case $1 in --capture-video) video=$2 ;; --frames) n=$2 ;; esac\n"
                        "  shift; done\n"
                        "exec ffmpeg -nostdin -v error -f lavfi -i color=c=gray:s=32x18:r=10 -frames:v ${FAKE_WRITES:-$n}"
                        " -c:v libx264 -f matroska \"file:$video\"\n"));
  fs::permissions(fake, fs::owner_all);
  const std::string build = RunCommand("sha256sum < " + Quote(fake.string()) + " | cut -d' ' -f1").substr(0, 64);
  ASSERT_EQ(build.size(), 64u);
  const fs::path work = mRoot / "work 100%";
  fs::create_directories(work);
  const fs::path project = mRoot;
  auto render = [&](const std::string& buildSum, std::vector<std::string> env) {
    return RunScript(kVideoChunk,
                     {"render", fake.string(), project.string(), work.string(), "10", "0.25", buildSum, "40", "2"},
                     mRoot, env, 60.0);
  };
  auto check = [&](const std::string& scale, const std::string& buildSum) {
    return RunScript(kVideoChunk, {"check", work.string(), "10", scale, buildSum, "40", "2"}, mRoot, {}, 60.0);
  };

  ProcessResult run = render(build, {"FAKE_WRITES=1"});
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(run.output.find("video.mkv holds 1 frames, not 2"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(work / ChunkName(40)));
  EXPECT_EQ(check("0.25", build).exitCode, 1);

  // A machine whose dusk is another build renders nothing.
  run = render(std::string(64, '0'), {});
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(run.output.find("is another build"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(work / ChunkName(40)));

  run = render(build, {});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_FALSE(fs::exists(work / (ChunkName(40) + ".part")));
  EXPECT_EQ(check("0.25", build).exitCode, 0);
  run = check("0.5", build);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.output, "made at render scale 0.25, now 0.5\n");
  run = check("0.25", std::string(64, 'a'));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("made by another build of dusk"), std::string::npos) << run.output;
  ASSERT_TRUE(WriteFile(work / ChunkName(40) / "video.mkv", "cut short"));
  run = check("0.25", build);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.output, "video.mkv holds no readable frames, not 2\n");
  ASSERT_TRUE(WriteFile(work / ChunkName(40) / "video.mkv", ""));
  run = check("0.25", build);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.output, "video.mkv is missing or empty\n");
}

// Relative OUT and --work land where they were run (the capture itself runs in projects/dusk);
// a rerun at another rate renders the chunk again and says why; a frame removed by hand is noticed.
TEST_F(VideoScript, RelativePathsAndRerunsRenderWhatIsMissingOrMadeAnotherWay) {
  const fs::path here = mRoot / "here";
  fs::create_directories(here);
  const fs::path work = here / "work dir";
  auto video = [&](const std::string& fps) {
    return RunScript(kVideo,
                     {"clip.mp4", "--work", "work dir", "--from-row", "0", "--to-row", "1", "--fps", fps, "--chunk",
                      "1", "--jobs", "1", "--render-scale", "0.25"},
                     here);
  };
  ProcessResult run = video("10");  // frame 0
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_GT(fs::file_size(work / ChunkName(0) / "video.mkv"), 0u);
  EXPECT_GT(fs::file_size(here / "clip.mp4"), 0u);
  EXPECT_FALSE(fs::exists(fs::path(DUSK_SOURCE_DIR) / "projects/dusk/work dir"));
  // A chunk is its frames' video alone: no PNG frames, no sound.
  EXPECT_FALSE(fs::exists(work / ChunkName(0) / FrameName(0)));
  EXPECT_FALSE(fs::exists(work / ChunkName(0) / "soundtrack.wav"));
  EXPECT_NE(run.output.find("video: 1 of 1 frames (100.0 %)"), std::string::npos) << run.output;

  run = video("20");  // frames 0 and 1
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("video: chunk 0: made at 10 fps, now 20; rendering again"), std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("video: 0 of 2 chunks already done"), std::string::npos) << run.output;

  fs::remove(work / ChunkName(1) / "video.mkv");
  run = video("20");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("video: chunk 1: video.mkv is missing or empty; rendering again"), std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("video: 1 of 2 chunks already done"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("chunk 0: 1 frame done"), std::string::npos) << run.output;
  EXPECT_GT(fs::file_size(work / ChunkName(1) / "video.mkv"), 0u);

  // An .mkv joins the chunks as they are: the chunks' 4:4:4 pictures, two frames, with the music,
  // both from 0 (with AAC the pictures started at 0.023 s, after the encoder's priming).
  run = RunScript(kVideo,
                  {"clip.mkv", "--work", "work dir", "--from-row", "0", "--to-row", "1", "--fps", "20", "--chunk", "1",
                   "--jobs", "1", "--render-scale", "0.25"},
                  here);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::string probe = "ffprobe -v error -of csv=p=0 " + Quote((here / "clip.mkv").string());
  EXPECT_EQ(RunCommand(probe + " -select_streams v -count_packets -show_entries stream=codec_name,pix_fmt,nb_read_packets"),
            "h264,yuv444p,2\n");
  EXPECT_EQ(RunCommand(probe + " -select_streams a -show_entries stream=codec_name"), "flac\n");
  EXPECT_EQ(RunCommand(probe + " -show_entries stream=codec_type,start_time"),
            "video,0.000000\naudio,0.000000\n");
}

// sshd on a port of its own on 127.0.0.1, with its own host key and one client key, and an ssh
// configuration naming it "dusk-render". Stopped when the object goes.
class LoopbackSshServer {
 public:
  // The other machine is set up as this one: under the sanitizer build its dusk gets the same
  // sanitizer options and suppressions, and every dusk checks GL errors.
  static constexpr const char* kPassedOn = "ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS LD_PRELOAD DUSK_GL_DEBUG";

  explicit LoopbackSshServer(const fs::path& folder) : mFolder(folder) {}
  ~LoopbackSshServer() {
    if (mServer && mServer->running()) kill(mServer->pid(), SIGTERM);
    if (mServer) mServer->wait(10.0);
  }

  // Empty when the server answers; otherwise why it cannot run here.
  std::string start() {
    const char* sshd = "/usr/sbin/sshd";
    if (access(sshd, X_OK) != 0) return "no /usr/sbin/sshd (Debian's openssh-server; scripts/install-deps installs it)";
    int code = -1;
    RunCommand("command -v ssh-keygen && command -v ssh", &code);
    if (code != 0) return "no ssh or ssh-keygen (openssh-client)";
    // As root, sshd insists on its privilege separation folder, which only its service makes.
    if (geteuid() == 0) {
      boost::system::error_code error;
      fs::create_directories("/run/sshd", error);
    }
    const std::string dir = mFolder.string();
    RunCommand("cd " + Quote(dir) +
                   " && ssh-keygen -q -t ed25519 -N '' -f host_key && ssh-keygen -q -t ed25519 -N '' -f client_key && "
                   "cp client_key.pub authorized_keys",
               &code);
    if (code != 0) return "ssh-keygen could not make the keys";
    const passwd* user = getpwuid(geteuid());
    if (!user) return "no name for this user";
    const std::string hostKey = ReadFile(mFolder / "host_key.pub");
    const std::string hostKeyType = hostKey.substr(0, hostKey.find(' ', hostKey.find(' ') + 1));

    std::string why;
    for (int attempt = 0; attempt < 3; ++attempt) {  // another program may take the free port first
      const int port = FreePort();
      if (port <= 0) return "no free port on 127.0.0.1";
      WriteFile(mFolder / "sshd_config",
                "Port " + std::to_string(port) + "\nListenAddress 127.0.0.1\nHostKey " + dir + "/host_key\n" +
                    "PidFile " + dir + "/sshd.pid\nAuthorizedKeysFile " + dir + "/authorized_keys\n" +
                    "UsePAM no\nStrictModes no\nPasswordAuthentication no\nKbdInteractiveAuthentication no\n" +
                    "PubkeyAuthentication yes\nPermitRootLogin prohibit-password\nLogLevel INFO\n" + "AcceptEnv " +
                    kPassedOn + "\n");
      WriteFile(mFolder / "known_hosts", "[127.0.0.1]:" + std::to_string(port) + " " + hostKeyType + "\n");
      WriteFile(mFolder / "ssh_config",
                "Host dusk-render\n  HostName 127.0.0.1\n  Port " + std::to_string(port) + "\n  User " + user->pw_name +
                    "\n  IdentityFile " + dir + "/client_key\n  IdentitiesOnly yes\n  UserKnownHostsFile " + dir +
                    "/known_hosts\n  StrictHostKeyChecking yes\n  BatchMode yes\n  ConnectTimeout 20\n" + "  SendEnv " +
                    kPassedOn + "\n");
      mServer = std::make_unique<RunningProcess>(
          sshd, std::vector<std::string>{"-D", "-f", dir + "/sshd_config", "-E", dir + "/sshd.log"}, dir);
      // Waits for the server to answer, or to end.
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      while (mServer->running() && std::chrono::steady_clock::now() < deadline) {
        RunCommand("ssh -F " + Quote(dir + "/ssh_config") + " dusk-render true", &code);
        if (code == 0) return "";
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
      }
      why = "sshd did not answer: " + ReadFile(mFolder / "sshd.log") + mServer->output();
      if (mServer->running()) break;  // it runs but refuses us: another port will not help
    }
    return why;
  }

  std::string sshCommand() const { return "ssh -F " + (mFolder / "ssh_config").string(); }
  std::string log() const { return ReadFile(mFolder / "sshd.log"); }
  size_t logins() const {
    const std::string text = log();
    size_t count = 0;
    for (size_t at = 0; (at = text.find("Accepted publickey", at)) != std::string::npos; ++at) ++count;
    return count;
  }

 private:
  static int FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    int port = -1;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
      port = ntohs(address.sin_port);
    close(s);
    return port;
  }

  fs::path mFolder;
  std::unique_ptr<RunningProcess> mServer;
};

// The decoded pictures of a video, as raw RGB.
std::string DecodedFrames(const fs::path& video, const fs::path& raw) {
  int code = -1;
  RunCommand(
      "ffmpeg -nostdin -v error -y -i " + Quote(video.string()) + " -f rawvideo -pix_fmt rgb24 " + Quote(raw.string()),
      &code);
  return code == 0 ? ReadFile(raw) : std::string();
}

// The same span rendered here, on the "other machine" alone, and on both: chunk for chunk the
// same frames, and videos that decode to the same pictures. The other machine has no display (ssh
// brings none), so its captures render without one, while this one's use the test's display
// when it has one. The other machine's OUT holds a space and a %, which ffmpeg's frame pattern
// would otherwise take for a number.
TEST_F(VideoScript, SshLoginRendersOnAnotherMachineTheVideoThisMachineRenders) {
  LoopbackSshServer server(mRoot);
  const std::string why = server.start();
  if (!why.empty()) GTEST_SKIP() << "sshd cannot run here: " << why;
  const std::vector<std::string> ssh = {"PARALLEL_SSH=" + server.sshCommand()};
  const std::vector<std::string> chunks = {"--chunk", "2", "--jobs", "2"};

  const auto start = std::chrono::steady_clock::now();
  ProcessResult local = RunScript(kVideo, With(With({"local.mp4"}, kSpan), chunks), mRoot);
  ASSERT_EQ(local.exitCode, 0) << local.output;
  const std::string remoteName = "other 100% machine.mp4";
  const size_t loginsBefore = server.logins();
  ProcessResult remote =
      RunScript(kVideo, With(With({remoteName}, kSpan), With(chunks, {"--sshlogin", "dusk-render"})), mRoot, ssh);
  ASSERT_EQ(remote.exitCode, 0) << remote.output << server.log();
  EXPECT_GE(server.logins() - loginsBefore, 3u) << "every chunk runs through the server\n" << server.log();
  ProcessResult both =
      RunScript(kVideo, With(With({"both.mp4"}, kSpan), With(chunks, {"--sshlogin", "dusk-render", "--sshlogin", ":"})),
                mRoot, ssh);
  ASSERT_EQ(both.exitCode, 0) << both.output << server.log();
  std::printf("three renders of 6 frames (here, over ssh, both) took %.1f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());

  for (int first = 40; first <= 44; first += 2) {
    const std::string here = ReadFile(mRoot / "local.mp4.chunks" / ChunkName(first) / "video.mkv");
    ASSERT_FALSE(here.empty()) << first;
    EXPECT_TRUE(ReadFile(mRoot / (remoteName + ".chunks") / ChunkName(first) / "video.mkv") == here) << first;
    EXPECT_TRUE(ReadFile(mRoot / "both.mp4.chunks" / ChunkName(first) / "video.mkv") == here) << first;
  }
  const std::string pictures = DecodedFrames(mRoot / "local.mp4", mRoot / "local.rgb");
  EXPECT_EQ(pictures.size(), 6u * 320 * 180 * 3);
  EXPECT_TRUE(pictures == DecodedFrames(mRoot / remoteName, mRoot / "remote.rgb"));
  EXPECT_TRUE(pictures == DecodedFrames(mRoot / "both.mp4", mRoot / "both.rgb"));
}

}  // namespace
