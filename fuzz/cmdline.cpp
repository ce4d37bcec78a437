// libFuzzer target: the program's command line, the input's NUL-separated strings as argv[1..],
// read as the program reads it (the tools' options, their checks and the start-up presets), and the
// usage text an error prints.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_target.h"
#include "app/fw_ReadCommandLine.h"
#include "capture/fw_CaptureOptions.h"
#include "tools/fw_ToolOptions.h"
#include "tools/fw_Tools.h"

DUSK_FUZZ_TARGET(cmdline) {
  std::vector<std::string> words{"dusk"};
  std::string word;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.push_back(word);
      word.clear();
    } else {
      word += static_cast<char>(data[i]);
    }
  }
  if (!word.empty()) words.push_back(word);
  std::vector<const char*> argv;
  for (const std::string& w : words) argv.push_back(w.c_str());
  const int argc = static_cast<int>(argv.size());

  // Each input starts from empty records, as a fresh process would.
  fw_UseTools();
  fw_GetStartupOptions() = fw_StartupOptions{};
  fw_GetCaptureSettings() = fw_CaptureSettings{};
  fw_GetToolOptions() = fw_ToolOptions{};
  std::string error;
  if (fw_ReadCommandLine(argc, argv.data(), &error) == fw_CommandLineAction::Refused && error.empty())
    __builtin_trap();  // refused without saying why
  if (fw_StartupUsage(words[0]).empty()) __builtin_trap();
  return 0;
}
