// The production's one scene, described by "demo.xml".
#include "app_Scenes.h"

#include "app/fw_Framework.h"
#include "demo_Demo.h"

void dusk_RegisterScenes() {
  // Scenes live until the process ends.
  fw_RegisterScene(new Demo("demo.xml"));
}
