// The editor's server in this process, on real sockets on 127.0.0.1: what a client that is not
// the page may do to it. Idle connections are closed after a few seconds and only a few are kept
// while the page is still answered; a WebSocket message over the limit closes that socket alone;
// two Host headers, or a path that is not UTF-8, get an error as JSON.
#include "editor/fw_EditorBridge.h"
#include "editor/fw_EditorServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/filesystem.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
namespace fs = boost::filesystem;
using nlohmann::json;
using Clock = std::chrono::steady_clock;

const std::string kToken = "0123456789abcdef0123456789abcdef";

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A blocking client socket whose reads give up after 30 s; -1 when it cannot connect.
int Connect(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval timeout{30, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Sends the bytes as they are and reads the answer until the server closes.
std::string Exchange(int port, const std::string& request) {
  const int fd = Connect(port);
  if (fd < 0) return "";
  ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  std::string answer;
  char buffer[4096];
  for (ssize_t got; (got = ::recv(fd, buffer, sizeof(buffer), 0)) > 0;) answer.append(buffer, static_cast<size_t>(got));
  ::close(fd);
  return answer;
}

int Status(const std::string& answer) { return answer.size() > 12 ? std::atoi(answer.c_str() + 9) : -1; }
std::string Body(const std::string& answer) {
  const size_t end = answer.find("\r\n\r\n");
  return end == std::string::npos ? "" : answer.substr(end + 4);
}

int CountOpenSockets() {
  int sockets = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(entry.path(), error).string().rfind("socket:", 0) == 0) ++sockets;
  }
  return sockets;
}

// The page's WebSocket, as a browser opens it.
class PageSocket {
 public:
  enum class Outcome { Found, Closed, TimedOut };

  bool open(int port) {
    bool opened = false;
    beast::get_lowest_layer(mSocket).expires_after(std::chrono::seconds(30));
    beast::get_lowest_layer(mSocket).async_connect(
        asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)),
        [&, port](beast::error_code error) {
          if (error) return;
          beast::get_lowest_layer(mSocket).expires_never();
          mSocket.set_option(websocket::stream_base::timeout::suggested(beast::role_type::client));
          mSocket.set_option(websocket::stream_base::decorator([port](websocket::request_type& request) {
            request.set(beast::http::field::origin, "http://127.0.0.1:" + std::to_string(port));
          }));
          mSocket.async_handshake("127.0.0.1:" + std::to_string(port), "/ws?token=" + kToken,
                                  [&](beast::error_code error) { opened = !error; });
        });
    mIo.run();
    return opened;
  }

  // False when the message could not be written within 30 s.
  bool send(const std::string& message) {
    bool sent = false;
    mSocket.text(true);
    mSocket.async_write(asio::buffer(message), [&](beast::error_code error, size_t) { sent = !error; });
    return runFor(30.0) && sent;
  }

  // Messages until `done` is true for one, the socket closes, or `seconds` pass.
  Outcome readUntil(const std::function<bool(const json&)>& done, double seconds = 30.0) {
    Outcome outcome = Outcome::TimedOut;
    std::function<void()> next = [&] {
      mSocket.async_read(mBuffer, [&](beast::error_code error, size_t) {
        if (error) return void(outcome = Outcome::Closed);
        const json message = json::parse(beast::buffers_to_string(mBuffer.data()), nullptr, false);
        mBuffer.consume(mBuffer.size());
        if (done(message)) return void(outcome = Outcome::Found);
        next();
      });
    };
    next();
    // Out of time, the read ends with the socket: that is no close by the server.
    return runFor(seconds) ? outcome : Outcome::TimedOut;
  }

  websocket::close_reason reason() const { return mSocket.reason(); }

 private:
  // Runs what is pending for at most that long; what is still pending then ends with the socket.
  bool runFor(double seconds) {
    mIo.restart();
    mIo.run_for(std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000)));
    if (mIo.stopped()) return true;
    beast::get_lowest_layer(mSocket).close();
    mIo.restart();
    mIo.run_for(std::chrono::seconds(10));
    return false;
  }

  asio::io_context mIo;
  websocket::stream<beast::tcp_stream> mSocket{mIo};
  beast::flat_buffer mBuffer;
};

bool IsState(const json& message) { return message.is_object() && message["type"] == "state"; }

class EditorServer : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(mRoot / "tracks");
    std::ofstream((mRoot / "tracks/camera.txt").string(), std::ios::binary) << "track cam_Yaw\n0 1 linear\n";
    fw_EditorSite site;
    site.token = kToken;
    site.tracksDir = (mRoot / "tracks").string();
    site.pageDir = (mRoot / "editor").string();
    site.showJson = "{}";
    site.bridge = &mBridge;
    fw_EditorShowState state;
    state.row = 5.0f;
    state.values = {{"cam_Yaw", 1.0f}};
    mBridge.tryPublish(state);
    std::string error;
    mServer = fw_EditorServer::start(site, &error);
    ASSERT_TRUE(mServer) << error;
    mPort = mServer->port();
  }
  void TearDown() override {
    mServer.reset();
    fs::remove_all(mRoot);
  }

  std::string Get(const std::string& target, const std::string& headers = "") {
    return Exchange(mPort, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(mPort) +
                               "\r\nX-Dusk-Token: " + kToken + "\r\nConnection: close\r\n" + headers + "\r\n");
  }

  fs::path mRoot = fs::temp_directory_path() / fs::unique_path("editor-server-%%%%%%");
  fw_EditorBridge mBridge;
  std::unique_ptr<fw_EditorServer> mServer;
  int mPort = 0;
};

}  // namespace

TEST_F(EditorServer, IdleConnectionsAreClosedWithinSecondsAndOnlyAFewAreKeptWhileThePageIsAnswered) {
  const int before = CountOpenSockets();
  std::vector<int> idle;
  for (int i = 0; i < 60; ++i) {
    const int fd = Connect(mPort);
    ASSERT_GE(fd, 0) << "connection " << i;
    idle.push_back(fd);
  }
  // Taken after the idle ones, so the server has met them all when this is answered.
  const Clock::time_point asked = Clock::now();
  const std::string answer = Get("/api/tracks");
  const double answeredIn = SecondsSince(asked);
  EXPECT_EQ(Status(answer), 200) << answer;
  EXPECT_LT(answeredIn, 10.0);
  std::printf("an authorised request behind 60 idle connections: %.3f s\n", answeredIn);
  // Ours: the listener and the 60 clients (the answered one is closed); the rest are the server's.
  const int kept = CountOpenSockets() - before - 60;
  EXPECT_LE(kept, 24 + 1) << "the server keeps more connections than its cap";

  // Every idle one is closed by the server: most to make room, the rest at their deadline.
  const Clock::time_point waiting = Clock::now();
  size_t closed = 0;
  std::vector<bool> seen(idle.size(), false);
  while (closed < idle.size() && SecondsSince(waiting) < 20.0) {
    std::vector<pollfd> polls;
    for (int fd : idle) polls.push_back(pollfd{fd, POLLIN, 0});
    ::poll(polls.data(), polls.size(), 1000);
    for (size_t i = 0; i < polls.size(); ++i) {
      char byte;
      if (!seen[i] && polls[i].revents && ::recv(idle[i], &byte, 1, MSG_DONTWAIT) <= 0) {
        seen[i] = true;
        ++closed;
      }
    }
  }
  EXPECT_EQ(closed, idle.size()) << "idle connections still open after " << SecondsSince(waiting) << " s";
  for (int fd : idle) ::close(fd);
}

TEST_F(EditorServer, AMessageOverTheLimitClosesThatWebSocketAndTheOthersGoOn) {
  PageSocket big, small;
  ASSERT_TRUE(big.open(mPort));
  ASSERT_TRUE(small.open(mPort));
  ASSERT_TRUE(small.send(std::string(1024, 'x')));  // the page sends nothing, but a small message is harmless
  EXPECT_EQ(small.readUntil(IsState), PageSocket::Outcome::Found);

  big.send(std::string(100 * 1024, 'x'));  // may fail part way: the server closes as soon as it sees the size
  EXPECT_EQ(big.readUntil([](const json&) { return false; }, 20.0), PageSocket::Outcome::Closed);
  // The close frame says why, unless the client's own write failed first on the closed socket.
  if (big.reason().code != 0) {
    EXPECT_EQ(big.reason().code, websocket::close_code::too_big);
  }
  EXPECT_EQ(small.readUntil(IsState), PageSocket::Outcome::Found);
}

TEST_F(EditorServer, TwoHostHeadersOrAPathThatIsNotUtf8GetAnErrorAsJson) {
  const std::string host = "Host: 127.0.0.1:" + std::to_string(mPort) + "\r\n";
  const std::string twice = Get("/api/tracks", host);
  EXPECT_EQ(Status(twice), 400) << twice;
  EXPECT_TRUE(json::parse(Body(twice), nullptr, false).contains("error")) << twice;

  for (const std::string& target : {std::string("/\xff"), std::string("/api/\xff\xfe"), "/caf\xe9.js?token=" + kToken}) {
    const std::string answer = Get(target);
    EXPECT_EQ(Status(answer), 404) << answer;
    const json body = json::parse(Body(answer), nullptr, false);
    EXPECT_TRUE(body.is_object() && body["error"].is_string()) << answer;
  }
  EXPECT_EQ(Status(Get("/api/tracks")), 200) << "the server goes on";
}
