// libFuzzer target: scene description XML through the scene loader, then one update so that
// every curve read is evaluated and every camera built.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_target.h"
#include "diag/fw_Log.h"
#include "scene/fw_Scene.h"

DUSK_FUZZ_TARGET(scene) {
  static bool quiet = (fw_SetLogListener([](int, const char*) {}), true);
  (void)quiet;
  fw_Scene scene("fuzz.xml");
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (scene.LoadDescriptionText(text, "fuzz.xml", 1280, 720)) {
    scene.update(0.0f);
    scene.update(12.5f);
  }
  return 0;
}
