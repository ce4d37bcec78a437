// The gate every request passes, and the routes. Sections: gate · page files · routes.
#include "editor/fw_EditorRequest.h"

#include "diag/fw_Log.h"
#include "editor/fw_EditorApi.h"
#include "editor/fw_EditorJson.h"
#include "editor/fw_EditorLog.h"
#include "editor/fw_EditorTracks.h"

#include <boost/filesystem.hpp>
#include <nlohmann/json.hpp>

#include <fstream>
#include <random>
#include <sstream>

namespace {

// ---- gate ----

std::string QueryValue(const std::string& query, const std::string& key) {
  std::istringstream parts(query);
  for (std::string part; std::getline(parts, part, '&');) {
    if (part.compare(0, key.size() + 1, key + "=") == 0) return part.substr(key.size() + 1);
  }
  return "";
}

// Compares in time that does not depend on where the first difference is.
bool SameToken(const std::string& given, const std::string& token) {
  if (given.size() != token.size()) return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < token.size(); ++i) difference |= static_cast<unsigned char>(given[i] ^ token[i]);
  return difference == 0;
}

// Nothing but the page itself, at the address the server printed, may talk to the server: a
// name that merely resolves to 127.0.0.1 (DNS rebinding) is another site.
bool OwnHost(const std::string& host, int port) {
  const std::string suffix = ":" + std::to_string(port);
  return host == "127.0.0.1" + suffix || host == "localhost" + suffix;
}

bool OwnOrigin(const std::string& origin, int port) {
  return origin.compare(0, 7, "http://") == 0 && OwnHost(origin.substr(7), port);
}

// ---- page files ----

std::string ContentType(const std::string& name) {
  const std::string ext = boost::filesystem::path(name).extension().string();
  if (ext == ".html") return "text/html; charset=utf-8";
  if (ext == ".js" || ext == ".mjs") return "text/javascript; charset=utf-8";
  if (ext == ".css") return "text/css; charset=utf-8";
  if (ext == ".json") return "application/json";
  if (ext == ".svg") return "image/svg+xml";
  if (ext == ".png") return "image/png";
  if (ext == ".ico") return "image/x-icon";
  if (ext == ".md" || ext == ".txt") return "text/plain; charset=utf-8";
  return "application/octet-stream";
}

fw_EditorResponse PageFile(const std::string& name, const fw_EditorSite& site) {
  // One name inside the page's folder: no folders, no dot files, no "..".
  if (!fw_IsEditorSourceName(name)) return fw_EditorError(404, "no such file: " + name);
  const std::string path = site.pageDir + "/" + name;
  boost::system::error_code error;
  std::ifstream file(path, std::ios::binary);
  if (!boost::filesystem::is_regular_file(path, error) || !file)
    return fw_EditorError(404, "no such file: " + name);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  fw_EditorResponse response;
  response.contentType = ContentType(name);
  response.body = bytes.str();
  return response;
}

}  // namespace

fw_EditorResponse fw_EditorError(int status, const std::string& message) {
  fw_EditorResponse response;
  response.status = status;
  response.body = fw_EditorDump(nlohmann::json{{"error", message}});
  return response;
}

std::string fw_MakeEditorToken() {
  std::random_device random;  // the system's random source
  static const char kHex[] = "0123456789abcdef";
  std::string token;
  for (int i = 0; i < 32; i += 8) {
    const uint32_t bits = random();
    for (int j = 0; j < 8; ++j) token += kHex[(bits >> (4 * j)) & 15];
  }
  return token;
}

// ---- routes ----

namespace {

fw_EditorResponse Route(const fw_EditorRequest& request, const fw_EditorSite& site) {
  const size_t question = request.target.find('?');
  const std::string path = request.target.substr(0, question);
  const std::string query = question == std::string::npos ? "" : request.target.substr(question + 1);

  // Two Host headers could each be read by a different party as the one that counts.
  if (request.repeatedHost) return fw_EditorError(400, "a request has one Host header, not several");
  if (!OwnHost(request.host, site.port))
    return fw_EditorError(403, "the Host must be 127.0.0.1:" + std::to_string(site.port) + " or localhost:" +
                                   std::to_string(site.port));
  if ((request.upgrade || request.hasOrigin) && !OwnOrigin(request.origin, site.port))
    return fw_EditorError(403, "requests come only from the editor's own page");
  const std::string token = !request.tokenHeader.empty() ? request.tokenHeader : QueryValue(query, "token");
  if (token.empty()) return fw_EditorError(403, "the token is missing: open the address the show printed");
  if (!SameToken(token, site.token)) return fw_EditorError(403, "wrong token: open the address the show printed");
  if (request.bodyTooLarge || request.body.size() > kFwEditorMaxBody)
    return fw_EditorError(413, "the body is larger than " + std::to_string(kFwEditorMaxBody) + " bytes");

  auto only = [&](const char* method) { return request.method == method; };
  auto wrongMethod = [&](const char* method) {
    return fw_EditorError(405, path + " takes " + method + ", not " + request.method);
  };
  if (request.upgrade && path != "/ws") return fw_EditorError(400, "only /ws is a WebSocket");
  if (path == "/ws") {
    if (!only("GET")) return wrongMethod("GET");
    if (!request.upgrade) return fw_EditorError(426, "/ws is a WebSocket");
    fw_EditorResponse response;
    response.acceptUpgrade = true;
    return response;
  }
  if (path == "/api/show") {
    if (!only("GET")) return wrongMethod("GET");
    fw_EditorResponse response;
    response.body = site.showJson;
    return response;
  }
  if (path == "/api/tracks") return only("GET") ? fw_EditorGetTracks(site) : wrongMethod("GET");
  if (path == "/api/edit") return only("POST") ? fw_EditorPostEdit(request.body, site) : wrongMethod("POST");
  if (path == "/api/transport") return only("POST") ? fw_EditorPostTransport(request.body, site) : wrongMethod("POST");
  if (path.compare(0, 5, "/api/") == 0) return fw_EditorError(404, "no such call: " + path);
  if (path.empty() || path[0] != '/') return fw_EditorError(404, "no such file: " + path);
  if (!only("GET")) return wrongMethod("GET");
  return PageFile(path == "/" ? "index.html" : path.substr(1), site);
}

}  // namespace

fw_EditorResponse fw_HandleEditorRequest(const fw_EditorRequest& request, const fw_EditorSite& site) {
  // The server's thread is the show's too: whatever a handler throws ends here, not the process.
  std::string why;
  try {
    return Route(request, site);
  } catch (const std::exception& error) {
    why = error.what();
  } catch (...) {
    why = "an unknown failure";
  }
  fw_EditorLog(fw_LogError, "Timeline editor: %s %s failed: %s.", request.method.c_str(), request.target.c_str(), why.c_str());
  return fw_EditorError(500, "the editor failed on this request: " + why);
}
