#include "log_capture.h"

#include "diag/fw_Log.h"

LogCapture::LogCapture() {
  fw_SetLogListener([this](int level, const char* message) {
    std::lock_guard<std::mutex> lock(mMutex);
    mLines.emplace_back(level, message);
  });
}

LogCapture::~LogCapture() { fw_SetLogListener(nullptr); }

std::vector<std::pair<int, std::string>> LogCapture::lines() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mLines;
}

bool LogCapture::contains(const std::string& text, int level) const {
  std::lock_guard<std::mutex> lock(mMutex);
  for (auto& [l, m] : mLines)
    if ((level < 0 || l == level) && m.find(text) != std::string::npos) return true;
  return false;
}

void LogCapture::clear() {
  std::lock_guard<std::mutex> lock(mMutex);
  mLines.clear();
}
