// dusk-effect: the effect compiler. Reads an effect file, resolves its includes against the given
// shader directories (in order, as the framework's include handler does), checks every pass by
// compiling and linking its stages with glslangValidator, and writes the precompiled ".fxo": the
// same text with includes resolved and line markers naming the original files. Exit status 0 on
// success, 1 when the effect has errors (each printed as "file:line: message"), 2 on bad usage.
#include "../../libraries/platform/d3dx10/effect_parse_p.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Usage() {
  fprintf(stderr,
          "usage: dusk-effect [--include-dir DIR]... [--validator PATH] [--no-validate] -o OUT.fxo IN.fx\n"
          "  Includes are looked up in each --include-dir in the order given, then beside IN.fx.\n");
}

bool WriteFile(const std::string& path, const std::string& text) {
  std::string temporary = path + ".tmp";
  FILE* f = fopen(temporary.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = (fclose(f) == 0) && ok;
  // Renamed into place so a failed run never leaves half a file that looks compiled.
  return ok && rename(temporary.c_str(), path.c_str()) == 0;
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs a command; its output (stdout and stderr together) goes to *output.
int Run(const std::string& command, std::string* output) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) output->append(buffer, n);
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

// Compiles and links the stages of every pass. Each distinct combination is checked once.
bool Validate(const d3dx10fx::ParsedEffect& effect, const std::string& validator, const std::string& workDir) {
  using d3dx10fx::Stage;
  bool ok = true;
  std::vector<std::string> checked;
  int serial = 0;
  for (const d3dx10fx::TechniqueDecl& technique : effect.techniques) {
    for (const d3dx10fx::PassDecl& pass : technique.passes) {
      std::string key = pass.vertex + "|" + pass.geometry + "|" + pass.fragment;
      bool seen = false;
      for (const std::string& k : checked) seen = seen || k == key;
      if (seen) continue;
      checked.push_back(key);
      struct Part {
        Stage stage;
        const std::string* name;
        const char* extension;
      } parts[] = {{Stage::kVertex, &pass.vertex, ".vert"},
                   {Stage::kGeometry, &pass.geometry, ".geom"},
                   {Stage::kFragment, &pass.fragment, ".frag"}};
      std::string command = Quote(validator) + " -l";
      for (const Part& part : parts) {
        if (part.name->empty()) continue;
        const d3dx10fx::StageSection* section = effect.FindStage(part.stage, *part.name);
        std::string path = workDir + "/pass" + std::to_string(serial) + "_" + *part.name + part.extension;
        if (!WriteFile(path, d3dx10fx::StageSource(effect, *section, {}))) {
          fprintf(stderr, "dusk-effect: cannot write %s\n", path.c_str());
          return false;
        }
        command += " " + Quote(path);
      }
      ++serial;
      std::string output;
      int status = Run(command, &output);
      if (status != 0) {
        fprintf(stderr, "%s: error: pass \"%s\" of technique \"%s\" does not compile:\n",
                effect.Where(pass.line).c_str(), pass.name.c_str(), technique.name.c_str());
        // The validator names its temporary input files on lines of their own: not worth showing.
        std::string filtered;
        size_t start = 0;
        while (start < output.size()) {
          size_t end = output.find('\n', start);
          if (end == std::string::npos) end = output.size();
          std::string line = output.substr(start, end - start);
          if (line.compare(0, workDir.size(), workDir) != 0) filtered += line + "\n";
          start = end + 1;
        }
        std::string mapped = d3dx10fx::MapCompilerLog(filtered, effect.source);
        fprintf(stderr, "%s", mapped.empty() ? "    (no message from the validator)\n" : mapped.c_str());
        if (status < 0 || status == 127) {
          fprintf(stderr, "dusk-effect: could not run %s (install glslang-tools)\n", validator.c_str());
          return false;
        }
        ok = false;
      }
    }
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> includeDirs;
  std::string output, input, validator = "glslangValidator";
  bool validate = true;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if ((arg == "--include-dir" || arg == "-I") && i + 1 < argc) includeDirs.push_back(argv[++i]);
    else if (arg == "--validator" && i + 1 < argc) validator = argv[++i];
    else if (arg == "--no-validate") validate = false;
    else if (arg == "-o" && i + 1 < argc) output = argv[++i];
    else if (!arg.empty() && arg[0] != '-' && input.empty()) input = arg;
    else {
      Usage();
      return 2;
    }
  }
  if (input.empty() || output.empty()) {
    Usage();
    return 2;
  }

  std::string text;
  if (!d3dx10fx::ReadTextFile(input, &text)) {
    fprintf(stderr, "%s: error: cannot read the effect file\n", input.c_str());
    return 1;
  }
  includeDirs.push_back(DirectoryOf(input));
  d3dx10fx::IncludeResolver resolve = [&](const std::string& name, const std::string&, std::string* content,
                                          std::string* resolved) {
    for (const std::string& dir : includeDirs) {
      std::string path = dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
      if (d3dx10fx::ReadTextFile(path, content)) {
        *resolved = path;
        return true;
      }
    }
    return false;
  };
  std::vector<std::string> errors;
  d3dx10fx::Expanded expanded;
  d3dx10fx::ParsedEffect parsed;
  bool ok = d3dx10fx::ExpandIncludes(text, input, resolve, &expanded, &errors);
  std::string compiled = d3dx10fx::WriteExpanded(expanded);
  ok = ok && d3dx10fx::ParseEffect(std::move(expanded), &parsed, &errors);
  for (const std::string& e : errors) fprintf(stderr, "%s\n", e.c_str());
  if (!ok) return 1;
  for (const d3dx10fx::UniformDecl& u : parsed.uniforms)
    if (u.initializerUnread)
      fprintf(stderr, "%s: note: the initial value of \"%s\" is left to the GL compiler\n",
              parsed.Where(u.line).c_str(), u.name.c_str());

  if (validate) {
    char work[] = "/tmp/dusk-effect-XXXXXX";
    if (!mkdtemp(work)) {
      fprintf(stderr, "dusk-effect: cannot make a temporary directory\n");
      return 1;
    }
    ok = Validate(parsed, validator, work);
    std::string cleanup;
    Run("rm -rf " + Quote(work), &cleanup);
    if (!ok) return 1;
  }
  std::string header = "// Precompiled by dusk-effect from " + input + "; edit the source, not this file.\n";
  if (!WriteFile(output, header + compiled)) {
    fprintf(stderr, "dusk-effect: cannot write %s\n", output.c_str());
    return 1;
  }
  return 0;
}
