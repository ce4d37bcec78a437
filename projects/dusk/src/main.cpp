// dusk: the framework reads the command line and enters the program as the platform would, with
// the program's resources behind the instance handle; the development tools come along.
#include "app/fw_Main.h"
#include "app_Resources.h"
#include "app_WinMain.h"
#include "dusk_Version.h"
#include "tools/fw_Tools.h"

int main(int argc, char** argv) {
  fw_UseTools();
  return fw_Main(argc, argv, {"dusk", DUSK_VERSION, dusk_RegisterResources()}, WinMain);
}
