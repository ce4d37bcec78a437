// The runtime's 15-bit generator, reproduced bit for bit.
#include <platform/crt.h>

#include <cstdint>

namespace {
uint32_t gState = 1;
}

namespace crt {

void srand(unsigned int seed) { gState = seed; }

int rand() {
  gState = gState * 214013u + 2531011u;
  return static_cast<int>((gState >> 16) & 0x7fffu);
}

}  // namespace crt
