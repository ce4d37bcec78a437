// Test support: a log listener fixture that collects (level, message) pairs for assertions, and
// restores the log's outputs afterwards. Construct it in a test; it removes its listener when it
// goes out of scope.
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<std::pair<int, std::string>> lines() const;
  // True when some line at `level` (any level when -1) contains `text`.
  bool contains(const std::string& text, int level = -1) const;
  void clear();

 private:
  mutable std::mutex mMutex;
  std::vector<std::pair<int, std::string>> mLines;
};
