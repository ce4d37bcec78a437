// The start-up summary of resource issues.
#include "app/fw_ResourceSummary.h"

#include <cstdio>

std::string fw_ResourceSummaryText(uint32_t count, const std::string& logPath) {
  const char* format =
      "WARNING: There were %d issue%s found while loading resources, please look in: <%s>\nfor details about %s "
      "issue%s and how to resolve %s.";
  bool one = count == 1;
  // Sized to fit, so a long log path is never cut.
  int n = snprintf(nullptr, 0, format, static_cast<int>(count), one ? "" : "s", logPath.c_str(), one ? "this" : "these",
                   one ? "" : "s", one ? "it" : "them");
  std::string text(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
  snprintf(text.data(), text.size(), format, static_cast<int>(count), one ? "" : "s", logPath.c_str(),
           one ? "this" : "these", one ? "" : "s", one ? "it" : "them");
  text.pop_back();
  return text;
}
