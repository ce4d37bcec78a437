// The production's scenes, registered in the framework's scene list in showing order.
#pragma once

void dusk_RegisterScenes();
