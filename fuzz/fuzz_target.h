// The entry of one fuzz target. In a fuzz build it is libFuzzer's entry point; built with
// DUSK_FUZZ_REPLAY (the unit suite's regression test) every target is compiled into one program
// and registered by name, so that saved inputs replay through exactly the code the fuzzer ran.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef DUSK_FUZZ_REPLAY
#include <map>
#include <string>

namespace dusk_fuzz {
using Entry = int (*)(const uint8_t* data, size_t size);
inline std::map<std::string, Entry>& Targets() {
  static std::map<std::string, Entry> targets;
  return targets;
}
inline bool Register(const char* name, Entry entry) { return Targets().emplace(name, entry).second; }
}  // namespace dusk_fuzz

#define DUSK_FUZZ_TARGET(name)                                                          \
  static int FuzzOne_##name(const uint8_t* data, size_t size);                          \
  [[maybe_unused]] static const bool kRegistered_##name = dusk_fuzz::Register(#name, FuzzOne_##name); \
  static int FuzzOne_##name(const uint8_t* data, size_t size)
#else
#define DUSK_FUZZ_TARGET(name) extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
#endif
