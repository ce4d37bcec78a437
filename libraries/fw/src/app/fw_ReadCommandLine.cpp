// The command line: the added parsers look at each argument first; what none of them takes goes to
// the start-up presets, which refuse what they do not know.
#include "app/fw_ReadCommandLine.h"

#include "diag/fw_Exit.h"

#include <cstring>
#include <vector>

namespace {
std::vector<fw_OptionParser>& Parsers() {
  static std::vector<fw_OptionParser> parsers;
  return parsers;
}
}  // namespace

void fw_AddOptionParser(const fw_OptionParser& parser) { Parsers().push_back(parser); }

fw_CommandLineAction fw_ReadCommandLine(int argc, const char* const* argv, std::string* error) {
  fw_StartupOptions& options = fw_GetStartupOptions();
  std::vector<const char*> rest{argc > 0 ? argv[0] : ""};
  error->clear();
  for (int i = 1; i < argc; ++i) {
    if (!argv[i]) continue;
    if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) return fw_CommandLineAction::Help;
    if (!strcmp(argv[i], "--version")) return fw_CommandLineAction::Version;
    int used = 0;
    for (const fw_OptionParser& parser : Parsers()) {
      if (!parser.parse) continue;
      used = parser.parse(argc, argv, i, &options, error);
      FW_ASSERT(used >= 0 && used <= argc - i, "an option parser took arguments that are not there");
      if (!error->empty()) return fw_CommandLineAction::Refused;
      if (used > 0) break;
    }
    if (used > 0) {
      i += used - 1;
      continue;
    }
    rest.push_back(argv[i]);
  }
  if (!fw_ParseStartupOptions(static_cast<int>(rest.size()), rest.data(), &options, error))
    return fw_CommandLineAction::Refused;
  for (const fw_OptionParser& parser : Parsers())
    if (parser.finish && !parser.finish(&options, error)) return fw_CommandLineAction::Refused;
  return fw_CommandLineAction::Run;
}

std::string fw_StartupUsage(const std::string& name) {
  const std::string indent(std::strlen("usage: ") + name.size() + 1, ' ');
  std::string text = "usage: " + name + " [--no-dialog] [--windowed | --fullscreen] [--mute] [--alerts box|console|off]\n" +
                     indent + "[--log FILE] [--echo] [--render-scale F] [--sub-frames N] [--gl-debug]\n";
  for (const fw_OptionParser& parser : Parsers()) {
    // Each line of the parser's text, indented under the first line's options.
    for (const char* line = parser.usage; line && *line;) {
      const char* end = std::strchr(line, '\n');
      const size_t length = end ? static_cast<size_t>(end - line) : std::strlen(line);
      text += indent + std::string(line, length) + "\n";
      line += length + (end ? 1 : 0);
    }
  }
  return text + "       " + name + " --help | --version\n" +
         "       (--check with any of these: check them and end, 0 when a run would start)\n";
}
