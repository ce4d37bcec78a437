// Entry point of "amber over the hills".
#include <cstdio>

int main() {
  std::puts("dusk: the application is being assembled; nothing to play yet.");
  return 0;
}
