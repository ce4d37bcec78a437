// The editor's answer to one HTTP request, as a function of the request and the site, with no
// sockets: the server thread reads the request with Boost.Beast, calls this, and writes the
// answer. Every request passes the gate first (Host, token, Origin, body size); an error answer
// is JSON {"error": "..."} and changes nothing.
#pragma once

#include <cstddef>
#include <string>

class fw_EditorBridge;

// Bodies above this are refused with 413.
inline constexpr size_t kFwEditorMaxBody = 1024 * 1024;

struct fw_EditorRequest {
  std::string method;  // "GET", "POST", ...
  std::string target;  // "/api/tracks?token=..."
  std::string host;
  bool repeatedHost = false;  // more than one Host header came
  bool hasOrigin = false;
  std::string origin;
  std::string tokenHeader;  // X-Dusk-Token
  bool upgrade = false;     // asks for a WebSocket
  bool bodyTooLarge = false;  // the reader stopped at the limit
  std::string body;
};

struct fw_EditorResponse {
  int status = 200;
  std::string contentType = "application/json";
  std::string body;
  bool acceptUpgrade = false;  // the WebSocket may be opened
};

// What requests work on. The handler reads and writes files under tracksDir and pageDir only.
struct fw_EditorSite {
  std::string token;  // 32 lowercase hex characters
  int port = 0;
  std::string tracksDir;  // the production's tracks/
  std::string pageDir;    // the page's files: <framework root>/editor
  std::string showJson;   // GET /api/show's answer
  fw_EditorBridge* bridge = nullptr;  // where transport commands go
};

// Never throws: a handler that fails answers 500 with the reason, which is logged as an error.
fw_EditorResponse fw_HandleEditorRequest(const fw_EditorRequest& request, const fw_EditorSite& site);

fw_EditorResponse fw_EditorError(int status, const std::string& message);

// A fresh token: 32 lowercase hex characters from the system's random source.
std::string fw_MakeEditorToken();
