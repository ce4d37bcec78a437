// Every registered scene's share of resource loading and release: its description, then its
// createResources, in registration order; and its releaseResources at the close.
#pragma once

void fw_LoadSceneResources();
void fw_ReleaseSceneResources();
