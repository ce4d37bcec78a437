// The server thread and its sockets. Sections: state messages · WebSocket sessions · HTTP
// sessions · the server: accepting and keeping connections within the cap, the state and file
// timers, start and stop.
#include "editor/fw_EditorServer.h"

#include "diag/fw_Log.h"
#include "editor/fw_EditorBridge.h"
#include "editor/fw_EditorJson.h"
#include "editor/fw_EditorLog.h"
#include "editor/fw_EditorTracks.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <nlohmann/json.hpp>

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <thread>
#include <vector>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

constexpr auto kStateInterval = std::chrono::milliseconds(35);  // about 28 states a second
constexpr auto kFilesInterval = std::chrono::milliseconds(250);
// A request comes whole within this (its headers and body; the next one on a kept connection
// too), and an answer is taken within the other; a connection that does not is closed.
constexpr auto kRequestDeadline = std::chrono::seconds(5);
constexpr auto kAnswerDeadline = std::chrono::seconds(10);
// The page uses a few connections (a browser opens at most six to one address) and one WebSocket
// a tab.
constexpr size_t kMaxConnections = 24;
constexpr size_t kMaxSockets = 16;
// Once the process has run out of file descriptors, this many are left to the rest of the show
// (live mode reads every file it reloads) and the cap shrinks to fit, to no less than the least.
constexpr size_t kDescriptorReserve = 4;
constexpr size_t kLeastConnections = 2;
// A failed accept is tried again after this, doubled each time up to the most.
constexpr auto kAcceptRetryFirst = std::chrono::milliseconds(50);
constexpr auto kAcceptRetryMost = std::chrono::milliseconds(1000);
constexpr size_t kMaxQueued = 64;  // messages a slow page may fall behind before it misses states
// The page sends nothing; a message this large is not the page.
constexpr size_t kMaxMessage = 64 * 1024;

// ---- state messages ----

std::string StateMessage(const fw_EditorShowState& state) {
  nlohmann::json values = nlohmann::json::object();
  for (const auto& [name, value] : state.values) values[name] = fw_EditorJsonNumber(value);
  nlohmann::json loop = nullptr;
  if (state.loop) loop = {{"first", state.loop->first}, {"last", state.loop->last}};
  return fw_EditorDump(nlohmann::json{{"type", "state"}, {"row", fw_EditorJsonNumber(state.row)},
                                      {"paused", state.paused}, {"loop", loop}, {"values", std::move(values)}});
}

// ---- WebSocket sessions ----

class SocketSession : public std::enable_shared_from_this<SocketSession> {
public:
  explicit SocketSession(tcp::socket socket) : mSocket(std::move(socket)) {}

  void accept(http::request<http::string_body> request) {
    mSocket.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
    mSocket.read_message_max(kMaxMessage);
    mSocket.text(true);
    mSocket.async_accept(request, [self = shared_from_this()](beast::error_code error) {
      if (error) return;
      self->mOpen = true;
      self->read();
    });
  }

  bool open() const { return mOpen; }
  bool idle() const { return mQueue.empty(); }

  void send(std::string message) {
    if (!mOpen || mQueue.size() >= kMaxQueued) return;
    mQueue.push_back(std::move(message));
    if (mQueue.size() == 1) write();
  }

  void close() {
    if (!mOpen) return;
    mOpen = false;
    mSocket.async_close(websocket::close_code::going_away, [self = shared_from_this()](beast::error_code) {});
  }

private:
  // The page sends nothing; reading notices a closed page and answers pings. A message past the
  // limit closes this socket (code 1009) and no other.
  void read() {
    mSocket.async_read(mBuffer, [self = shared_from_this()](beast::error_code error, size_t) {
      if (error) {
        if (error == websocket::error::message_too_big)
          fw_EditorLog(fw_LogWarning, "Timeline editor: a page sent a message over %zu bytes; its WebSocket is closed.",
                 kMaxMessage);
        self->mOpen = false;
        return;
      }
      self->mBuffer.consume(self->mBuffer.size());
      self->read();
    });
  }

  void write() {
    mSocket.async_write(asio::buffer(mQueue.front()), [self = shared_from_this()](beast::error_code error, size_t) {
      self->mQueue.pop_front();
      if (error) {
        self->mOpen = false;
        self->mQueue.clear();
        return;
      }
      if (!self->mQueue.empty() && self->mOpen) self->write();
    });
  }

  websocket::stream<beast::tcp_stream> mSocket;
  beast::flat_buffer mBuffer;
  std::deque<std::string> mQueue;
  bool mOpen = false;
};

class HttpSession;

}  // namespace

struct fw_EditorServer::Impl {
  explicit Impl(fw_EditorSite s) : site(std::move(s)) {}

  void acceptNext();
  void acceptFailed(const beast::error_code& error);
  // Closes the connections waiting longest for a request until no more than the cap are open;
  // false when that is not enough (the rest are answering).
  bool keepWithinCap();
  size_t openConnections();
  size_t openSockets();
  void tickState();
  void tickFiles();
  void broadcast(const std::string& message, bool onlyIdle);
  std::map<std::string, std::string> readVersions() const;

  // The context is made first and destroyed last: the sockets and timers below belong to it.
  asio::io_context io{1};
  tcp::acceptor acceptor{io};
  asio::steady_timer stateTimer{io}, filesTimer{io}, acceptTimer{io};
  fw_EditorSite site;
  std::vector<std::weak_ptr<HttpSession>> connections;
  size_t connectionCap = kMaxConnections;
  uint64_t requestsAwaited = 0;  // orders the connections by when they began to wait
  std::chrono::milliseconds acceptRetry = kAcceptRetryFirst;
  bool acceptFailureLogged = false;
  std::vector<std::weak_ptr<SocketSession>> sockets;
  std::map<std::string, std::string> versions;  // source name -> version when last read
  std::thread thread;
};

namespace {

// ---- HTTP sessions ----

class HttpSession : public std::enable_shared_from_this<HttpSession> {
public:
  HttpSession(tcp::socket socket, fw_EditorServer::Impl& server) : mStream(std::move(socket)), mServer(server) {}

  void read() {
    mParser.emplace();
    mParser->body_limit(kFwEditorMaxBody);
    mWaitingSince = ++mServer.requestsAwaited;
    mWaiting = true;
    mStream.expires_after(kRequestDeadline);
    http::async_read(mStream, mBuffer, *mParser, [self = shared_from_this()](beast::error_code error, size_t) {
      self->mWaiting = false;
      self->answer(error);
    });
  }

  // Open: neither closed nor handed over to a WebSocket.
  bool open() const { return !mClosed; }
  // Waiting for a request that has not come whole yet, since the server's count said so.
  bool waiting() const { return mWaiting && !mClosed; }
  uint64_t waitingSince() const { return mWaitingSince; }

  // Closes the connection at once: its descriptor is free when this returns.
  void drop() {
    mClosed = true;
    mStream.close();
  }

private:
  void answer(beast::error_code error) {
    const bool tooLarge = error == http::error::body_limit;
    if (mClosed) return;  // dropped to make room
    if (error && !tooLarge) {
      mClosed = true;
      mStream.socket().shutdown(tcp::socket::shutdown_both, error);
      return;
    }
    http::request<http::string_body>& request = mParser->get();
    fw_EditorRequest in;
    in.method = std::string(request.method_string());
    in.target = std::string(request.target());
    in.host = std::string(request[http::field::host]);
    in.repeatedHost = request.count(http::field::host) > 1;
    in.hasOrigin = request.find(http::field::origin) != request.end();
    in.origin = std::string(request[http::field::origin]);
    in.tokenHeader = std::string(request["X-Dusk-Token"]);
    in.upgrade = websocket::is_upgrade(request);
    in.bodyTooLarge = tooLarge;
    if (!tooLarge) in.body = std::move(request.body());
    fw_EditorResponse out = fw_HandleEditorRequest(in, mServer.site);
    if (out.acceptUpgrade && mServer.openSockets() >= kMaxSockets)
      out = fw_EditorError(503, std::to_string(kMaxSockets) + " pages are open already; close one");

    if (out.acceptUpgrade) {
      mClosed = true;  // the WebSocket has the socket now
      mStream.expires_never();
      auto session = std::make_shared<SocketSession>(mStream.release_socket());
      mServer.sockets.push_back(session);
      session->accept(mParser->release());
      return;
    }
    auto response = std::make_shared<http::response<http::string_body>>(static_cast<http::status>(out.status),
                                                                         request.version());
    response->set(http::field::content_type, out.contentType);
    response->set(http::field::cache_control, "no-store");
    response->set("Referrer-Policy", "no-referrer");
    response->set("X-Content-Type-Options", "nosniff");
    response->body() = out.body;
    // After a refused body the rest of it is still on the wire: the connection ends.
    response->keep_alive(request.keep_alive() && !tooLarge);
    response->prepare_payload();
    mStream.expires_after(kAnswerDeadline);
    http::async_write(mStream, *response, [self = shared_from_this(), response](beast::error_code error, size_t) {
      if (self->mClosed) return;
      if (!error && response->keep_alive()) {
        self->read();
        return;
      }
      self->mClosed = true;
      self->mStream.socket().shutdown(tcp::socket::shutdown_both, error);
    });
  }

  beast::tcp_stream mStream;
  beast::flat_buffer mBuffer;
  std::optional<http::request_parser<http::string_body>> mParser;
  fw_EditorServer::Impl& mServer;
  uint64_t mWaitingSince = 0;
  bool mWaiting = false;
  bool mClosed = false;
};

}  // namespace

// ---- the server ----

void fw_EditorServer::Impl::acceptNext() {
  acceptor.async_accept([this](beast::error_code error, tcp::socket socket) {
    if (error == asio::error::operation_aborted) return;
    if (error) return acceptFailed(error);
    acceptRetry = kAcceptRetryFirst;
    // Room is made before the new connection counts, so that it is not the one closed; when every
    // other one is answering, the new one is closed instead (with its socket, here).
    if (keepWithinCap()) {
      auto session = std::make_shared<HttpSession>(std::move(socket), *this);
      connections.push_back(session);
      session->read();
    }
    acceptNext();
  });
}

// Out of descriptors, accepting again at once fails again at once: the thread would spin and
// the connections it holds would starve the rest of the show. So fewer are kept, and the next
// try waits.
void fw_EditorServer::Impl::acceptFailed(const beast::error_code& error) {
  namespace errc = boost::system::errc;
  const bool outOfDescriptors = error == errc::too_many_files_open || error == errc::too_many_files_open_in_system ||
                                error == errc::no_buffer_space || error == errc::not_enough_memory;
  if (outOfDescriptors) {
    const size_t open = openConnections();
    connectionCap = std::min(connectionCap, std::max(kLeastConnections, open > kDescriptorReserve ? open - kDescriptorReserve : 0));
    keepWithinCap();
  }
  if (!acceptFailureLogged) {
    acceptFailureLogged = true;
    fw_EditorLog(fw_LogWarning,
           "Timeline editor: a connection could not be taken (%s); at most %zu are kept from now on, and taking "
           "the next waits a moment after a failure.",
           error.message().c_str(), connectionCap);
  }
  acceptTimer.expires_after(acceptRetry);
  acceptRetry = std::min(acceptRetry * 2, kAcceptRetryMost);
  acceptTimer.async_wait([this](beast::error_code error) {
    if (!error) acceptNext();
  });
}

size_t fw_EditorServer::Impl::openConnections() {
  connections.erase(std::remove_if(connections.begin(), connections.end(),
                                   [](const std::weak_ptr<HttpSession>& weak) {
                                     const auto session = weak.lock();
                                     return !session || !session->open();
                                   }),
                    connections.end());
  return connections.size();
}

size_t fw_EditorServer::Impl::openSockets() {
  sockets.erase(std::remove_if(sockets.begin(), sockets.end(),
                               [](const std::weak_ptr<SocketSession>& weak) { return weak.expired(); }),
                sockets.end());
  return sockets.size();
}

bool fw_EditorServer::Impl::keepWithinCap() {
  for (size_t open = openConnections(); open >= connectionCap; --open) {
    std::shared_ptr<HttpSession> longest;
    for (const auto& weak : connections) {
      const auto session = weak.lock();
      if (session && session->waiting() && (!longest || session->waitingSince() < longest->waitingSince()))
        longest = session;
    }
    if (!longest) return false;
    longest->drop();
  }
  return true;
}

void fw_EditorServer::Impl::broadcast(const std::string& message, bool onlyIdle) {
  for (auto it = sockets.begin(); it != sockets.end();) {
    std::shared_ptr<SocketSession> session = it->lock();
    if (!session) {
      it = sockets.erase(it);
      continue;
    }
    // A state is dropped for a page still taking the last one: the next is newer anyway.
    if (session->open() && (!onlyIdle || session->idle())) session->send(message);
    ++it;
  }
}

void fw_EditorServer::Impl::tickState() {
  stateTimer.expires_after(kStateInterval);
  stateTimer.async_wait([this](beast::error_code error) {
    if (error) return;
    if (!sockets.empty() && site.bridge) {
      const fw_EditorShowState state = site.bridge->latest();
      if (state.frame > 0) broadcast(StateMessage(state), true);
    }
    tickState();
  });
}

std::map<std::string, std::string> fw_EditorServer::Impl::readVersions() const {
  std::map<std::string, std::string> now;
  for (const std::string& name : fw_ListEditorSources(site.tracksDir)) {
    std::string text;
    if (fw_ReadEditorSource(site.tracksDir, name, &text)) now[name] = fw_EditorVersion(text);
  }
  return now;
}

void fw_EditorServer::Impl::tickFiles() {
  filesTimer.expires_after(kFilesInterval);
  filesTimer.async_wait([this](beast::error_code error) {
    if (error) return;
    std::map<std::string, std::string> now = readVersions();
    nlohmann::json changed = nlohmann::json::array();
    for (const auto& [name, version] : now) {
      auto before = versions.find(name);
      if (before == versions.end() || before->second != version) changed.push_back(name);
    }
    for (const auto& [name, version] : versions) {
      if (!now.count(name)) changed.push_back(name);  // removed
    }
    versions = std::move(now);
    if (!changed.empty()) broadcast(fw_EditorDump(nlohmann::json{{"type", "files"}, {"changed", changed}}), false);
    tickFiles();
  });
}

std::unique_ptr<fw_EditorServer> fw_EditorServer::start(fw_EditorSite site, std::string* error) {
  auto impl = std::make_unique<Impl>(std::move(site));
  beast::error_code code;
  const tcp::endpoint endpoint(asio::ip::make_address_v4("127.0.0.1"), static_cast<unsigned short>(impl->site.port));
  impl->acceptor.open(endpoint.protocol(), code);
  if (!code) impl->acceptor.set_option(asio::socket_base::reuse_address(true), code);
  if (!code) impl->acceptor.bind(endpoint, code);
  if (!code) impl->acceptor.listen(asio::socket_base::max_listen_connections, code);
  if (code) {
    *error = "127.0.0.1:" + std::to_string(impl->site.port) + " cannot be served (" + code.message() + ")";
    return nullptr;
  }
  impl->site.port = impl->acceptor.local_endpoint().port();
  impl->versions = impl->readVersions();
  impl->acceptNext();
  impl->tickState();
  impl->tickFiles();
  Impl* raw = impl.get();
  impl->thread = std::thread([raw] {
    pthread_setname_np(pthread_self(), "editor-server");
    // A handler that throws is logged and the loop goes on: this thread must not end the show.
    for (;;) {
      try {
        raw->io.run();
        return;
      } catch (const std::exception& error) {
        fw_EditorLog(fw_LogError, "Timeline editor: the server failed (%s) and goes on.", error.what());
      }
    }
  });
  return std::unique_ptr<fw_EditorServer>(new fw_EditorServer(std::move(impl)));
}

fw_EditorServer::fw_EditorServer(std::unique_ptr<Impl> impl) : mImpl(std::move(impl)) {}

fw_EditorServer::~fw_EditorServer() {
  // The pages are told the show went away, then the thread ends; what is left closes with it.
  asio::post(mImpl->io, [impl = mImpl.get()] {
    beast::error_code ignored;
    impl->acceptor.close(ignored);
    impl->acceptTimer.cancel();
    impl->stateTimer.cancel();
    impl->filesTimer.cancel();
    for (auto& weak : impl->sockets) {
      if (auto session = weak.lock()) session->close();
    }
  });
  // The close handshakes get a moment; a page that does not answer is cut off.
  std::thread stopper([impl = mImpl.get()] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    impl->io.stop();
  });
  if (mImpl->thread.joinable()) mImpl->thread.join();
  stopper.join();
}

int fw_EditorServer::port() const { return mImpl->site.port; }

std::string fw_EditorServer::url() const {
  return "http://127.0.0.1:" + std::to_string(mImpl->site.port) + "/?token=" + mImpl->site.token;
}
