// Test support: finds X windows on the test's display and drives them. The window tree is read
// over XCB, where a failed query costs only the window it asked about, so a window that appears
// or vanishes during the walk (SDL's GL probe window, GTK's own) never hides the others. Keys and
// clicks go through xdotool, aimed at one window id.
#pragma once

#include <string>
#include <vector>

// A connection to the display, held while the object lives. A virtual X server started without
// -noreset resets when its last client leaves: every window goes, and a connection it accepted in
// that moment is cut. A test's short queries coming and going while the program under test makes
// its first connections can leave that program running on with no window at all; with this held
// from before the program starts, the server never reaches zero clients under it.
class XServerHold {
 public:
  XServerHold();  // does nothing without a display
  ~XServerHold();
  XServerHold(const XServerHold&) = delete;
  XServerHold& operator=(const XServerHold&) = delete;

 private:
  struct xcb_connection_t* mConnection = nullptr;
};

struct XWindowInfo {
  unsigned long id = 0;
  std::string name;  // _NET_WM_NAME, else WM_NAME
  int pid = 0;       // _NET_WM_PID; 0 when the window does not say
  bool viewable = false;
  int width = 0, height = 0;
};

// Every window on the display, parents before children; empty when the display cannot be opened.
std::vector<XWindowInfo> ListXWindows();
// The same list as text, one window a line, for a failed test's message.
std::string DescribeXWindows();
// Window id of a viewable window whose whole name matches the regular expression `name`, polling up
// to timeoutSeconds. With a process id, only that process's windows count: a window of another
// program with the same title (a message box that has not left the screen yet) is never taken for it.
std::string FindXWindow(const std::string& name, double timeoutSeconds, int pid = 0);
// Whether no viewable window's name matches `name` any more, polling up to timeoutSeconds.
bool WaitForXWindowGone(const std::string& name, double timeoutSeconds);
// Inner (client) width and height of the X window.
bool XWindowSize(const std::string& windowId, int* width, int* height);
// The window's name as the X server holds it; empty when it has none or is gone.
std::string XWindowName(const std::string& windowId);
// Polls the window's name until it contains `text`, up to timeoutSeconds; *name gets the last one read.
bool WaitForXWindowName(const std::string& windowId, const std::string& text, double timeoutSeconds, std::string* name);
bool XKey(const std::string& windowId, const std::string& key);
bool XClick(const std::string& windowId, int x, int y);
