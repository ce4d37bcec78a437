// The timeline editor's request handling without sockets: what a foreign web page, a rebinding
// name, a missing or wrong token, an oversized or malformed body and a path out of tracks/ get
// (a 4xx with a message, and no file changes); a stale version or a source with an error gets a
// 409 with the file as it is; the page's files and the calls answer the page. Bytes that are
// not UTF-8, in a source or a request, are answered as UTF-8 JSON.
#include "editor/fw_EditorBridge.h"
#include "editor/fw_EditorJson.h"
#include "editor/fw_EditorRequest.h"
#include "editor/fw_EditorTracks.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <boost/filesystem.hpp>

#include <fstream>
#include <iterator>

namespace {

namespace fs = boost::filesystem;
using nlohmann::json;

const std::string kToken = "0123456789abcdef0123456789abcdef";
const std::string kCamera = "track cam_Yaw\n0   1   linear  # start\n64  2   step\n";

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class EditorRequests : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(mRoot / "tracks" / "sub");
    fs::create_directories(mRoot / "editor");
    std::ofstream((mRoot / "tracks/camera.txt").string(), std::ios::binary) << kCamera;
    std::ofstream((mRoot / "tracks/broken.txt").string(), std::ios::binary) << "track a\n0 zero\n";
    std::ofstream((mRoot / "tracks/notes.md").string()) << "not a source\n";
    std::ofstream((mRoot / "tracks/sub/inner.txt").string()) << "track b\n";
    std::ofstream((mRoot / "secret.txt").string()) << "track secret\n0 1\n";
    std::ofstream((mRoot / "editor/index.html").string()) << "<!doctype html>";
    mSite.token = kToken;
    mSite.port = 7411;
    mSite.tracksDir = (mRoot / "tracks").string();
    mSite.pageDir = (mRoot / "editor").string();
    mSite.showJson = R"({"title":"t"})";
    mSite.bridge = &mBridge;
  }
  void TearDown() override { fs::remove_all(mRoot); }

  fw_EditorRequest Request(const std::string& method, const std::string& target, const std::string& body = "") {
    fw_EditorRequest request;
    request.method = method;
    request.target = target;
    request.host = "127.0.0.1:7411";
    request.tokenHeader = kToken;
    request.body = body;
    return request;
  }
  fw_EditorResponse Handle(const fw_EditorRequest& request) { return fw_HandleEditorRequest(request, mSite); }
  fw_EditorResponse Post(const std::string& target, const std::string& body) { return Handle(Request("POST", target, body)); }

  std::string CameraVersion() { return fw_EditorVersion(ReadAll(mRoot / "tracks/camera.txt")); }
  std::string Edit(const std::string& file, const std::string& version, const std::string& ops) {
    return R"({"file":")" + file + R"(","version":")" + version + R"(","ops":)" + ops + "}";
  }

  fs::path mRoot = fs::temp_directory_path() / fs::unique_path("editor-requests-%%%%%%");
  fw_EditorBridge mBridge;
  fw_EditorSite mSite;
};

// Every error is a JSON object with a message.
void ExpectError(const fw_EditorResponse& response, int status, const std::string& why) {
  EXPECT_EQ(response.status, status) << why << ": " << response.body;
  const json body = json::parse(response.body, nullptr, false);
  EXPECT_TRUE(body.is_object() && body["error"].is_string() && !body["error"].get<std::string>().empty())
      << why << ": " << response.body;
  EXPECT_FALSE(response.acceptUpgrade) << why;
}

}  // namespace

TEST_F(EditorRequests, TheTokenTheHostAndTheOriginKeepOtherSitesOut) {
  fw_EditorRequest request = Request("GET", "/api/tracks");
  EXPECT_EQ(Handle(request).status, 200);
  request.tokenHeader.clear();
  ExpectError(Handle(request), 403, "no token");
  request.target = "/api/tracks?token=" + kToken;
  EXPECT_EQ(Handle(request).status, 200) << "the token in the query";
  for (const std::string& wrong : {kToken.substr(1), kToken + "0", std::string(32, '0'), std::string("")}) {
    request.target = "/api/tracks?token=" + wrong;
    ExpectError(Handle(request), 403, "token \"" + wrong + "\"");
  }
  request.target = "/api/tracks?token=" + std::string(32, '0');
  request.tokenHeader = kToken.substr(0, 31) + "0";
  ExpectError(Handle(request), 403, "a wrong header is not saved by the query");

  // A page whose name resolves to 127.0.0.1 (DNS rebinding) sends its own name as the Host.
  for (const char* host : {"", "attacker.example:7411", "127.0.0.1", "127.0.0.1:80", "localhost:7412",
                           "127.0.0.1:7411.attacker.example", "[::1]:7411"}) {
    fw_EditorRequest foreign = Request("GET", "/api/tracks");
    foreign.host = host;
    ExpectError(Handle(foreign), 403, std::string("Host ") + host);
  }
  fw_EditorRequest local = Request("GET", "/api/tracks");
  local.host = "localhost:7411";
  EXPECT_EQ(Handle(local).status, 200);
  // Two Host headers: which one a proxy or a browser took is anyone's guess.
  local.repeatedHost = true;
  ExpectError(Handle(local), 400, "two Host headers");

  // A WebSocket must come from the page itself; so must any request that names its origin.
  fw_EditorRequest socket = Request("GET", "/ws?token=" + kToken);
  socket.tokenHeader.clear();
  socket.upgrade = true;
  ExpectError(Handle(socket), 403, "an upgrade without Origin");
  socket.hasOrigin = true;
  for (const char* origin : {"http://attacker.example", "http://127.0.0.1:7411.attacker.example", "https://127.0.0.1:7411",
                             "null", "http://localhost:7412", "http"}) {
    socket.origin = origin;
    ExpectError(Handle(socket), 403, std::string("Origin ") + origin);
  }
  socket.origin = "http://localhost:7411";
  EXPECT_TRUE(Handle(socket).acceptUpgrade);
  socket.upgrade = false;
  ExpectError(Handle(socket), 426, "/ws without an upgrade");
  fw_EditorRequest post = Request("POST", "/api/transport", R"({"pause":true})");
  post.hasOrigin = true;
  post.origin = "http://attacker.example";
  ExpectError(Handle(post), 403, "a POST from another origin");
  EXPECT_TRUE(mBridge.tryDrain().empty());
}

TEST_F(EditorRequests, OversizedBadOrMisshapenBodiesAreRefusedAndChangeNothing) {
  const std::string version = CameraVersion();
  fw_EditorRequest big = Request("POST", "/api/edit", std::string(kFwEditorMaxBody + 1, ' '));
  ExpectError(Handle(big), 413, "a body over 1 MiB");
  big.body.clear();
  big.bodyTooLarge = true;  // the reader stopped at the limit
  ExpectError(Handle(big), 413, "a body cut at the limit");

  const std::string okOp = R"({"op":"add","track":"cam_Yaw","key":{"row":8,"value":1,"kind":"step"}})";
  const std::vector<std::string> bad = {
      "", "{", "[1]", "null", R"({"file":"camera","version":")" + version + R"("})",
      Edit("camera", version, "[]"), Edit("camera", version, "{}"), Edit("camera", version, "[1]"),
      R"({"file":7,"version":")" + version + R"(","ops":[)" + okOp + "]}",
      Edit("camera", version, R"([{"op":"move","track":"cam_Yaw","row":0}])"),
      Edit("camera", version, R"([{"op":"delete","track":"cam_Yaw","row":-1}])"),
      Edit("camera", version, R"([{"op":"delete","track":"cam_Yaw","row":1.5}])"),
      Edit("camera", version, R"([{"op":"delete","track":"cam_Yaw","row":4294967296}])"),
      Edit("camera", version, R"([{"op":"delete","track":"cam_Yaw","row":"0"}])"),
      Edit("camera", version, R"([{"op":"add","track":"cam_Yaw","key":{"row":8,"value":"1","kind":"step"}}])"),
      Edit("camera", version, R"([{"op":"add","track":"cam_Yaw","key":{"row":8,"value":1e39,"kind":"step"}}])"),
      Edit("camera", version, R"([{"op":"add","track":"cam_Yaw","key":{"row":8,"value":1,"kind":"bezier"}}])"),
      Edit("camera", version, R"([{"op":"add","track":"cam_Yaw","key":{"row":8,"value":1}}])"),
      Edit("camera", version, R"([{"op":"add","track":"cam_Yaw"}])"),
      Edit("camera", version, "[" + okOp + R"(,{"op":"delete","track":"cam_Yaw","row":3}])"),  // no key: none applied
      Edit("camera", version, R"([{"op":"set","track":"cam_Roll","row":0,"key":{"row":0,"value":1,"kind":"step"}}])"),
  };
  for (const std::string& body : bad) ExpectError(Post("/api/edit", body), 400, body);
  for (const std::string& body : {std::string("{}"), std::string(R"({"seek":-1})"), std::string(R"({"seek":"8"})"),
                                  std::string(R"({"pause":1})"), std::string(R"({"loop":{"first":9,"last":8}})"),
                                  std::string(R"({"loop":[0,8]})"), std::string(R"({"seek":8,"pause":true})")})
    ExpectError(Post("/api/transport", body), 400, body);
  EXPECT_EQ(ReadAll(mRoot / "tracks/camera.txt"), kCamera);
  EXPECT_TRUE(mBridge.tryDrain().empty());
  ExpectError(Handle(Request("GET", "/api/edit")), 405, "GET /api/edit");
  ExpectError(Handle(Request("DELETE", "/")), 405, "DELETE /");
  ExpectError(Handle(Request("GET", "/api/nothing")), 404, "an unknown call");
}

TEST_F(EditorRequests, OnlyTheTracksFolderSourcesAndThePagesOwnFilesAreReachable) {
  const std::string version = CameraVersion();
  const std::string op = R"([{"op":"addTrack","track":"x"}])";
  for (const char* name : {"../secret", "/etc/passwd", "a/b", "sub/inner", ".hidden", "", "camera.txt/..", "..",
                           "camera\n"})
    ExpectError(Post("/api/edit", Edit(name, version, op)), 400, std::string("file ") + name);
  ExpectError(Post("/api/edit", Edit("notes", version, op)), 404, "a name with no .txt");
  EXPECT_EQ(ReadAll(mRoot / "secret.txt"), "track secret\n0 1\n");

  for (const char* path : {"/../secret.txt", "/%2e%2e/secret.txt", "/..%2fsecret.txt", "/sub/x", "/.hidden",
                           "//etc/passwd", "/nothing.js", "x"})
    ExpectError(Handle(Request("GET", path)), 404, path);
  const fw_EditorResponse page = Handle(Request("GET", "/?token=" + kToken));
  EXPECT_EQ(page.status, 200);
  EXPECT_EQ(page.body, "<!doctype html>");
  EXPECT_EQ(page.contentType, "text/html; charset=utf-8");

  // The listing: .txt files directly in tracks/, in name order; one that does not parse says why.
  const json tracks = json::parse(Handle(Request("GET", "/api/tracks")).body);
  ASSERT_EQ(tracks["files"].size(), 2u) << tracks.dump();
  EXPECT_EQ(tracks["files"][0]["name"], "broken");
  EXPECT_EQ(tracks["files"][0]["error"], "broken.txt:2: bad value 'zero' (a finite number)");
  EXPECT_EQ(tracks["files"][0]["tracks"].size(), 0u);
  EXPECT_EQ(tracks["files"][1]["version"], version);
  EXPECT_EQ(tracks["files"][1]["tracks"][0]["keys"][0], json({{"row", 0}, {"value", 1.0}, {"kind", "linear"}}));
}

TEST_F(EditorRequests, AnEditIsWrittenOnlyOverTheVersionItWasMadeOnAndTransportIsQueued) {
  const std::string version = CameraVersion();
  const std::string op = R"([{"op":"set","track":"cam_Yaw","row":0,"key":{"row":0,"value":0.1,"kind":"linear"}}])";
  const fw_EditorResponse done = Post("/api/edit", Edit("camera", version, op));
  ASSERT_EQ(done.status, 200) << done.body;
  const std::string written = "track cam_Yaw\n0   0.1 linear  # start\n64  2   step\n";
  EXPECT_EQ(ReadAll(mRoot / "tracks/camera.txt"), written);
  const json file = json::parse(done.body)["file"];
  EXPECT_EQ(file["version"], fw_EditorVersion(written));
  EXPECT_EQ(file["tracks"][0]["keys"][0]["value"], 0.1);

  // The same edit on the old version: the file changed since, so it is not written again.
  const fw_EditorResponse stale = Post("/api/edit", Edit("camera", version, R"([{"op":"delete","track":"cam_Yaw","row":64}])"));
  ExpectError(stale, 409, "a stale version");
  EXPECT_EQ(json::parse(stale.body)["file"]["version"], fw_EditorVersion(written));
  EXPECT_EQ(ReadAll(mRoot / "tracks/camera.txt"), written);
  const std::string brokenVersion = fw_EditorVersion(ReadAll(mRoot / "tracks/broken.txt"));
  const fw_EditorResponse broken = Post("/api/edit", Edit("broken", brokenVersion, R"([{"op":"addTrack","track":"b"}])"));
  ExpectError(broken, 409, "a source with an error");
  EXPECT_EQ(json::parse(broken.body)["file"]["error"], "broken.txt:2: bad value 'zero' (a finite number)");
  EXPECT_EQ(ReadAll(mRoot / "tracks/broken.txt"), "track a\n0 zero\n");
  // Nothing but the file itself was left in the folder (the write went through a temporary).
  int entries = 0;
  for (fs::directory_iterator it(mRoot / "tracks"), end; it != end; ++it) ++entries;
  EXPECT_EQ(entries, 4);

  EXPECT_EQ(Post("/api/transport", R"({"seek":96.5})").body, R"({"ok":true})");
  EXPECT_EQ(Post("/api/transport", R"({"pause":true})").status, 200);
  EXPECT_EQ(Post("/api/transport", R"({"loop":{"first":32,"last":63}})").status, 200);
  EXPECT_EQ(Post("/api/transport", R"({"loop":null})").status, 200);
  const std::vector<fw_EditorCommand> commands = mBridge.tryDrain();
  ASSERT_EQ(commands.size(), 4u);
  EXPECT_EQ(commands[0].row, 96.5f);
  EXPECT_TRUE(commands[1].paused);
  ASSERT_TRUE(commands[2].loop);
  EXPECT_EQ(commands[2].loop->last, 63);
  EXPECT_EQ(commands[3].kind, fw_EditorCommand::Kind::Loop);
  EXPECT_FALSE(commands[3].loop);
  EXPECT_EQ(fw_MakeEditorToken().find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_EQ(fw_MakeEditorToken().size(), 32u);
  EXPECT_NE(fw_MakeEditorToken(), fw_MakeEditorToken());
}

// A source saved as Latin-1 (a comment, a kind word) and a path with a 0xFF byte: every answer is
// JSON a browser reads, the odd bytes as U+FFFD, and a source whose only odd bytes are in its
// comments is still edited, byte for byte.
TEST_F(EditorRequests, BytesThatAreNotUtf8AreAnsweredAsUtf8AndLeftAsTheyAreInTheFile) {
  const std::string latin = "# caf\xe9 au lait\ntrack cam_Yaw\n0 1 step # outr\xe9\n64 2 linear\n";
  std::ofstream((mRoot / "tracks/camera.txt").string(), std::ios::binary) << latin;
  std::ofstream((mRoot / "tracks/broken.txt").string(), std::ios::binary) << "track a\n0 1 lin\xe9" "ar\n";

  const fw_EditorResponse listing = Handle(Request("GET", "/api/tracks"));
  ASSERT_EQ(listing.status, 200) << listing.body;
  const json files = json::parse(listing.body)["files"];
  EXPECT_EQ(files[0]["error"], "broken.txt:2: bad kind 'lin\xef\xbf\xbd" "ar' (step, linear, smooth, ramp, catmull or 0-255)") << listing.body;
  EXPECT_EQ(files[1]["error"], nullptr);
  EXPECT_EQ(files[1]["tracks"][0]["keys"].size(), 2u);

  const std::string op = R"([{"op":"set","track":"cam_Yaw","row":64,"key":{"row":64,"value":3,"kind":"linear"}}])";
  const fw_EditorResponse edited = Post("/api/edit", Edit("camera", fw_EditorVersion(latin), op));
  ASSERT_EQ(edited.status, 200) << edited.body;
  EXPECT_EQ(ReadAll(mRoot / "tracks/camera.txt"), "# caf\xe9 au lait\ntrack cam_Yaw\n0 1 step # outr\xe9\n64 3 linear\n");

  for (const char* path : {"/\xff", "/api/\xff", "/caf\xe9.js", "/ws\xff"}) {
    const fw_EditorResponse answer = Handle(Request("GET", path));
    ExpectError(answer, 404, std::string("GET ") + path);
    EXPECT_NE(answer.body.find("\xef\xbf\xbd"), std::string::npos) << answer.body;
  }
  ExpectError(Post("/api/edit", Edit("caf\xe9", "v", op)), 400, "a body that is not UTF-8");
  ExpectError(Post("/api/edit\xff", "{}"), 404, "POST to a path with 0xFF");
}

TEST(EditorJson, TheFirstByteThatIsNotUtf8IsFound) {
  EXPECT_EQ(fw_FirstNonUtf8(""), std::string::npos);
  EXPECT_EQ(fw_FirstNonUtf8("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5 \xf4\x8f\xbf\xbf"), std::string::npos);
  EXPECT_EQ(fw_FirstNonUtf8("caf\xe9"), 3u);                 // Latin-1
  EXPECT_EQ(fw_FirstNonUtf8("ab\xc3"), 2u);                  // cut short
  EXPECT_EQ(fw_FirstNonUtf8("\xc0\xaf"), 0u);               // an overlong '/'
  EXPECT_EQ(fw_FirstNonUtf8("x\xe0\x80\xaf"), 1u);          // another overlong form
  EXPECT_EQ(fw_FirstNonUtf8("\xed\xa0\x80"), 0u);           // a surrogate
  EXPECT_EQ(fw_FirstNonUtf8("\xf4\x90\x80\x80"), 0u);       // past U+10FFFF
  EXPECT_EQ(fw_FirstNonUtf8("\xe2\x82x"), 0u);              // a continuation byte missing
  EXPECT_EQ(fw_EditorDump(json{{"t", "caf\xe9"}}), "{\"t\":\"caf\xef\xbf\xbd\"}");
}
