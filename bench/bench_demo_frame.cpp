// Where a Demo frame's time goes: the production's own tracks at one row per section of the
// soundtrack (or the rows given), rendered by the framework's device. For each row it prints the
// median whole frame, and for each stretch of the frame (terrain, hero, models, mosaic, adds,
// leaves, bloom, composite; summed over the eight sub-frames) its time and the GL pipeline
// statistics: vertex and fragment shader invocations and the primitives sent to the clipper.
// Fragments over the frame's pixels is that stretch's overdraw.
//
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bin/bench_demo_frame [--rows 128,512,...]
//       [--frames N] [--size WxH] [--save DIR] [--source DIR]
//
// Whole frames run without anything in between; the split runs one more frame with the queries
// around each stretch, each read back before the next starts, so the split's sum is a little
// above the whole frame. --save writes each row's last whole frame as DIR/row_<row>.png, for
// setting two builds' pictures side by side. bench/frame_cost runs this program from two commits.
#include "demo_Demo.h"
#include "device/fw_DeviceState.h"
#include "frame/fw_LoadResources.h"
#include "post/fw_PostEffects.h"
#include "res/fw_Paths.h"
#include "res/fw_Resources.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"
#include "scene/fw_CameraFrame.h"
#include "sync/fw_Clock.h"
#include "sync/fw_Sync.h"
#include "sync/sync_Sections.h"

#include <epoxy/gl.h>
#include <platform/d3dx10tex.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char* const kPhaseNames[demo_kPhaseCount] = {"terrain", "hero", "models", "mosaic",
                                                   "adds",    "leaves", "bloom", "composite"};

struct Options {
  std::vector<int> rows;
  int frames = 3;
  int width = 1280, height = 720;
  std::string save;
#ifdef DUSK_SOURCE_DIR
  std::string source = DUSK_SOURCE_DIR;
#else
  std::string source = ".";
#endif
};

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!value) {
      std::fprintf(stderr, "%s needs a value\n", arg.c_str());
      return false;
    }
    ++i;
    if (arg == "--rows") {
      for (const char* p = value; *p;) {
        char* end = nullptr;
        const long row = std::strtol(p, &end, 10);
        if (end == p || row < 0) return std::fprintf(stderr, "bad --rows \"%s\"\n", value), false;
        o.rows.push_back(static_cast<int>(row));
        p = *end == ',' ? end + 1 : end;
      }
    } else if (arg == "--frames") {
      o.frames = std::max(1, std::atoi(value));
    } else if (arg == "--size") {
      if (std::sscanf(value, "%dx%d", &o.width, &o.height) != 2 || o.width < 16 || o.height < 16)
        return std::fprintf(stderr, "bad --size \"%s\"\n", value), false;
    } else if (arg == "--save") {
      o.save = value;
    } else if (arg == "--source") {
      o.source = value;
    } else {
      std::fprintf(stderr, "unknown option %s\n", arg.c_str());
      return false;
    }
  }
  return true;
}

// One row a section, in its middle.
std::vector<int> SectionRows(const std::string& source) {
  std::vector<std::string> errors;
  const auto sections = sync::loadSections(source + "/projects/dusk/data/eventide_palekestrel3.sections", errors);
  std::vector<int> rows;
  for (const sync::Section& s : sections) rows.push_back(static_cast<int>((s.firstRow + s.lastRow) / 2));
  return rows;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The queries of one stretch: its time on the device and the work the pipeline did.
class PhaseQueries {
 public:
  static constexpr int kCount = 4;
  PhaseQueries() { glGenQueries(kCount, mIds); }
  ~PhaseQueries() { glDeleteQueries(kCount, mIds); }
  void begin() {
    for (int i = 0; i < kCount; ++i) glBeginQuery(kTargets[i], mIds[i]);
  }
  // Ends the queries and adds their results (which waits for the device) to sums.
  void end(double sums[kCount]) {
    for (int i = 0; i < kCount; ++i) glEndQuery(kTargets[i]);
    for (int i = 0; i < kCount; ++i) {
      GLuint64 value = 0;
      glGetQueryObjectui64v(mIds[i], GL_QUERY_RESULT, &value);
      sums[i] += static_cast<double>(value);
    }
  }

 private:
  static constexpr GLenum kTargets[kCount] = {GL_TIME_ELAPSED, GL_VERTEX_SHADER_INVOCATIONS_ARB,
                                              GL_FRAGMENT_SHADER_INVOCATIONS_ARB, GL_CLIPPING_INPUT_PRIMITIVES_ARB};
  GLuint mIds[kCount] = {};
};

struct PhaseSample {
  double wallMs = 0.0;
  double query[PhaseQueries::kCount] = {};  // ns, vertices, fragments, primitives
};

// The frame the program draws at a row: the scene updated, its camera in the shared variables,
// prepared and rendered (as the frame tick does, without the window).
void RenderAt(Demo& demo, int row) {
  fw_SeekToRow(static_cast<float>(row), true);
  demo.update(static_cast<float>(fw_GetMusicTime()));
  fw_GlobalVariables& g = fw_GetGlobals();
  // The shaders' clock: the models' wireframe picks the vertices that jump from it.
  g.Time->SetFloat(static_cast<float>(fw_GetMusicTime()));
  fw_CameraFrameValues camera;
  if (fw_ComputeCameraFrameValues(demo.cameraSet(), &camera)) {
    g.View->SetMatrix(reinterpret_cast<const float*>(&camera.view));
    g.ViewProjection->SetMatrix(reinterpret_cast<const float*>(&camera.viewProjection));
    g.NearXYZFarZ->SetFloatVector(reinterpret_cast<const float*>(&camera.nearXYZFarZ));
  }
  const float w = static_cast<float>(fw_GetRenderWidth()), h = static_cast<float>(fw_GetRenderHeight());
  const float dim[4] = {w, h, 1.0f / w, 1.0f / h};
  g.RenderDim->SetFloatVector(dim);
  demo.prepare();
  if (fw_ComputeEyeFrameValues(demo.cameraSet(), demo.worldScale(), &camera)) {
    g.View->SetMatrix(reinterpret_cast<const float*>(&camera.view));
    g.ViewProjection->SetMatrix(reinterpret_cast<const float*>(&camera.viewProjection));
    g.ViewInverse->SetMatrix(reinterpret_cast<const float*>(&camera.viewInverse));
    g.EyePositionWorld->SetFloatVector(reinterpret_cast<const float*>(&camera.eyePositionWorld));
  }
  demo.render();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;
  if (options.rows.empty()) options.rows = SectionRows(options.source);
  if (options.rows.empty()) {
    std::fprintf(stderr, "no rows: no section map under %s\n", options.source.c_str());
    return 2;
  }

  ID3D10Device* device = nullptr;
  D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_WARP, nullptr, 0, D3D10_SDK_VERSION, &device);
  if (!device) {
    std::fprintf(stderr, "no software GL 4.5 device (run under xvfb-run)\n");
    return 1;
  }
  fw_SetDevice(device);
  fw_SetRoots(options.source + "/libraries/fw", options.source + "/projects/dusk");
  fw_SetRenderSize(options.width, options.height);
  fw_SetOutputSize(options.width, options.height);
  fw_CreateClocks();
  fw_StartSync((options.source + "/projects/dusk/data/sync/sync").c_str());
  fw_gPostEffects = new fw_PostEffects();
  if (FAILED(fw_LoadResources())) return 1;
  auto demo = std::make_unique<Demo>("demo.xml");
  // The description holds the camera the models are seen through; without it they would be drawn
  // through whatever the shared view variables hold, and mostly off the picture.
  const std::string description = options.source + "/projects/dusk/data/demo.xml";
  if (!demo->LoadDescriptionFile(description, options.width, options.height)) {
    std::fprintf(stderr, "the scene description %s did not load\n", description.c_str());
    return 1;
  }
  demo->createResources();
  fw_Texture* backbuffer = fw_FindTexture("backbuffer");

  RenderAt(*demo, options.rows.front());  // warm-up: programs linked, textures resident
  glFinish();

  const double pixels = static_cast<double>(options.width) * options.height;
  std::printf("Demo frame at %dx%d, %d frames a row; per stretch: ms (device ms) and vertex, fragment "
              "(overdraw) and primitive counts\n",
              options.width, options.height, options.frames);
  for (int row : options.rows) {
    std::vector<double> frames;
    for (int f = 0; f < options.frames; ++f) {
      const Clock::time_point start = Clock::now();
      RenderAt(*demo, row);
      glFinish();
      frames.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    if (!options.save.empty() && backbuffer && backbuffer->mTexture2D) {
      const std::string file = options.save + "/row_" + std::to_string(row) + ".png";
      D3DX10SaveTextureToFileA(backbuffer->mTexture2D, D3DX10_IFF_PNG, file.c_str());
    }

    // The split: queries around each stretch, read at its end.
    PhaseSample phases[demo_kPhaseCount];
    PhaseQueries queries;
    Clock::time_point last = Clock::now();
    demo->mPhaseHook = [&](demo_Phase phase) {
      PhaseSample& sample = phases[static_cast<int>(phase)];
      queries.end(sample.query);
      const Clock::time_point now = Clock::now();
      sample.wallMs += std::chrono::duration<double, std::milli>(now - last).count();
      last = now;
      queries.begin();
    };
    queries.begin();
    RenderAt(*demo, row);
    double rest[PhaseQueries::kCount] = {};
    queries.end(rest);
    demo->mPhaseHook = nullptr;

    std::printf("row %d: frame %.1f ms (median of %zu)\n", row, Median(frames), frames.size());
    for (int p = 0; p < demo_kPhaseCount; ++p) {
      const PhaseSample& s = phases[p];
      std::printf("  %-9s %8.1f ms (%8.1f) vs %9.0f fs %11.0f (%5.2fx) prims %8.0f\n", kPhaseNames[p], s.wallMs,
                  s.query[0] * 1e-6, s.query[1], s.query[2], s.query[2] / pixels, s.query[3]);
    }
  }

  demo.reset();
  fw_ReleaseFrameworkResources();
  delete fw_gPostEffects;
  fw_gPostEffects = nullptr;
  fw_StopSync();
  fw_DestroyClocks();
  fw_SetDevice(nullptr);
  device->Release();
  return 0;
}
