// libFuzzer target: the timeline editor's requests without sockets, and the JSON they answer.
// An input is up to four parts split at NUL bytes: the method, the target, the body, and the text
// of tracks/fuzz.txt (the file behind the edits and the listing). "VERSION" in the body stands for
// that text's version, so that edits get past the version check into the write-back. Each input
// is answered twice: the request itself and GET /api/tracks. Every JSON answer must parse (it is
// UTF-8 whatever bytes the request or the file held), every error must say why, and no request
// may end in the handler's last-resort catch.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>
#include <nlohmann/json.hpp>

#include "editor/fw_EditorBridge.h"
#include "editor/fw_EditorRequest.h"
#include "editor/fw_EditorTracks.h"
#include "fuzz_target.h"

namespace {

struct EditorFuzzSite {
  EditorFuzzSite() {
    boost::filesystem::create_directories(root / "tracks");
    boost::filesystem::create_directories(root / "editor");
    std::ofstream((root / "editor/index.html").string()) << "<!doctype html>";
    site.token = "0123456789abcdef0123456789abcdef";
    site.port = 7411;
    site.tracksDir = (root / "tracks").string();
    site.pageDir = (root / "editor").string();
    site.showJson = "{}";
    site.bridge = &bridge;
  }
  ~EditorFuzzSite() {
    boost::system::error_code ignored;
    boost::filesystem::remove_all(root, ignored);
  }
  const boost::filesystem::path root =
      boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("fuzz-editor-%%%%%%%%");
  fw_EditorBridge bridge;
  fw_EditorSite site;
};

std::vector<std::string> SplitAtNul(const std::string& bytes, size_t most) {
  std::vector<std::string> parts(1);
  for (char c : bytes) {
    if (c == '\0' && parts.size() < most)
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

void Check(const fw_EditorResponse& answer) {
  if (answer.contentType != "application/json") return;
  const nlohmann::json body = nlohmann::json::parse(answer.body, nullptr, false);
  if (body.is_discarded() || !body.is_object()) std::abort();
  if (answer.status >= 400 && !(body.contains("error") && body["error"].is_string())) std::abort();
  // The last-resort catch's answer (the message alone may be echoed back in any 404).
  if (answer.status == 500 && body["error"].get<std::string>().rfind("the editor failed on this request", 0) == 0)
    std::abort();
}

}  // namespace

DUSK_FUZZ_TARGET(editor_request) {
  static EditorFuzzSite fuzz;
  const std::vector<std::string> parts = SplitAtNul(std::string(reinterpret_cast<const char*>(data), size), 4);
  const std::string text = parts.size() > 3 ? parts[3] : "track fuzz_A\n0 1 linear\n8 2 step\n";
  std::ofstream(fuzz.site.tracksDir + "/fuzz.txt", std::ios::binary | std::ios::trunc) << text;

  fw_EditorRequest request;
  request.method = parts[0];
  request.target = parts.size() > 1 ? parts[1] : "/";
  request.host = "127.0.0.1:7411";
  request.tokenHeader = fuzz.site.token;
  request.body = parts.size() > 2 ? parts[2] : "";
  for (size_t at = request.body.find("VERSION"); at != std::string::npos; at = request.body.find("VERSION", at))
    request.body.replace(at, 7, fw_EditorVersion(text));
  Check(fw_HandleEditorRequest(request, fuzz.site));

  fw_EditorRequest listing;
  listing.method = "GET";
  listing.target = "/api/tracks";
  listing.host = request.host;
  listing.tokenHeader = request.tokenHeader;
  const fw_EditorResponse tracks = fw_HandleEditorRequest(listing, fuzz.site);
  if (tracks.status != 200) std::abort();
  Check(tracks);
  fuzz.bridge.tryDrain();
  return 0;
}
