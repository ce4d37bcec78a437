// The timeline editor in the real program (dusk --live --editor 0), talked to over real sockets
// (Boost.Beast, as a browser would): it prints its address, lists the production's track
// sources, takes transport commands, writes an edit into the .txt line and the show's value
// follows in the WebSocket's state; it answers on 127.0.0.1 only. And what must not stop the show:
// a section map and sources with bytes that are not UTF-8, a path with 0xFF, more idle connections
// than the process has descriptors, and a process with no descriptor left.
#include "core_prod.h"
#include "process_runner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/filesystem.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <thread>

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace fs = boost::filesystem;
using tcp = asio::ip::tcp;
using nlohmann::json;

constexpr auto kTimeout = std::chrono::seconds(60);

tcp::endpoint Loopback(int port, const char* address = "127.0.0.1") {
  return tcp::endpoint(asio::ip::make_address(address), static_cast<unsigned short>(port));
}

struct Answer {
  int status = -1;
  std::string body;  // or why there was no answer
};

// One request on a connection of its own; every step is bounded by kTimeout.
Answer Request(int port, http::verb method, const std::string& target, const std::string& token,
               const std::string& body = "") {
  asio::io_context io;
  beast::tcp_stream stream(io);
  http::request<http::string_body> request{method, target, 11};
  request.set(http::field::host, "127.0.0.1:" + std::to_string(port));
  request.set("X-Dusk-Token", token);
  request.body() = body;
  request.prepare_payload();
  beast::flat_buffer buffer;
  http::response<http::string_body> response;
  Answer answer;
  stream.expires_after(kTimeout);
  stream.async_connect(Loopback(port), [&](beast::error_code error) {
    if (error) return void(answer.body = error.message());
    http::async_write(stream, request, [&](beast::error_code error, size_t) {
      if (error) return void(answer.body = error.message());
      http::async_read(stream, buffer, response, [&](beast::error_code error, size_t) {
        if (error) return void(answer.body = error.message());
        answer = Answer{static_cast<int>(response.result_int()), response.body()};
      });
    });
  });
  io.run();
  return answer;
}

// The page's WebSocket: reads messages until one satisfies a condition.
class Socket {
 public:
  bool open(int port, const std::string& token) {
    bool opened = false;
    beast::get_lowest_layer(mSocket).expires_after(kTimeout);
    beast::get_lowest_layer(mSocket).async_connect(Loopback(port), [&, port, token](beast::error_code error) {
      if (error) return;
      beast::get_lowest_layer(mSocket).expires_never();
      mSocket.set_option(websocket::stream_base::timeout::suggested(beast::role_type::client));
      mSocket.set_option(websocket::stream_base::decorator([port](websocket::request_type& request) {
        request.set(http::field::origin, "http://127.0.0.1:" + std::to_string(port));
      }));
      mSocket.async_handshake("127.0.0.1:" + std::to_string(port), "/ws?token=" + token,
                              [&](beast::error_code error) { opened = !error; });
    });
    mIo.run();
    return opened;
  }

  // Messages until `done` returns true for one; false when the socket closed or a minute passed.
  bool readUntil(const std::function<bool(const json&)>& done) {
    bool found = false;
    std::function<void()> next = [&] {
      mSocket.async_read(mBuffer, [&](beast::error_code error, size_t) {
        if (error) return;
        const json message = json::parse(beast::buffers_to_string(mBuffer.data()), nullptr, false);
        mBuffer.consume(mBuffer.size());
        if (done(message)) return void(found = true);
        next();
      });
    };
    next();
    mIo.restart();
    mIo.run_for(kTimeout);
    if (!mIo.stopped()) {
      // Out of time: the pending read ends with the socket.
      beast::get_lowest_layer(mSocket).close();
      mIo.restart();
      mIo.run();
    }
    return found;
  }

 private:
  asio::io_context mIo;
  websocket::stream<beast::tcp_stream> mSocket{mIo};
  beast::flat_buffer mBuffer;
};

// The descriptors a process holds, and a limit set on it from outside.
int CountDescriptors(int pid) {
  int count = 0;
  for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd"), end; it != end; ++it) ++count;
  return count;
}

bool LimitDescriptors(int pid, rlim_t most) {
  const rlimit limit{most, most};
  return prlimit(pid, RLIMIT_NOFILE, &limit, nullptr) == 0;
}

// User and system time of the process's thread of that name, in seconds; -1 when there is none.
double ThreadSeconds(int pid, const std::string& name) {
  const fs::path tasks = "/proc/" + std::to_string(pid) + "/task";
  for (fs::directory_iterator it(tasks), end; it != end; ++it) {
    if (core_test::ReadWholeFile(it->path() / "comm") != name + "\n") continue;
    const std::string stat = core_test::ReadWholeFile(it->path() / "stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));  // after "pid (comm) "
    std::string field;
    for (int i = 3; i < 14; ++i) fields >> field;  // state ... cmajflt
    long long user = 0, system = 0;
    fields >> user >> system;
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
  }
  return -1.0;
}

// Connections that send nothing, as an idle or hostile client keeps them.
class IdleConnections {
 public:
  ~IdleConnections() { closeAll(); }
  // False when one could not be made.
  bool open(int port, int count) {
    for (int i = 0; i < count; ++i) {
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_port = htons(static_cast<uint16_t>(port));
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) return false;
      mFds.push_back(fd);
    }
    return true;
  }
  void closeAll() {
    for (int fd : mFds) ::close(fd);
    mFds.clear();
  }

 private:
  std::vector<int> mFds;
};

// Saves a source as a text editor does: a new file renamed over the old one.
void SaveByRename(const fs::path& path, const std::string& text) {
  std::ofstream(path.string() + ".new", std::ios::binary) << text;
  fs::rename(path.string() + ".new", path);
}

using core_test::WaitFor;

const std::vector<std::string> kLiveEditorArgs = {"--no-dialog", "--windowed", "--mute", "--alerts", "console",
                                                  "--render-scale", "0.25", "--live", "--editor", "0"};

// Where the running show serves its page, from the address it prints; port 0 when it printed none.
struct PageAddress {
  int port = 0;
  std::string token;
};
PageAddress WaitForPageAddress(RunningProcess& dusk) {
  if (!dusk.waitForOutput("Timeline editor: http://", 120.0)) return {};
  std::smatch url;
  const std::string output = dusk.output();
  if (!std::regex_search(output, url, std::regex("Timeline editor: http://127\\.0\\.0\\.1:([0-9]+)/\\?token=([0-9a-f]{32})\n")))
    return {};
  return {std::stoi(url[1]), url[2]};
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

const char kSource[] =
    "# a track of the test's own\n"
    "track ed_Level\n"
    "0      1      step    # start\n"
    "512    5      linear\n";

}  // namespace

TEST(Editor, ThePageTalksToTheRunningShowAndItsEditsReachTheFileAndTheShow) {
  const fs::path root = fs::temp_directory_path() / fs::unique_path("editor-show-%%%%%%");
  core_test::StageProduction(root);
  fs::create_directories(root / "tracks");
  fs::copy_file(fs::path(DUSK_SOURCE_DIR) / "projects/dusk/tracks/camera.txt", root / "tracks/camera.txt");
  std::ofstream((root / "tracks/level.txt").string(), std::ios::binary) << kSource;

  RunningProcess dusk(DuskBinary(), kLiveEditorArgs, root.string());
  const PageAddress page = WaitForPageAddress(dusk);
  ASSERT_GT(page.port, 0) << dusk.output();
  const int port = page.port;
  const std::string token = page.token;

  // The sources, in name order, each with its tracks and keys.
  const Answer tracks = Request(port, http::verb::get, "/api/tracks", token);
  ASSERT_EQ(tracks.status, 200) << tracks.body;
  const json files = json::parse(tracks.body)["files"];
  ASSERT_EQ(files.size(), 2u) << tracks.body;
  EXPECT_EQ(files[0]["name"], "camera");
  EXPECT_EQ(files[1]["tracks"][0]["keys"][1], json({{"row", 512}, {"value", 5.0}, {"kind", "linear"}}));
  EXPECT_EQ(Request(port, http::verb::get, "/api/tracks", "").status, 403);

  // Transport: paused at row 100, as the state says.
  Socket socket;
  ASSERT_TRUE(socket.open(port, token));
  EXPECT_EQ(Request(port, http::verb::post, "/api/transport", token, R"({"pause":true})").status, 200);
  EXPECT_EQ(Request(port, http::verb::post, "/api/transport", token, R"({"seek":100})").status, 200);
  EXPECT_TRUE(socket.readUntil([](const json& m) { 
    return m["type"] == "state" && m["paused"] == true && std::abs(m["row"].get<double>() - 100.0) < 0.01;
  }))
      << dusk.output();

  // An edit: the key's line changes, and nothing else; the show takes the file and its value
  // at row 100 (a step from row 0) is the new one.
  const std::string edit = json{{"file", "level"},
                                {"version", files[1]["version"]},
                                {"ops", {{{"op", "set"}, {"track", "ed_Level"}, {"row", 0},
                                          {"key", {{"row", 0}, {"value", 3}, {"kind", "step"}}}}}}}
                               .dump();
  const Answer edited = Request(port, http::verb::post, "/api/edit", token, edit);
  ASSERT_EQ(edited.status, 200) << edited.body;
  EXPECT_EQ(core_test::ReadWholeFile(root / "tracks/level.txt"),
            "# a track of the test's own\ntrack ed_Level\n0      3      step    # start\n512    5      linear\n");
  bool announced = false, taken = false;
  EXPECT_TRUE(socket.readUntil([&](const json& m) {
    if (m["type"] == "files") announced = announced || m["changed"] == json::array({"level"});
    if (m["type"] == "state" && m["values"].contains("ed_Level")) taken = m["values"]["ed_Level"] == 3.0;
    return announced && taken;
  })) << "announced " << announced << ", taken " << taken << "\n" << dusk.output();
  // The same edit again is on a version that is gone.
  EXPECT_EQ(Request(port, http::verb::post, "/api/edit", token, edit).status, 409);

  // Served on 127.0.0.1 only: another loopback address finds nobody listening.
  asio::io_context io;
  tcp::socket other(io);
  beast::error_code refused;
  other.connect(Loopback(port, "127.0.0.2"), refused);
  EXPECT_EQ(refused, asio::error::connection_refused) << refused.message();

  EXPECT_TRUE(dusk.running());
  fs::remove_all(root);
}

TEST(Editor, NeitherBytesThatAreNotUtf8NorIdleConnectionsPastTheDescriptorLimitStopTheShow) {
  // This side holds over 600 connections.
  rlimit own{};
  getrlimit(RLIMIT_NOFILE, &own);
  own.rlim_cur = own.rlim_max;
  setrlimit(RLIMIT_NOFILE, &own);

  const fs::path root = fs::temp_directory_path() / fs::unique_path("editor-hostile-%%%%%%");
  core_test::StageProduction(root);
  fs::create_directories(root / "tracks");
  std::ofstream((root / "tracks/level.txt").string(), std::ios::binary) << kSource;
  std::ofstream((root / "tracks/latin.txt").string(), std::ios::binary) << "# caf\xe9\ntrack lat_A\n0 1 lin\xe9" "ar\n";
  fs::remove(root / "data/eventide_palekestrel3.sections");
  std::ofstream((root / "data/eventide_palekestrel3.sections").string(), std::ios::binary)
      << "intro 0 255\noutr\xe9 256 511\n";

  RunningProcess dusk(DuskBinary(), kLiveEditorArgs, root.string());
  const PageAddress page = WaitForPageAddress(dusk);
  ASSERT_GT(page.port, 0) << dusk.output();
  const int port = page.port;
  const std::string token = page.token;
  const std::string output = dusk.output();

  // Bytes that are not UTF-8: warned about at start, shown as U+FFFD, and the show goes on.
  EXPECT_NE(output.find("eventide_palekestrel3.sections:2: the section's name is not UTF-8"), std::string::npos)
      << output;
  const Answer show = Request(port, http::verb::get, "/api/show", token);
  ASSERT_EQ(show.status, 200) << show.body;
  EXPECT_EQ(json::parse(show.body)["sections"][1]["name"], "outr\xef\xbf\xbd");
  const Answer tracks = Request(port, http::verb::get, "/api/tracks", token);
  ASSERT_EQ(tracks.status, 200) << tracks.body;
  EXPECT_EQ(json::parse(tracks.body)["files"][0]["error"],
            "latin.txt:3: bad kind 'lin\xef\xbf\xbd" "ar' (step, linear, smooth, ramp, catmull or 0-255)");
  EXPECT_EQ(Request(port, http::verb::get, "/\xff", token).status, 404);
  // Live mode compiles every source together, as tracks/compile does: with the broken source in
  // place no save would be taken, so it goes before the saves below.
  fs::remove(root / "tracks/latin.txt");

  Socket socket;
  ASSERT_TRUE(socket.open(port, token));
  ASSERT_EQ(Request(port, http::verb::post, "/api/transport", token, R"({"pause":true})").status, 200);
  ASSERT_EQ(Request(port, http::verb::post, "/api/transport", token, R"({"seek":100})").status, 200);
  auto levelIs = [&](double value) {
    return socket.readUntil([value](const json& m) {
      return m["type"] == "state" && m["values"].contains("ed_Level") && m["values"]["ed_Level"] == value;
    });
  };
  // The source's track reaches the show with its first save.
  ASSERT_TRUE(socket.readUntil([](const json& m) { return m["type"] == "state" && m["paused"] == true; }))
      << dusk.output();

  // More idle connections than the process may hold descriptors: it keeps only a few, the page is
  // answered, and a save is taken.
  const int held = CountDescriptors(dusk.pid());
  ASSERT_LT(held + 24 + 8, 256) << "the show alone holds too many descriptors for this test";
  ASSERT_TRUE(LimitDescriptors(dusk.pid(), 256));
  IdleConnections idle;
  ASSERT_TRUE(idle.open(port, 300));
  auto asked = std::chrono::steady_clock::now();
  Answer answer = Request(port, http::verb::get, "/api/tracks", token);
  double answeredIn = SecondsSince(asked);
  EXPECT_EQ(answer.status, 200) << answer.body;
  EXPECT_LT(answeredIn, 10.0);
  std::printf("300 idle connections, 256 descriptors: an authorised request answered in %.3f s\n", answeredIn);
  EXPECT_LE(CountDescriptors(dusk.pid()), held + 24 + 2) << "the server keeps more connections than its cap";
  SaveByRename(root / "tracks/level.txt", std::regex_replace(kSource, std::regex("0      1 "), "0      3 "));
  EXPECT_TRUE(levelIs(3.0)) << dusk.output();

  // No descriptor left for a connection: the server logs it once, keeps fewer connections, does
  // not spin, and the page and the saves still work.
  idle.closeAll();
  EXPECT_TRUE(WaitFor([&] { return CountDescriptors(dusk.pid()) <= held + 1; }, 60.0)) << CountDescriptors(dusk.pid());
  ASSERT_TRUE(LimitDescriptors(dusk.pid(), static_cast<rlim_t>(CountDescriptors(dusk.pid()) + 6)));
  const double cpuBefore = ThreadSeconds(dusk.pid(), "editor-server");
  const auto flooded = std::chrono::steady_clock::now();
  ASSERT_TRUE(idle.open(port, 300));
  asked = std::chrono::steady_clock::now();
  answer = Request(port, http::verb::get, "/api/tracks", token);
  answeredIn = SecondsSince(asked);
  EXPECT_EQ(answer.status, 200) << answer.body;
  EXPECT_LT(answeredIn, 10.0);
  SaveByRename(root / "tracks/level.txt", std::regex_replace(kSource, std::regex("0      1 "), "0      4 "));
  EXPECT_TRUE(levelIs(4.0)) << dusk.output();
  const double cpu = ThreadSeconds(dusk.pid(), "editor-server") - cpuBefore, wall = SecondsSince(flooded);
  std::printf("out of descriptors: an authorised request answered in %.3f s; the server thread used %.2f s of %.2f s\n",
              answeredIn, cpu, wall);
  ASSERT_GE(cpuBefore, 0.0) << "no thread named editor-server";
  EXPECT_LT(cpu, 0.25 * wall + 0.1) << "the server spins";
  const std::string log = dusk.output();
  size_t failures = 0;
  for (size_t at = log.find("a connection could not be taken"); at != std::string::npos;
       at = log.find("a connection could not be taken", at + 1))
    ++failures;
  EXPECT_EQ(failures, 1u) << log;

  EXPECT_TRUE(dusk.running());
  idle.closeAll();
  fs::remove_all(root);
}
