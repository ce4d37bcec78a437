// The start-up summary of issues found while loading resources, with its singular and plural forms.
#pragma once

#include <cstdint>
#include <string>

// "WARNING: There were 1 issue found ... about this issue and how to resolve it." and the plural.
std::string fw_ResourceSummaryText(uint32_t count, const std::string& logPath);
