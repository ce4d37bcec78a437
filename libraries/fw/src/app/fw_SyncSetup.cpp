// The framework's sync system comes up first in the initialisation.
#include "app/fw_FrameworkServices.h"
#include "sync/fw_Sync.h"

void fw_StartSyncSystem() { fw_StartSync(kFwSyncBasePath); }
