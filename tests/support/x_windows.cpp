#include "x_windows.h"

#include "process_runner.h"

#include <fcntl.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <regex>
#include <thread>

namespace {

struct Connection {
  xcb_connection_t* c = nullptr;
  xcb_window_t root = 0;
  xcb_atom_t netWmName = XCB_NONE, netWmPid = XCB_NONE, utf8 = XCB_NONE;

  Connection() {
    int screenNumber = 0;
    c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) return;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    if (screens.rem) root = screens.data->root;
    netWmName = atom("_NET_WM_NAME");
    netWmPid = atom("_NET_WM_PID");
    utf8 = atom("UTF8_STRING");
  }
  ~Connection() { xcb_disconnect(c); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool ok() const { return root != 0 && !xcb_connection_has_error(c); }

  xcb_atom_t atom(const char* name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(strlen(name)), name), nullptr), free);
    return reply ? reply->atom : XCB_NONE;
  }

  // A property's bytes; empty when the window lacks it or is gone (the error is dropped, and with
  // it only this window's answer).
  std::string property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
    if (property == XCB_NONE) return {};
    std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 4096), nullptr), free);
    if (!reply || reply->type == XCB_NONE) return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<size_t>(xcb_get_property_value_length(reply.get())));
  }

  bool describe(xcb_window_t window, XWindowInfo* info) {
    auto attributesCookie = xcb_get_window_attributes(c, window);
    auto geometryCookie = xcb_get_geometry(c, window);
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&free)> attributes(
        xcb_get_window_attributes_reply(c, attributesCookie, nullptr), free);
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&free)> geometry(
        xcb_get_geometry_reply(c, geometryCookie, nullptr), free);
    if (!attributes || !geometry) return false;
    info->id = window;
    info->viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    info->width = geometry->width;
    info->height = geometry->height;
    info->name = property(window, netWmName, utf8);
    if (info->name.empty()) info->name = property(window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY);
    const std::string pid = property(window, netWmPid, XCB_ATOM_CARDINAL);
    info->pid = 0;
    if (pid.size() >= 4) info->pid = static_cast<int>(*reinterpret_cast<const uint32_t*>(pid.data()));
    return true;
  }

  std::vector<xcb_window_t> children(xcb_window_t window) {
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&free)> reply(
        xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr), free);
    if (!reply) return {};
    const xcb_window_t* first = xcb_query_tree_children(reply.get());
    return std::vector<xcb_window_t>(first, first + xcb_query_tree_children_length(reply.get()));
  }
};

unsigned long parseId(const std::string& windowId) { return strtoul(windowId.c_str(), nullptr, 0); }

}  // namespace

XServerHold::XServerHold() {
  const char* display = getenv("DISPLAY");
  if (!display || !*display) return;
  // A connection accepted just as the server resets is cut at once; a round trip tells.
  for (int attempt = 0; attempt < 50; ++attempt) {
    mConnection = xcb_connect(nullptr, nullptr);
    if (!xcb_connection_has_error(mConnection)) {
      free(xcb_get_input_focus_reply(mConnection, xcb_get_input_focus(mConnection), nullptr));
      if (!xcb_connection_has_error(mConnection)) {
        fcntl(xcb_get_file_descriptor(mConnection), F_SETFD, FD_CLOEXEC);  // not the program's to keep
        return;
      }
    }
    xcb_disconnect(mConnection);
    mConnection = nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

XServerHold::~XServerHold() {
  if (mConnection) xcb_disconnect(mConnection);
}

std::vector<XWindowInfo> ListXWindows() {
  Connection x;
  std::vector<XWindowInfo> windows;
  if (!x.ok()) return windows;
  std::vector<xcb_window_t> pending = x.children(x.root);
  for (size_t i = 0; i < pending.size(); ++i) {
    XWindowInfo info;
    if (!x.describe(pending[i], &info)) continue;  // gone since its parent was read
    windows.push_back(info);
    for (xcb_window_t child : x.children(pending[i])) pending.push_back(child);
  }
  return windows;
}

std::string DescribeXWindows() {
  std::string text;
  for (const XWindowInfo& w : ListXWindows()) {
    char line[160];
    snprintf(line, sizeof(line), "0x%lx %dx%d %s pid %d '", w.id, w.width, w.height,
             w.viewable ? "viewable" : "not viewable", w.pid);
    text += line + w.name + "'\n";
  }
  return text.empty() ? "(no windows, or no display)\n" : text;
}

std::string FindXWindow(const std::string& name, double timeoutSeconds, int pid) {
  const std::regex pattern(name);
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  for (;;) {
    for (const XWindowInfo& w : ListXWindows()) {
      if (w.viewable && (pid <= 0 || w.pid == pid) && std::regex_match(w.name, pattern)) return std::to_string(w.id);
    }
    if (std::chrono::steady_clock::now() >= end) return "";
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

bool WaitForXWindowGone(const std::string& name, double timeoutSeconds) {
  const std::regex pattern(name);
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  for (;;) {
    bool present = false;
    for (const XWindowInfo& w : ListXWindows()) present |= w.viewable && std::regex_match(w.name, pattern);
    if (!present) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

bool XWindowSize(const std::string& windowId, int* width, int* height) {
  Connection x;
  XWindowInfo info;
  *width = *height = -1;
  if (!x.ok() || !x.describe(static_cast<xcb_window_t>(parseId(windowId)), &info)) return false;
  *width = info.width;
  *height = info.height;
  return *width > 0 && *height > 0;
}

std::string XWindowName(const std::string& windowId) {
  Connection x;
  XWindowInfo info;
  if (!x.ok() || !x.describe(static_cast<xcb_window_t>(parseId(windowId)), &info)) return "";
  return info.name;
}

bool XKey(const std::string& windowId, const std::string& key) {
  int code = -1;
  RunCommand("xdotool windowactivate --sync " + windowId + " || xdotool windowfocus --sync " + windowId);
  RunCommand("xdotool key --clearmodifiers " + key, &code);
  return code == 0;
}

bool XClick(const std::string& windowId, int x, int y) {
  int code = -1;
  RunCommand("xdotool mousemove --sync --window " + windowId + " " + std::to_string(x) + " " + std::to_string(y) +
                 " click 1",
             &code);
  return code == 0;
}

bool WaitForXWindowName(const std::string& windowId, const std::string& text, double timeoutSeconds, std::string* name) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  for (;;) {
    *name = XWindowName(windowId);
    if (name->find(text) != std::string::npos) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}
