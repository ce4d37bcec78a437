// The timeline editor in the real program (dusk --live --editor 0), talked to over real sockets
// (Boost.Beast, as a browser would): it prints its address, lists the production's track
// sources, takes transport commands, writes an edit into the .txt line and the show's value
// follows in the WebSocket's state; it answers on 127.0.0.1 only.
#include "core_prod.h"
#include "process_runner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/filesystem.hpp>

#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>
#include <regex>

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

  RunningProcess dusk(DuskBinary(),
                      {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--render-scale", "0.25", "--live",
                       "--editor", "0"},
                      root.string());
  ASSERT_TRUE(dusk.waitForOutput("Timeline editor: http://", 120.0)) << dusk.output();
  std::smatch url;
  const std::string output = dusk.output();
  ASSERT_TRUE(std::regex_search(output, url, std::regex("Timeline editor: http://127\\.0\\.0\\.1:([0-9]+)/\\?token=([0-9a-f]{32})\n")))
      << output;
  const int port = std::stoi(url[1]);
  const std::string token = url[2];
  ASSERT_GT(port, 0);

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
