// Command lines for the process start, which splits them back into arguments by the platform's
// runtime rules (blanks separate; double quotes group; backslashes escape a quote).
#pragma once

#include <string>
#include <vector>

// One argument, quoted so that it splits back to itself.
std::string fw_QuotedArgument(const std::string& arg);
// The arguments joined into one command line.
std::string fw_CommandLine(const std::vector<std::string>& args);
