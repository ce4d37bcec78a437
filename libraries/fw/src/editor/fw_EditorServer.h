// The editor's server: HTTP and WebSocket (Boost.Beast) on 127.0.0.1 only, on a thread of its own.
// Requests are answered by fw_HandleEditorRequest; every open WebSocket gets the show's latest
// state about 28 times a second and a "files" message within a second of a tracks/*.txt changing
// on disk (the folder is read every 250 ms). Destroying it closes every connection and joins the
// thread.
//
// Whatever a client does, the show goes on: a connection must bring its whole request within a
// few seconds, only a few connections are kept (the one waiting longest for its request makes
// room for a new one), a page's messages are small, and a process out of file descriptors keeps
// fewer connections rather than all it can get. The thread is named "editor-server".
#pragma once

#include "editor/fw_EditorRequest.h"

#include <memory>
#include <string>

class fw_EditorServer {
public:
  // Binds 127.0.0.1:site.port (0: a free port) and starts serving; null with *error saying why
  // when the port cannot be had.
  static std::unique_ptr<fw_EditorServer> start(fw_EditorSite site, std::string* error);
  ~fw_EditorServer();

  int port() const;
  // http://127.0.0.1:PORT/?token=TOKEN
  std::string url() const;

  struct Impl;

private:
  explicit fw_EditorServer(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> mImpl;
};
