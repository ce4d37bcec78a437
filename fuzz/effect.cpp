// libFuzzer target: effect-file text through include expansion, the section parser, the stage
// text builder and the compiler-log mapper, with no GL. The first NUL byte splits the input into
// the effect file and the text every #include resolves to.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_target.h"
#include "../libraries/platform/d3dx10/effect_parse_p.h"

DUSK_FUZZ_TARGET(effect) {
  const char* text = reinterpret_cast<const char*>(data);
  const char* split = static_cast<const char*>(std::memchr(text, 0, size));
  const std::string effect(text, split ? static_cast<size_t>(split - text) : size);
  const std::string included = split ? std::string(split + 1, text + size) : std::string();

  // Only "found.fxi" resolves, to the included text (and so it may include itself).
  auto resolve = [&](const std::string& name, const std::string&, std::string* out, std::string*) {
    if (name != "found.fxi") return false;
    *out = included;
    return true;
  };
  d3dx10fx::Expanded expanded;
  std::vector<std::string> errors;
  if (!d3dx10fx::ExpandIncludes(effect, "fuzz.fx", resolve, &expanded, &errors)) return 0;
  const std::string written = d3dx10fx::WriteExpanded(expanded);

  d3dx10fx::ParsedEffect parsed;
  if (!d3dx10fx::ParseEffect(std::move(expanded), &parsed, &errors)) return 0;
  for (const d3dx10fx::StageSection& stage : parsed.stages) {
    (void)d3dx10fx::StageSource(parsed, stage, {{"FUZZ", "1"}});
  }
  (void)d3dx10fx::MapCompilerLog("0:3(7): error: x\nERROR: 0:1: y\n0:999999(1): error: z\n", parsed.source);
  return 0;
}
