// libFuzzer target: the program's command line, the input's NUL-separated strings as argv[1..],
// through the capture options, their validation and the start-up options in the order the
// program's entry point uses them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_target.h"
#include "app/fw_StartupOptions.h"
#include "capture/fw_CaptureOptions.h"

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

  fw_CaptureSettings capture;
  std::vector<const char*> rest{argv[0]};
  std::string error;
  for (int i = 1; i < argc; ++i) {
    const int used = fw_ParseCaptureOption(argc, argv.data(), i, &capture, &error);
    if (!error.empty()) break;
    if (used < 0 || i + used > argc) __builtin_trap();  // consumed arguments that are not there
    if (used > 0) {
      i += used - 1;
      continue;
    }
    rest.push_back(argv[i]);
  }
  fw_StartupOptions options;
  if (error.empty()) fw_ParseStartupOptions(static_cast<int>(rest.size()), rest.data(), &options, &error);
  if (error.empty()) fw_ValidateCaptureSettings(capture, options.live, &error);
  return 0;
}
