// Debug aids of the Direct3D 10 stand-in: GL errors caught through KHR_debug and named after the
// D3D10/D3DX10 call that made them, and counts of the GL objects alive behind its interfaces.
// Checking is on for devices created after EnableGlDebug() or with DUSK_GL_DEBUG=1 set.
#pragma once

#include <functional>

namespace platform {

// Turns GL error checking on for devices created from now on (the --gl-debug option): each error
// becomes an error report and the show goes on.
void EnableGlDebug();
// True when devices created now check for GL errors. DUSK_GL_DEBUG=1 in the environment turns
// checking on too, and a GL error then ends the process (for tests and developers).
bool GlDebugEnabled();
// GL errors and reports of undefined behaviour seen since the process started.
unsigned long long GlErrorCount();
// A handler that gets every GL error's message instead of the end of the process that
// DUSK_GL_DEBUG=1 asks for (the error is still reported); an empty function removes it.
void SetGlErrorHandler(std::function<void(const char* message)> handler);

struct GlObjectCounts {
  long textures = 0;  // textures and texture views
  long buffers = 0;
  long framebuffers = 0;
  long programs = 0;
  long shaders = 0;
  long vertexArrays = 0;
  long samplers = 0;
  long Total() const { return textures + buffers + framebuffers + programs + shaders + vertexArrays + samplers; }
};
// GL objects the stand-in holds now, over every device.
GlObjectCounts LiveGlObjects();

}  // namespace platform
