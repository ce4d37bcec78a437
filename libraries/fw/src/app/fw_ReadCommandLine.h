// The program's command line: --help, --version, the framework's start-up presets, and the options
// of libraries linked into the program, which add their parser here. An option nobody knows is
// refused, so a program built without a library refuses that library's options.
#pragma once

#include "app/fw_StartupOptions.h"

#include <string>

struct fw_OptionParser {
  // Looks at argv[index] before the start-up presets do: how many arguments it took (0: not one of
  // its options). A missing or bad value sets *error to a message naming the option.
  int (*parse)(int argc, const char* const* argv, int index, fw_StartupOptions* options, std::string* error) = nullptr;
  // After every option was read: false with a message when they do not go together.
  bool (*finish)(fw_StartupOptions* options, std::string* error) = nullptr;
  // Its lines of the usage text, each ending in a newline; the indent is added.
  const char* usage = "";
};

void fw_AddOptionParser(const fw_OptionParser& parser);

enum class fw_CommandLineAction { Run, Help, Version, Refused };

// Reads argv[1..] into fw_GetStartupOptions() and the added parsers' records. The first --help
// (or -h) or --version decides, unless an option before it was refused; Refused comes with the
// message in *error.
fw_CommandLineAction fw_ReadCommandLine(int argc, const char* const* argv, std::string* error);

// The usage text for --help and errors, for the program's name.
std::string fw_StartupUsage(const std::string& name);
