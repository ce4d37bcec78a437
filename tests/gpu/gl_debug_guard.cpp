// Linked into every GPU test: GL error checking is on for every device the test makes, and a GL
// error fails the test that was running, with the message naming the D3D10/D3DX10 call.
#include <platform/d3d10_debug.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const bool kInstalled = [] {
  // Before main, so before the first device of the process is made.
  setenv("DUSK_GL_DEBUG", "1", 1);
  platform::SetGlErrorHandler([](const char* message) { ADD_FAILURE() << message; });
  return true;
}();

}  // namespace
